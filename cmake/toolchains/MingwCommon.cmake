# MingwCommon.cmake — what both mingw-w64 toolchains share once the target's
# triple (KAVO5000_MINGW_TRIPLE) is set: the -posix thread model's compilers,
# whose libstdc++ has std::mutex and std::thread (the -win32 model has
# neither), searches confined to the target's sysroot, and ccache.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KAVO5000_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVO5000_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVO5000_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's sysroot only; programs (moc,
# the host's tools) from the build machine. A root given on the command line
# (a Windows Qt's directory, say) is searched as well.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KAVO5000_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(KAVO5000_CCACHE ccache)
if(KAVO5000_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${KAVO5000_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${KAVO5000_CCACHE})
endif()
