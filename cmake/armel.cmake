# CMake toolchain for 32-bit ARM Linux (Debian armel) with Debian's arm-linux-gnueabi cross compiler; programs it builds run under qemu-arm.
#
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/armel.cmake [-DSEVENFOLD_ARM_SYSROOT=DIR]
#
# SDL 1.2, SDL_mixer 1.2, GoogleTest and Google Benchmark of the ARM architecture are taken from
# a private sysroot: Debian's armel packages unpacked into one folder (scripts/arm.sh makes it).
# Their -dev packages cannot be installed beside the machine's own x86-64 ones, so the build must
# not rely on anything installed under /usr/lib/arm-linux-gnueabi. On a machine where every armel
# package is installed through multiarch instead, SEVENFOLD_ARM_SYSROOT=/ serves the same way.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(SEVENFOLD_ARM_TRIPLET arm-linux-gnueabi)

set(CMAKE_C_COMPILER ${SEVENFOLD_ARM_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${SEVENFOLD_ARM_TRIPLET}-g++)
# CMake cannot work this out from a cross compiler's own folders, and without it the packages'
# config files under lib/arm-linux-gnueabi/cmake are never looked at.
set(CMAKE_LIBRARY_ARCHITECTURE ${SEVENFOLD_ARM_TRIPLET})

if(NOT SEVENFOLD_ARM_SYSROOT)
  if(DEFINED ENV{SEVENFOLD_ARM_SYSROOT})
    set(SEVENFOLD_ARM_SYSROOT "$ENV{SEVENFOLD_ARM_SYSROOT}")
  else()
    set(SEVENFOLD_ARM_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build-arm-sysroot/armel")
  endif()
endif()
get_filename_component(SEVENFOLD_ARM_SYSROOT "${SEVENFOLD_ARM_SYSROOT}" ABSOLUTE)
if(NOT EXISTS "${SEVENFOLD_ARM_SYSROOT}/usr/lib/${SEVENFOLD_ARM_TRIPLET}")
  message(FATAL_ERROR "No armel libraries in ${SEVENFOLD_ARM_SYSROOT}: run scripts/arm.sh, "
                      "or point SEVENFOLD_ARM_SYSROOT at a folder holding them")
endif()
set(SEVENFOLD_ARM_SYSROOT "${SEVENFOLD_ARM_SYSROOT}" CACHE PATH "Root of the armel libraries to build against and run with")
# try_compile projects read this file again and need the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SEVENFOLD_ARM_SYSROOT)

# Libraries, headers and package configs only from the ARM side; programs from the host.
set(CMAKE_FIND_ROOT_PATH "${SEVENFOLD_ARM_SYSROOT}" "/usr/${SEVENFOLD_ARM_TRIPLET}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must never fall back to the host's x86-64 .pc files; the sysroot prefix goes in
# front of every -I and -L it prints, since Debian's .pc files name /usr paths.
set(ENV{PKG_CONFIG_LIBDIR}
    "${SEVENFOLD_ARM_SYSROOT}/usr/lib/${SEVENFOLD_ARM_TRIPLET}/pkgconfig:${SEVENFOLD_ARM_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${SEVENFOLD_ARM_SYSROOT}")
unset(ENV{PKG_CONFIG_PATH})

# SDL_mixer and SDL2 pull in further shared libraries that the linker must be able to read
# to check for undefined symbols; they sit in the sysroot, not in the compiler's own folders
# (PulseAudio's private library in a folder of its own, which the loader finds by RUNPATH).
set(lib "${SEVENFOLD_ARM_SYSROOT}/usr/lib/${SEVENFOLD_ARM_TRIPLET}")
set(SEVENFOLD_ARM_LINK
    "-Wl,-rpath-link,${lib}:${lib}/pulseaudio:${SEVENFOLD_ARM_SYSROOT}/lib/${SEVENFOLD_ARM_TRIPLET}")
unset(lib)
# GCC notes that std::vector iterators are passed differently than before GCC 7.1; everything
# here is built by one compiler, so the note says nothing about this build.
# The console's CPU is an ARM920T: ARMv4T, no FPU. Debian's armel compiler makes ARMv5TE code by
# default (blx, clz, ldrd, strd, the DSP multiplies), which that CPU faults on, so everything built
# here is ARMv4T ARM code with soft float. It still runs against Debian's ARMv5TE libraries, under
# an emulated ARMv5TE CPU or on real ones.
set(SEVENFOLD_ARM_CPU_FLAGS "-march=armv4t -marm -mfloat-abi=soft" CACHE STRING "Code generation for the ARM CPU")
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi ${SEVENFOLD_ARM_CPU_FLAGS}")
set(CMAKE_C_FLAGS_INIT "${SEVENFOLD_ARM_CPU_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${SEVENFOLD_ARM_LINK}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${SEVENFOLD_ARM_LINK}")

# gtest_discover_tests lists the tests by running the test program during the build, and CTest
# runs every test program: both go through the emulator, whose loader and libraries come from
# the sysroot.
find_program(SEVENFOLD_QEMU_ARM NAMES qemu-arm qemu-arm-static)
if(NOT SEVENFOLD_QEMU_ARM)
  message(FATAL_ERROR "qemu-arm not found: apt-get install qemu-user")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${SEVENFOLD_QEMU_ARM};-L;${SEVENFOLD_ARM_SYSROOT}")
