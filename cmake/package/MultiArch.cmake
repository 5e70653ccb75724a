# Run by CPack after the Debian packages are built: adds "Multi-Arch: same"
# to the control file of each package named in CPACK_ORV_MULTIARCH_SAME
# (this CMake version's CPack cannot write the field itself). The package
# is unpacked and rebuilt with dpkg-deb; its files stay as they were.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  execute_process(COMMAND dpkg-deb --field "${deb}" Package
    OUTPUT_VARIABLE package OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  if(NOT package IN_LIST CPACK_ORV_MULTIARCH_SAME)
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}"
    COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${tree}/DEBIAN/control" control)
  if(NOT control MATCHES "(^|\n)Multi-Arch:")
    string(REGEX REPLACE "(^|\n)(Architecture: [^\n]*\n)"
           "\\1\\2Multi-Arch: same\n" control "${control}")
    if(NOT control MATCHES "(^|\n)Multi-Arch: same\n")
      message(FATAL_ERROR "${deb}: no Architecture field to follow")
    endif()
    file(WRITE "${tree}/DEBIAN/control" "${control}")
  endif()
  file(CHMOD "${tree}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
  message(STATUS "Multi-Arch: same added to ${deb}")
endforeach()
