/*
 * faultfs - a read-only FUSE file system that serves one file and fails chosen reads.
 *
 * The file system's root holds a single regular file, NAME, whose size and bytes are those of
 * the backing file. A read whose byte range overlaps a bad range is answered with EIO, the way a
 * disk answers for a damaged sector; with --fail-from every read that reaches OFFSET or beyond
 * fails too, reads past the end of the file included, like a device that went away.
 *
 * Every file is opened with direct I/O, so each read(2) of a client reaches this process as one
 * request of the size asked for: no page cache, no readahead, no merging or splitting below the
 * kernel's maximum request size.
 *
 * With --log FILE each read request is appended to FILE as a line "OFFSET SIZE".
 */
#define FUSE_USE_VERSION 31
#define _POSIX_C_SOURCE 200809L

#include <fuse.h>

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* A half-open span of file offsets [start, end). */
struct byte_range {
    uint64_t start;
    uint64_t end;
};

struct faultfs {
    int backing_fd;
    char* file_path; /* "/" followed by the served name */
    struct byte_range* bad;
    size_t bad_count;
    int has_fail_from;
    uint64_t fail_from;
    int log_fd; /* -1 when reads are not logged */
};

static struct faultfs fs = {.backing_fd = -1, .log_fd = -1};

struct options {
    char* backing;
    char* name;
    char* bad;
    char* fail_from;
    char* log;
    int help;
};

#define OPTION(t, field)                                                                           \
    { t, offsetof(struct options, field), 1 }

static const struct fuse_opt option_spec[] = {
    OPTION("--backing %s", backing),
    OPTION("--name %s", name),
    OPTION("--bad %s", bad),
    OPTION("--fail-from %s", fail_from),
    OPTION("--log %s", log),
    OPTION("--help", help),
    OPTION("-h", help),
    FUSE_OPT_END,
};

static void usage(const char* program) {
    fprintf(stderr,
            "usage: %s --backing FILE --name NAME [--bad START-END[,START-END...]]\n"
            "          [--fail-from OFFSET] [--log FILE] MOUNTPOINT [FUSE options]\n"
            "\n"
            "Serves FILE as MOUNTPOINT/NAME, read-only. A read that overlaps a bad range\n"
            "START-END (bytes START to END-1) fails with EIO; with --fail-from every read\n"
            "that reaches OFFSET or beyond fails, also past the end of the file. --log\n"
            "appends a line \"OFFSET SIZE\" to FILE for each read.\n"
            "Typical FUSE options: -f -s -o auto_unmount\n",
            program);
}

/* Parses a decimal unsigned 64-bit number that fills [text, end) exactly. */
static int parse_u64(const char* text, const char* end, uint64_t* value) {
    if (text == end || *text < '0' || *text > '9')
        return -1;
    uint64_t result = 0;
    for (const char* p = text; p != end; ++p) {
        if (*p < '0' || *p > '9')
            return -1;
        const uint64_t digit = (uint64_t)(*p - '0');
        if (result > (UINT64_MAX - digit) / 10)
            return -1;
        result = result * 10 + digit;
    }
    *value = result;
    return 0;
}

/* Parses "START-END[,START-END...]" into fs.bad. */
static int parse_bad_ranges(const char* text) {
    size_t count = 1;
    for (const char* p = text; *p; ++p)
        count += *p == ',';
    fs.bad = calloc(count, sizeof *fs.bad);
    if (fs.bad == NULL) {
        perror("faultfs: calloc");
        return -1;
    }
    const char* item = text;
    for (size_t i = 0; i < count; ++i) {
        const char* item_end = strchr(item, ',');
        if (item_end == NULL)
            item_end = item + strlen(item);
        const char* dash = memchr(item, '-', (size_t)(item_end - item));
        struct byte_range* range = &fs.bad[i];
        if (dash == NULL || parse_u64(item, dash, &range->start) != 0 ||
            parse_u64(dash + 1, item_end, &range->end) != 0 || range->start >= range->end) {
            fprintf(stderr, "faultfs: bad range '%.*s' is not START-END with START < END\n",
                    (int)(item_end - item), item);
            return -1;
        }
        item = item_end + 1;
    }
    fs.bad_count = count;
    return 0;
}

static int read_fails(off_t offset, size_t size) {
    const uint64_t start = (uint64_t)offset;
    const uint64_t end = start + size;
    if (fs.has_fail_from && end > fs.fail_from)
        return 1;
    for (size_t i = 0; i < fs.bad_count; ++i) {
        if (start < fs.bad[i].end && fs.bad[i].start < end)
            return 1;
    }
    return 0;
}

static int log_read(off_t offset, size_t size) {
    char line[64];
    const int length = snprintf(line, sizeof line, "%" PRIu64 " %zu\n", (uint64_t)offset, size);
    if (length < 0 || (size_t)length >= sizeof line)
        return -1;
    const ssize_t written = write(fs.log_fd, line, (size_t)length);
    if (written != length) {
        perror("faultfs: writing the read log");
        return -1;
    }
    return 0;
}

