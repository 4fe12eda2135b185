# mingw64.cmake — cross-builds for 64-bit Windows (x86_64), the Windows
# platform this machine can run, under wine64, with Debian's mingw-w64
# compilers.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAVO5000_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
