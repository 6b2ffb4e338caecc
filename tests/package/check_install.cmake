# cmake -DBUILD_DIR=<build> -DSTAGING_DIR=<scratch> -DEXPECTED=<files> [-DLINTIAN=<lintian>]
#       -P check_install.cmake
#
# Installs the build tree to a staging prefix and makes its package with
# cpack; fails unless each holds exactly the EXPECTED files (paths below the
# prefix, separated by semicolons), unless lintian finds an error in a
# Debian package, and unless the text files of a zip are plain text with
# CRLF line ends. Nothing installed is run.

# Fails unless the files below root are exactly EXPECTED.
function(expect_files what root)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
  list(SORT found)
  set(expected ${EXPECTED})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    message(FATAL_ERROR "${what} holds:\n  ${found}\ninstead of:\n  ${expected}")
  endif()
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed: ${command}")
  endif()
endfunction()

file(REMOVE_RECURSE ${STAGING_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGING_DIR}/prefix)
expect_files("The staging prefix" ${STAGING_DIR}/prefix)

run(${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${STAGING_DIR}/package)
file(GLOB package ${STAGING_DIR}/package/*.deb ${STAGING_DIR}/package/*.zip)
if(NOT package MATCHES "^[^;]+$")
  message(FATAL_ERROR "cpack made not one package but: ${package}")
endif()
set(unpacked ${STAGING_DIR}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
if(package MATCHES "[.]deb$")
  run(dpkg-deb --extract ${package} ${unpacked})
  expect_files(${package} ${unpacked}/usr)
  if(LINTIAN)
    run(${LINTIAN} --fail-on error ${package})
  endif()
else()
  # A zip holds one folder named after itself.
  run(${CMAKE_COMMAND} -E chdir ${unpacked} ${CMAKE_COMMAND} -E tar xf ${package})
  get_filename_component(folder ${package} NAME_WLE)
  expect_files(${package} ${unpacked}/${folder})
  # file(READ) as text would drop every CR; as hex, each byte is "xx ".
  file(GLOB texts ${unpacked}/${folder}/*.txt)
  foreach(text IN LISTS texts)
    file(READ ${text} hex HEX)
    string(REGEX REPLACE "(..)" "\\1 " bytes "${hex}")
    string(REGEX MATCHALL "0a " lf "${bytes}")
    string(REGEX MATCHALL "0d 0a " crlf "${bytes}")
    list(LENGTH lf lines)
    list(LENGTH crlf crlf_lines)
    if(lines EQUAL 0 OR NOT lines EQUAL crlf_lines OR bytes MATCHES "(^|0a )2e ")
      message(FATAL_ERROR "${text} is not text with CRLF line ends, or holds a troff request")
    endif()
  endforeach()
endif()
