# Shared by the two arm toolchain files, which set THYRE_ARM_TRIPLET and
# THYRE_ARM_ARCH first.  The compilers are Debian's cross compilers; the
# target's libgcrypt, zlib (and GoogleTest, for the tests) come from a
# sysroot that cmake/arm-sysroot.sh unpacks from the target's packages.
# The sysroot is THYRE_SYSROOT (make arm passes build-<arch>-sysroot).
# Programs of the build run under qemu-user with the sysroot as their root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_LIBRARY_ARCHITECTURE ${THYRE_ARM_TRIPLET})
find_program(ARM_CXX NAMES ${THYRE_ARM_TRIPLET}-g++ REQUIRED)
set(CMAKE_CXX_COMPILER ${ARM_CXX})

# Set on the command line; the compiler checks see it through the variables
# carried into their projects.
set(THYRE_SYSROOT "" CACHE PATH "The target's sysroot (cmake/arm-sysroot.sh)")
if(NOT THYRE_SYSROOT AND DEFINED ENV{THYRE_SYSROOT})
  set(THYRE_SYSROOT $ENV{THYRE_SYSROOT})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES THYRE_SYSROOT)

# The cross compiler's own C and C++ libraries first, then the sysroot's.
set(CMAKE_FIND_ROOT_PATH /usr/${THYRE_ARM_TRIPLET} ${THYRE_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(THYRE_SYSROOT)
  # libgcrypt's own needs (libgpg-error) are found in the sysroot at link
  # time; gpg-error.h may sit in the target's multiarch include folder.
  set(CMAKE_EXE_LINKER_FLAGS_INIT
      "-Wl,-rpath-link,${THYRE_SYSROOT}/usr/lib/${THYRE_ARM_TRIPLET}:${THYRE_SYSROOT}/lib/${THYRE_ARM_TRIPLET}")
  set(CMAKE_CXX_FLAGS_INIT "-isystem ${THYRE_SYSROOT}/usr/include/${THYRE_ARM_TRIPLET}")
  find_program(THYRE_QEMU NAMES ${THYRE_ARM_QEMU})
  if(THYRE_QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${THYRE_QEMU} -L ${THYRE_SYSROOT})
  endif()
endif()
