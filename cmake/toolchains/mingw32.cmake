# mingw32.cmake — cross-builds for 32-bit Windows (i686), the station
# programs' platform, with Debian's mingw-w64 compilers.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KAVO5000_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
