# The win32 thread model keeps winpthread out of the executables.
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
# Archives of link-time-optimised objects need the compiler's plugin to index them.
set(CMAKE_AR ${TOOLCHAIN_PREFIX}-gcc-ar-win32)
set(CMAKE_RANLIB ${TOOLCHAIN_PREFIX}-gcc-ranlib-win32)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
