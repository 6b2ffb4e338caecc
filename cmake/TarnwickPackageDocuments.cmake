# The documents that go with the program, made in the form each package
# wants; the target tarnwick_documents builds them into the build tree.
if(WIN32)
  # The zip's manual and licence as plain text with CRLF line ends: a
  # Windows user can read neither troff nor, in every editor, LF lines.
  find_program(TARNWICK_GROFF groff)
  if(NOT TARNWICK_GROFF)
    message(FATAL_ERROR "groff not found: it renders the manual page as text for the Windows "
                        "zip (on Debian: apt-get install groff-base)")
  endif()
  set(script ${PROJECT_SOURCE_DIR}/cmake/TarnwickWindowsText.cmake)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/tarnwick.txt
    COMMAND ${CMAKE_COMMAND} -DGROFF=${TARNWICK_GROFF} -DINPUT=${PROJECT_SOURCE_DIR}/doc/tarnwick.1
            -DOUTPUT=${PROJECT_BINARY_DIR}/tarnwick.txt -P ${script}
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/tarnwick.1 ${script} VERBATIM)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/LICENSE
            -DOUTPUT=${PROJECT_BINARY_DIR}/LICENSE.txt -P ${script}
    DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE ${script} VERBATIM)
  add_custom_target(tarnwick_documents ALL
    DEPENDS ${PROJECT_BINARY_DIR}/tarnwick.txt ${PROJECT_BINARY_DIR}/LICENSE.txt)
  return()
endif()

# Debian's forms: the manual page and the changelog compressed with
# gzip -9n (best, and without a name or time stamp that would change the
# package from build to build), and the licence in the machine-readable
# copyright format.
file(STRINGS ${PROJECT_SOURCE_DIR}/package/changelog latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^tarnwick \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "package/changelog: the top entry is not for version ${PROJECT_VERSION}")
endif()
find_program(TARNWICK_GZIP gzip)
if(NOT TARNWICK_GZIP)
  message(FATAL_ERROR "gzip not found: it compresses the manual page")
endif()
set(compressed)
foreach(source doc/tarnwick.1 package/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${name}.gz
    COMMAND ${TARNWICK_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${PROJECT_BINARY_DIR}/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND compressed ${PROJECT_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(tarnwick_documents ALL DEPENDS ${compressed})

# LICENSE's notice line gives the copyright, and its text from "Permission"
# on the licence, indented, with "." for an empty line.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" notice "${license}")
set(holders "${CMAKE_MATCH_1}")
string(FIND "${license}" "Permission" terms_start)
string(SUBSTRING "${license}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: Tarnwick\n\n"
  "Files: *\nCopyright: ${holders}\nLicense: Expat\n ${terms}\n")
