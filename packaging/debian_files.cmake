# Run by cpack once the project is installed into its staging folder, before the package is made:
# what Debian wants of a package beyond a plain install. The manual page and the changelog are
# compressed (gzip -n: no time stamp, so the same tree gives the same package).

# Without these cpack would still make a package, silently without its Depends.
foreach(tool dpkg-shlibdeps file)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is needed to compute the package's Depends "
      "(Debian: sudo apt-get install dpkg-dev file).")
  endif()
endforeach()

set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(COPY ${CPACK_QUERYLOOM_CHANGELOG} DESTINATION ${doc}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
execute_process(COMMAND gzip -9nf ${root}/share/man/man1/queryloom.1 ${doc}/changelog
  COMMAND_ERROR_IS_FATAL ANY)
