# Cross-building for Windows x86-64 with Debian's mingw-w64 (posix threads,
# which std::thread and std::async need). Qt's own toolchain file chains to
# this one (QT_CHAINLOAD_TOOLCHAIN_FILE); the cross Qt's prefix is added to
# the search roots by scripts/windows/build.sh through QH_WINDOWS_QT.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QH_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER /usr/bin/${QH_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${QH_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER /usr/bin/${QH_MINGW}-windres)
set(CMAKE_AR /usr/bin/${QH_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${QH_MINGW}-ranlib CACHE FILEPATH "")

# Headers, libraries and packages come from the mingw sysroot and the cross
# Qt only, never from the host; programs (moc, rcc) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QH_MINGW} $ENV{QH_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
