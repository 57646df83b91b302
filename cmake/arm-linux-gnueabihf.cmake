# Cross build for 32-bit arm Linux with hardware floating point (a Raspberry
# Pi with a 32-bit system): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
#       -DTHYRE_SYSROOT=<folder made by cmake/arm-sysroot.sh armhf>
set(CMAKE_SYSTEM_PROCESSOR arm)
set(THYRE_ARM_TRIPLET arm-linux-gnueabihf)
set(THYRE_ARM_ARCH armhf)
set(THYRE_ARM_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
# Every object of the programs is built by this one compiler, so the note
# that GCC 7.1 changed how some arguments are passed on 32-bit arm says
# nothing here and would only bury the real warnings.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
