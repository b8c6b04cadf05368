# Cross compilation for 64-bit Arm Linux with Debian's cross compiler against a tree of Debian's arm64
# packages (CORV_ARM64_ROOT, made by scripts/test-arm64); programs run under qemu-user from that tree.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The compiler checks' own small projects are given the tree too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORV_ARM64_ROOT)
if(NOT CORV_ARM64_ROOT)
  message(FATAL_ERROR "CORV_ARM64_ROOT must name the arm64 tree (scripts/test-arm64 makes it)")
endif()
set(CMAKE_SYSROOT ${CORV_ARM64_ROOT})
set(CMAKE_FIND_ROOT_PATH ${CORV_ARM64_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the tree's .pc files and puts the tree in front of the paths they give.
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${CORV_ARM64_ROOT})
set(ENV{PKG_CONFIG_LIBDIR} ${CORV_ARM64_ROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${CORV_ARM64_ROOT}/usr/share/pkgconfig)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${CORV_ARM64_ROOT})
