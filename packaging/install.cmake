# Installing (cmake --install) and the Debian package (cpack), included by the top-level
# CMakeLists.txt: the program, its manual page, and its documentation with the SQL of the sample
# database.

include(GNUInstallDirs)
# Directories the install creates are world-readable whatever the umask of who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS queryloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/queryloom.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/app/sample.sql
    ${PROJECT_SOURCE_DIR}/packaging/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package: `cpack -G DEB` in a built tree makes queryloom_<version>_<arch>.deb.
set(QL_PACKAGE_MAINTAINER "Quillory QUERYLOOM team <queryloom@quillory.example>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillory)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive command-line SQL client")
# The extended description, in lines short enough for a package's control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "QUERYLOOM is an interactive SQL client for the text console. Commands typed"
  "at its prompt connect to a database, run statements and step through their"
  "rows field by field. SQLite is built in; every other database is reached"
  "through the unixODBC driver manager and its driver (PostgreSQL, MariaDB and"
  "MySQL, Access files, SQL Server).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: computed from the binary by dpkg-shlibdeps (the libraries it is linked against).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries the program opens at run time (dlopen) are not seen by dpkg-shlibdeps: name them here
# (unixODBC for every ODBC connection, libedit for line editing at a terminal, libpq for
# PostgreSQL, MariaDB Connector/C for MariaDB and MySQL).
set(QL_PACKAGE_RECOMMENDS libodbc2 libedit2 libpq5 libmariadb3)
# The ODBC drivers of the README, each reached through a connection string of its own.
set(QL_PACKAGE_SUGGESTS odbc-postgresql odbc-mariadb libsqliteodbc odbc-mdbtools tdsodbc)
list(JOIN QL_PACKAGE_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
list(JOIN QL_PACKAGE_SUGGESTS ", " CPACK_DEBIAN_PACKAGE_SUGGESTS)
# Adds what Debian wants in the package but a plain install does not need: the manual page and
# the changelog compressed, the changelog itself.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
set(CPACK_QUERYLOOM_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/debian_files.cmake)
include(CPack)
