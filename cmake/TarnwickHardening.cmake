# Every target built with the hardening flags that Debian's own packages get
# from dpkg-buildflags (read-only relocations bound at start included), and
# with the same bytes from any source and build folder.

if(WIN32)
  return()
endif()

# The source and build trees recorded as "." in debug information and
# file names, so that the folders do not change the program or its build-id;
# also at the link, where interprocedural optimisation compiles once more.
# Where several maps match, the compiler takes the last.
set(tarnwick_prefix_maps -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                         -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
add_compile_options(${tarnwick_prefix_maps})
add_link_options(${tarnwick_prefix_maps})

# A sanitizer build checks more than these flags do, and fortified calls
# would hide some of its findings. Where dpkg-buildflags is missing the
# build goes without.
find_program(TARNWICK_DPKG_BUILDFLAGS dpkg-buildflags)
if(TARNWICK_SANITIZE OR NOT TARNWICK_DPKG_BUILDFLAGS)
  return()
endif()
set(environment DEB_BUILD_MAINT_OPTIONS=hardening=+all)
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  # Unoptimised: no fortified calls, which need optimisation.
  list(APPEND environment DEB_BUILD_OPTIONS=noopt)
endif()
foreach(variable CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${TARNWICK_DPKG_BUILDFLAGS} --get ${variable}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${TARNWICK_DPKG_BUILDFLAGS} --get ${variable} failed")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # Debug information and optimisation are the build type's; the folders'
  # maps are above.
  list(FILTER flags EXCLUDE REGEX "^-(g|O.*|f(file|debug)-prefix-map=.*)$")
  if(variable STREQUAL "LDFLAGS")
    add_link_options(${flags})
  else()
    add_compile_options(${flags})
  endif()
endforeach()
