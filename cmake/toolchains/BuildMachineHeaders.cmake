# BuildMachineHeaders.cmake — lends a cross build the build machine's
# header-only packages (nlohmann-json, CLI11). Headers that compile to nothing
# but templates serve every target alike, yet the toolchain confines package
# searches to the target's sysroot, and pointing the compiler at the build
# machine's whole /usr/include would mix its C library into the target's. So
# the packages' own directories, and nothing else, are staged under the build
# tree and added to the searched roots; their config files locate the headers
# relative to themselves and so find the staged ones.
set(kavo5000_staged_root ${CMAKE_BINARY_DIR}/build-machine-headers)
set(kavo5000_header_only_packages
  # package config directory      header directory
  "share/cmake/nlohmann_json"     "include/nlohmann"
  "share/cmake/CLI11"             "include/CLI"
)
while(kavo5000_header_only_packages)
  list(POP_FRONT kavo5000_header_only_packages config headers)
  if(EXISTS /usr/${config} AND EXISTS /usr/${headers})
    file(COPY /usr/${config} DESTINATION ${kavo5000_staged_root}/usr/share/cmake)
    get_filename_component(parent ${kavo5000_staged_root}/usr/${headers} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK /usr/${headers} ${kavo5000_staged_root}/usr/${headers} SYMBOLIC)
  endif()
endwhile()
list(APPEND CMAKE_FIND_ROOT_PATH ${kavo5000_staged_root})
