# Builds everything for 32-bit x86 with the host's multilib compilers
# (-m32) against Debian's i386 multiarch packages:
#
#   cmake -S . -B build-i386 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/i386-toolchain.cmake
#
# The programs run natively on an x86-64 machine, so nothing here is a
# cross build in CMake's sense: tests are discovered and run as usual.
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# Libraries, package configurations and pkg-config files come from the
# i386 multiarch folders, never from the x86-64 ones beside them.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_SYSTEM_LIBRARY_PATH /usr/lib/i386-linux-gnu /lib/i386-linux-gnu)
set(FIND_LIBRARY_USE_LIB64_PATHS OFF)
set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB64_PATHS OFF)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# SSE2 and SSE arithmetic, as the 32-bit compilers of the client's own
# platform assume: doubles are then rounded exactly as on x86-64 instead of
# passing through the x87's 80-bit registers, so numbers parse and print
# the same at both widths.
string(APPEND CMAKE_C_FLAGS_INIT " -msse2 -mfpmath=sse")
string(APPEND CMAKE_CXX_FLAGS_INIT " -msse2 -mfpmath=sse")
