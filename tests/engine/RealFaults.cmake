# Recovery passes through libBrevik.so against real kernel failures: faultfs for EIO, small and
# read-only tmpfs mounts, a second process holding the source. Included by CMakeLists.txt here.
add_executable(RealFaultsTest RealFaultsTest.cpp)
target_link_libraries(RealFaultsTest PRIVATE Brevik TestSupport GTest::gtest_main)
# A pass that never ends is a failure, not a wait: give each test a limit.
gtest_discover_tests(RealFaultsTest DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
