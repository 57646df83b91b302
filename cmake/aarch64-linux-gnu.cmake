# Cross build for 64-bit arm Linux (a Raspberry Pi with a 64-bit system):
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#       -DTHYRE_SYSROOT=<folder made by cmake/arm-sysroot.sh arm64>
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(THYRE_ARM_TRIPLET aarch64-linux-gnu)
set(THYRE_ARM_ARCH arm64)
set(THYRE_ARM_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
