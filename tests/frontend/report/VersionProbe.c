/* A program file that only carries a version record, for the tests of
 * reading it back. */
int main(void) {
    return 0;
}
