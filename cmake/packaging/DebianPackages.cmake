# DebianPackages.cmake — the Linux install and its Debian packages, one per
# kind of user, each with its copyright, changelog and description:
#   kavo5000          the tool, the station and the driver module, which is
#                     loaded at run time and so lives where plug-ins do (the
#                     package's own folder under the multiarch library
#                     folder); manual pages and bash completion;
#   libkavo5000cN     the C interface, for station programs of any language;
#   kavo5000-dev      both headers, the C interface's link and the CMake
#                     package config (the header target, the C library, the
#                     module's path);
#   python3-kavo5000  the Python package over the C interface.
# Depends are read off the binaries by dpkg-shlibdeps, plus the packages' own.

# The manual pages are made with help2man (scripts/install-deps installs it).
find_program(HELP2MAN help2man REQUIRED)
get_target_property(c_abi Kavo5000C SOVERSION)
set(deb_release 1)
set(KAVO5000_DEB_VERSION ${PROJECT_VERSION}-${deb_release})
set(deb_package_programs kavo5000)
set(deb_package_library libkavo5000c${c_abi})
set(deb_package_development kavo5000-dev)
set(deb_package_python python3-kavo5000)
set(deb_components programs library development python)

# --- what each package installs
install(TARGETS Kavo5000 LIBRARY DESTINATION ${KAVO5000_MODULE_INSTALL_DIR} COMPONENT programs)
install(TARGETS kavo5000 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
if(TARGET kavo5000-station)
  install(TARGETS kavo5000-station RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
endif()

set_target_properties(Kavo5000C PROPERTIES EXPORT_NAME c)
install(TARGETS Kavo5000C EXPORT Kavo5000Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development)
install(TARGETS kavo5000_headers EXPORT Kavo5000Targets COMPONENT development)
install(FILES ${kavo5000_public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kavo5000
  COMPONENT development)

# The Python package, where Debian's Python looks.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/kavo5000 DESTINATION lib/python3/dist-packages
  COMPONENT python PATTERN __pycache__ EXCLUDE)

# The package config names the installed module's file, for a host that
# loads it (dlopen) without guessing where it lives.
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Kavo5000)
set(KAVO5000_MODULE_FILE
  ${KAVO5000_MODULE_INSTALL_DIR}/${CMAKE_SHARED_LIBRARY_PREFIX}Kavo5000${CMAKE_SHARED_LIBRARY_SUFFIX})
install(EXPORT Kavo5000Targets NAMESPACE Kavo5000:: DESTINATION ${config_dir}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Kavo5000Config.cmake.in
  ${PROJECT_BINARY_DIR}/Kavo5000Config.cmake INSTALL_DESTINATION ${config_dir}
  PATH_VARS KAVO5000_MODULE_FILE)
# find_package(Kavo5000 2.40) takes 2.40 or any later 2.y, never 3.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/Kavo5000ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/Kavo5000Config.cmake
  ${PROJECT_BINARY_DIR}/Kavo5000ConfigVersion.cmake DESTINATION ${config_dir}
  COMPONENT development)

# --- generated at build time: the changelog, the manual pages from the
# programs' own help, the tool's completion from the same
set(deb_out ${PROJECT_BINARY_DIR}/debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${deb_out}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${deb_out}/changelog @ONLY)
set(packaging_scripts ${CMAKE_CURRENT_LIST_DIR})
add_custom_command(OUTPUT ${deb_out}/changelog.Debian.gz
  COMMAND gzip -9nc ${deb_out}/changelog > ${deb_out}/changelog.Debian.gz
  DEPENDS ${deb_out}/changelog VERBATIM)
set(man_pages "")
# The manual page of `program`, whose NAME line says `what`.
function(kavo5000_man_page program what)
  set(page ${deb_out}/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${packaging_scripts}/manpage.sh $<TARGET_FILE:${program}> ${PROJECT_VERSION} "${what}"
            ${page}
    DEPENDS ${program} ${packaging_scripts}/manpage.sh ${packaging_scripts}/help-words.sh VERBATIM)
  set(man_pages ${man_pages} ${page} PARENT_SCOPE)
endfunction()
kavo5000_man_page(kavo5000 "drive Kavo 5000 dispenser controllers")
if(TARGET kavo5000-station)
  kavo5000_man_page(kavo5000-station
    "a sample filling-station program over the Kavo5000 driver module")
endif()
add_custom_command(OUTPUT ${deb_out}/kavo5000.bash-completion
  COMMAND ${packaging_scripts}/completion.sh $<TARGET_FILE:kavo5000>
          ${deb_out}/kavo5000.bash-completion
  DEPENDS kavo5000 ${packaging_scripts}/completion.sh ${packaging_scripts}/help-words.sh VERBATIM)
add_custom_target(debian_files ALL DEPENDS ${deb_out}/changelog.Debian.gz ${man_pages}
  ${deb_out}/kavo5000.bash-completion)

install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
install(FILES ${deb_out}/kavo5000.bash-completion DESTINATION
  ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kavo5000 COMPONENT programs)
# The dissector of the monitor's captures, where Wireshark and tshark load
# their global Lua plugins from.
install(FILES ${PROJECT_SOURCE_DIR}/tools/wireshark/kavo5000.lua
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/wireshark/plugins COMPONENT programs)
# The packages are ours, not uploads to Debian's archive: their first
# changelog entry closes no "intent to package" bug, which lintian expects
# of Debian's own first uploads.
foreach(component ${deb_components})
  set(package ${deb_package_${component}})
  install(FILES ${deb_out}/copyright ${deb_out}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  file(WRITE ${deb_out}/${package}.lintian-overrides
    "# Not uploaded to Debian: no intent-to-package bug for the first entry to close.\n"
    "${package}: initial-upload-closes-no-bugs\n")
  install(FILES ${deb_out}/${package}.lintian-overrides DESTINATION
    ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package} COMPONENT ${component})
endforeach()

# --- the packages
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${deb_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${deb_release})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file for each library with a SONAME (the C interface's; the module
# has none, being no library to link).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(exact "(= ${KAVO5000_DEB_VERSION})")

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${deb_package_programs})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "driver module for Kavo 5000 fuel dispensers, with its tool
The driver module that a filling-station control program loads to drive the
dispensers of the Kavo 5000 family over their serial lines: nozzle states,
prices, presets by volume or money, start and stop, counters, and the
technician's parameter-programming window.
.
The package also holds kavo5000, a command-line tool for the same operations
on a serial device, a TCP serial server or a built-in controller simulator,
and kavo5000-station, a small sample station program.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${deb_package_library})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "${deb_package_programs} ${exact}")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "C interface to the Kavo 5000 dispenser driver
Plain C functions over the Kavo 5000 driver module, for station programs
written in any language or built with any compiler: every operation of the
driver with plain C types, every failure a status and a message.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${deb_package_development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${deb_package_programs} ${exact}, ${deb_package_library} ${exact}")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "headers for station programs of the Kavo 5000 driver
What a station program is built with: the header of the driver module's host
interface, the header and link of its C interface, and the CMake package
config that find_package(Kavo5000) reads, naming the installed module.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${deb_package_python})
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3:any, ${deb_package_library} (>= ${KAVO5000_DEB_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python interface to the Kavo 5000 dispenser driver
A Python package over the driver's C interface, for service scripts and
station programs in Python: the driver's operations as methods, its failures
as exceptions.")

# dpkg's ldconfig trigger in place of the maintainer scripts CPack writes for
# a library in the loader's folders.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianTriggers.cmake)
