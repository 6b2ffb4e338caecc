# What cmake --install delivers: the program, its manual and its licence,
# and nothing else (not the sandbox build, the tools or the tests). cpack
# packs the same: a Debian package on Linux, a zip on Windows.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/TarnwickPackageDocuments.cmake)

if(WIN32)
  # A folder to unzip and use as it is.
  install(TARGETS tarnwick RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/tarnwick.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
else()
  set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tarnwick)
  install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/tarnwick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${docdir})
endif()

set(TARNWICK_PACKAGE_MAINTAINER "The Tarnwick developers <developers@tarnwick.org>" CACHE STRING
    "Maintainer of the Debian package, as: Name <address>")
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_CONTACT "${TARNWICK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines as Debian shows them, under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tarnwick opens one serial port, sets its speed, and then bridges two\n"
  "directions until ESC is pressed twice: every key typed goes to the port\n"
  "as one byte, and every byte from the port is shown on the console\n"
  "unchanged. Nothing typed is shown locally.\n"
  "\n"
  "The line is set to 8 data bits, no parity and one stop bit, without\n"
  "hardware flow control. COM<n> is what ~/.config/tarnwick/com<n> or\n"
  "${TARNWICK_PORT_LINKS_DIR}/com<n> names, or else ${TARNWICK_COM_PREFIX}<n-1>. A port\n"
  "whose device goes away, as a USB adapter does when its board is reset, is\n"
  "opened again when it comes back.")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION comm)
  # Depends: the packages of the shared libraries the program needs (the C
  # library's; none when it is linked statically), as dpkg-shlibdeps finds
  # them in the program.
  find_program(TARNWICK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  find_program(TARNWICK_FILE file)
  if(TARNWICK_DPKG_SHLIBDEPS AND TARNWICK_FILE)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    message(WARNING "dpkg-shlibdeps or file not found: a Debian package made here would name "
                    "no dependencies (Debian: apt-get install dpkg-dev file)")
  endif()
endif()
include(CPack)
