# A dynamically linked program has the C library's shared pages in its
# resident set (over 1 MB); linked statically it needs well under 1 MB.
# Sanitizer and valgrind builds want it dynamic.
option(TARNWICK_STATIC_PROGRAM "Link the terminal program statically on Linux" ON)

# tarnwick_add_program(<name> <com-prefix> <port-links-dir>)
# The terminal program built as <name>. On platforms without the system's
# own communications API, COM<n> opens <port-links-dir>/com<n> where that
# exists, and otherwise <com-prefix> followed by n-1.
function(tarnwick_add_program name com_prefix port_links_dir)
  add_executable(${name} ${PROJECT_SOURCE_DIR}/terminal/main.cpp)
  target_link_libraries(${name} PRIVATE tarnwick_terminal tarnwick_platform)
  tarnwick_warnings(${name})
  if(NOT WIN32)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/posix/com_prefix.cpp)
    target_compile_definitions(${name} PRIVATE TARNWICK_COM_PREFIX="${com_prefix}"
                                                TARNWICK_PORT_LINKS_DIR="${port_links_dir}")
    if(TARNWICK_STATIC_PROGRAM AND NOT TARNWICK_SANITIZE)
      target_link_options(${name} PRIVATE -static)
    endif()
  endif()
endfunction()
