# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix-thread compilers, which have std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TRACKPACE_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TRACKPACE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRACKPACE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TRACKPACE_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TRACKPACE_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TRACKPACE_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers only from the MinGW tree and the folders named in
# CMAKE_PREFIX_PATH / CMAKE_FIND_ROOT_PATH (the Qt built for Windows); programs from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TRACKPACE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
