# DebianTriggers.cmake — run by cpack after it has packed the .deb files: a
# package whose maintainer scripts only call ldconfig (what CPack writes for
# a library in the loader's folders) gets dpkg's ldconfig trigger instead,
# which is what Debian's policy asks of a shared library's package.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/ldconfig-trigger.sh ${deb}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "ldconfig-trigger.sh failed on ${deb}")
  endif()
endforeach()
