# Cross-compiles for 64-bit Windows with Debian's clang and lld, against the same
# mingw-w64 headers and GCC's libstdc++ as the GCC build: a second compiler's view
# of the same code. Debian's clang 14 does not find GCC's C++ headers and
# libraries for this target by itself, so they are named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
set(MINGW_SYSROOT /usr/${MINGW_PREFIX})
set(MINGW_GCC_DIR /usr/lib/gcc/${MINGW_PREFIX}/12-posix)

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_RC_COMPILER llvm-windres-14)
set(CMAKE_C_COMPILER_TARGET ${MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_PREFIX})
set(CMAKE_SYSROOT ${MINGW_SYSROOT})

set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -isystem ${MINGW_GCC_DIR}/include/c++ -isystem ${MINGW_GCC_DIR}/include/c++/${MINGW_PREFIX} -isystem ${MINGW_GCC_DIR}/include/c++/backward")
set(CMAKE_RC_FLAGS_INIT "--target=pe-x86-64 --preprocessor-arg=--sysroot=${MINGW_SYSROOT}")
foreach(kind EXE SHARED MODULE)
    # The C++ flags reach the link too, where -nostdinc++ has nothing to do.
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR} -Wno-unused-command-line-argument")
endforeach()

set(CMAKE_FIND_ROOT_PATH ${MINGW_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