static int fs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    memset(st, 0, sizeof *st);
    st->st_uid = getuid();
    st->st_gid = getgid();
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0555;
        st->st_nlink = 2;
        return 0;
    }
    if (strcmp(path, fs.file_path) != 0)
        return -ENOENT;
    struct stat backing;
    if (fstat(fs.backing_fd, &backing) != 0)
        return -errno;
    st->st_mode = S_IFREG | 0444;
    st->st_nlink = 1;
    st->st_size = backing.st_size;
    st->st_blocks = backing.st_blocks;
    st->st_atim = backing.st_atim;
    st->st_mtim = backing.st_mtim;
    st->st_ctim = backing.st_ctim;
    return 0;
}

static int fs_readdir(const char* path, void* buf, fuse_fill_dir_t filler, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset;
    (void)fi;
    (void)flags;
    if (strcmp(path, "/") != 0)
        return -ENOTDIR;
    if (filler(buf, ".", NULL, 0, 0) != 0 || filler(buf, "..", NULL, 0, 0) != 0 ||
        filler(buf, fs.file_path + 1, NULL, 0, 0) != 0)
        return -ENOMEM;
    return 0;
}

static int fs_open(const char* path, struct fuse_file_info* fi) {
    if (strcmp(path, fs.file_path) != 0)
        return -ENOENT;
    if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC) != 0)
        return -EROFS;
    fi->direct_io = 1;
    return 0;
}

static int fs_read(const char* path, char* buf, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    (void)path;
    (void)fi;
    if (fs.log_fd >= 0 && log_read(offset, size) != 0)
        return -EIO;
    if (read_fails(offset, size))
        return -EIO;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fs.backing_fd, buf + done, size - done, offset + (off_t)done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -errno;
        }
        if (n == 0)
            break;
        done += (size_t)n;
    }
    return (int)done;
}

static const struct fuse_operations operations = {
    .getattr = fs_getattr,
    .open = fs_open,
    .read = fs_read,
    .readdir = fs_readdir,
};

static int configure(const struct options* opts, const char* program) {
    if (opts->backing == NULL || opts->name == NULL) {
        usage(program);
        return -1;
    }
    if (opts->name[0] == '\0' || strchr(opts->name, '/') != NULL || strcmp(opts->name, ".") == 0 ||
        strcmp(opts->name, "..") == 0) {
        fprintf(stderr, "faultfs: --name must be a plain file name\n");
        return -1;
    }
    const size_t name_length = strlen(opts->name);
    fs.file_path = malloc(name_length + 2);
    if (fs.file_path == NULL) {
        perror("faultfs: malloc");
        return -1;
    }
    fs.file_path[0] = '/';
    memcpy(fs.file_path + 1, opts->name, name_length + 1);

    fs.backing_fd = open(opts->backing, O_RDONLY | O_CLOEXEC);
    if (fs.backing_fd < 0) {
        fprintf(stderr, "faultfs: cannot open %s: %s\n", opts->backing, strerror(errno));
        return -1;
    }
    if (opts->bad != NULL && parse_bad_ranges(opts->bad) != 0)
        return -1;
    if (opts->fail_from != NULL) {
        if (parse_u64(opts->fail_from, opts->fail_from + strlen(opts->fail_from), &fs.fail_from) !=
            0) {
            fprintf(stderr, "faultfs: --fail-from needs a byte offset\n");
            return -1;
        }
        fs.has_fail_from = 1;
    }
    if (opts->log != NULL) {
        fs.log_fd = open(opts->log, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (fs.log_fd < 0) {
            fprintf(stderr, "faultfs: cannot create %s: %s\n", opts->log, strerror(errno));
            return -1;
        }
    }
    return 0;
}

static int close_checked(int fd, const char* what) {
    if (fd >= 0 && close(fd) != 0) {
        fprintf(stderr, "faultfs: closing %s: %s\n", what, strerror(errno));
        return -1;
    }
    return 0;
}

int main(int argc, char* argv[]) {
    struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
    struct options opts = {0};
    int status = 1;
    if (fuse_opt_parse(&args, &opts, option_spec, NULL) != 0) {
        usage(argv[0]);
    } else if (opts.help) {
        usage(argv[0]);
        status = 0;
    } else if (configure(&opts, argv[0]) == 0) {
        status = fuse_main(args.argc, args.argv, &operations, NULL);
    }
    if (close_checked(fs.log_fd, "the read log") != 0 ||
        close_checked(fs.backing_fd, "the backing file") != 0)
        status = 1;
    free(fs.file_path);
    free(fs.bad);
    free(opts.backing);
    free(opts.name);
    free(opts.bad);
    free(opts.fail_from);
    free(opts.log);
    fuse_opt_free_args(&args);
    return status;
}
