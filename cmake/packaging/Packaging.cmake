# Packaging.cmake — what an install and `cpack` ship, and the package config a
# station program's CMake finds with find_package(Kavo5000).
#   Windows: a ZIP of one flat folder, the layout a station program's folder
#     takes: Kavo5000.dll, the runtime DLLs it imports (32-bit), kavo5000.exe,
#     README-Windows.txt, and include/kavo5000/Kavo5000.h.
#   Linux: Debian packages, one per kind of user (DebianPackages.cmake).
# The version is the project's; the package names carry it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The header, as the target a host links for its include path. In the build
# tree it is the source's include/, once installed the prefix's include/.
add_library(kavo5000_headers INTERFACE)
add_library(Kavo5000::headers ALIAS kavo5000_headers)
set_target_properties(kavo5000_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(kavo5000_headers INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(kavo5000_headers INTERFACE cxx_std_17)
set(kavo5000_public_headers ${PROJECT_SOURCE_DIR}/include/kavo5000/Kavo5000.h
  ${PROJECT_SOURCE_DIR}/include/kavo5000/kavo5000_c.h)

set(CPACK_PACKAGE_NAME Kavo5000)
set(CPACK_PACKAGE_VENDOR "Kavo5000")
# The maintainers' address: the packages' Maintainer, their copyright's
# contact and their changelog's signature.
set(CPACK_PACKAGE_CONTACT "Kavo5000 maintainers <maintainers@users.noreply.c-seed-b568c39b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Driver module for Kavo 5000 fuel dispensers, its tool and sample station")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The programs and the module ship without their debugging information.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Everything in the folder's root, where Windows finds a program's DLLs:
  # the module, the runtime DLLs it was linked against, and the tool.
  # The module's import library is for linking, which no host does.
  # The C interface's DLL beside the module, for hosts of other languages.
  install(FILES ${kavo5000_public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kavo5000)
  install(TARGETS Kavo5000 Kavo5000C kavo5000 RUNTIME DESTINATION .
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT import_library EXCLUDE_FROM_ALL)
  get_target_property(runtime_dlls Kavo5000 KAVO5000_RUNTIME_DLLS)
  if(runtime_dlls)
    install(PROGRAMS ${runtime_dlls} DESTINATION .)
  else()
    set(runtime_dlls "")  # linked in
  endif()

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KAVO5000_PACKAGE_PLATFORM 64-bit)
    set(platform win64)
  else()
    set(KAVO5000_PACKAGE_PLATFORM 32-bit)
    set(platform win32)
  endif()
  set(KAVO5000_PACKAGE_TRIPLE ${KAVO5000_MINGW_TRIPLE})
  set(KAVO5000_PACKAGE_COPY_LIST "    Kavo5000.dll")
  foreach(dll ${runtime_dlls})
    get_filename_component(name ${dll} NAME)
    string(APPEND KAVO5000_PACKAGE_COPY_LIST "\n    ${name}")
  endforeach()
  # Read with Notepad on the station's computer: Windows line ends, the
  # substituted lines' too.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/README-Windows.txt.in
    ${PROJECT_BINARY_DIR}/README-Windows.txt.in @ONLY)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/README-Windows.txt
    INPUT ${PROJECT_BINARY_DIR}/README-Windows.txt.in NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Kavo5000-${PROJECT_VERSION}-${platform})
else()
  include(${CMAKE_CURRENT_LIST_DIR}/DebianPackages.cmake)
endif()

include(CPack)
