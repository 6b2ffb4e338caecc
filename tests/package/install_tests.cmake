# Tests of what cmake --install and cpack deliver, and of the manual page.

# tarnwick_install_test(<name> <build-dir> <files>)
# Installs the build tree to a staging prefix and makes its package; each
# must hold exactly <files>, paths below the prefix. lintian checks a Debian
# package.
function(tarnwick_install_test name build_dir files)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${build_dir}
                   -DSTAGING_DIR=${CMAKE_CURRENT_BINARY_DIR}/${name} "-DEXPECTED=${files}"
                   -DLINTIAN=${TARNWICK_LINTIAN} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_install.cmake)
  # cpack brings its build tree up to date first, the Windows one included.
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK build_trees)
endfunction()

tarnwick_install_test(install_and_package ${PROJECT_BINARY_DIR}
  "bin/tarnwick;share/doc/tarnwick/changelog.gz;share/doc/tarnwick/copyright;share/lintian/overrides/tarnwick;share/man/man1/tarnwick.1.gz")
if(NOT TARNWICK_LINTIAN)
  tarnwick_skip(debian_package_lintian
    "Debian package check with lintian skipped: lintian not found (Debian: apt-get install lintian)")
endif()

if(TARNWICK_GROFF)
  add_test(NAME man_page_renders_without_warnings
           COMMAND ${TARNWICK_GROFF} -man -ww -z ${PROJECT_SOURCE_DIR}/doc/tarnwick.1)
  # groff reports each problem on standard error and still succeeds.
  set_tests_properties(man_page_renders_without_warnings PROPERTIES FAIL_REGULAR_EXPRESSION ".")
else()
  tarnwick_skip(man_page_renders_without_warnings
    "Manual page test skipped: groff not found (Debian: apt-get install groff-base)")
endif()
