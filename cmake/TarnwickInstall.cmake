# What cmake --install delivers: the program and its manual page, and
# nothing else (not the sandbox build, the tools or the tests). cpack packs
# the same: a Debian package on Linux, a zip on Windows.
include(GNUInstallDirs)
install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/tarnwick.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_CONTACT "Tarnwick developers <tarnwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION comm)
  # The shared libraries the program needs (none when it is linked
  # statically), where Debian's tools that find them are installed.
  find_program(TARNWICK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  find_program(TARNWICK_FILE file)
  if(TARNWICK_DPKG_SHLIBDEPS AND TARNWICK_FILE)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
endif()
include(CPack)
