# A dynamically linked program has the C library's shared pages in its
# resident set (over 1 MB); linked statically it needs well under 1 MB.
# Sanitizer and valgrind builds want it dynamic.
option(TARNWICK_STATIC_PROGRAM "Link the terminal program statically on Linux" ON)

# tarnwick_add_program(<name> <com-prefix> <port-links-dir>)
# The terminal program built as <name>. On platforms without the system's
# own communications API, its ports are named by tarnwick_port_names.
function(tarnwick_add_program name com_prefix port_links_dir)
  add_executable(${name})
  target_link_libraries(${name} PRIVATE tarnwick_main tarnwick_platform)
  if(NOT WIN32)
    tarnwick_port_names(${name}_port_names "${com_prefix}" "${port_links_dir}")
    target_link_libraries(${name} PRIVATE ${name}_port_names)
    if(TARNWICK_STATIC_PROGRAM AND NOT TARNWICK_SANITIZE)
      target_link_options(${name} PRIVATE -static)
    endif()
  endif()
endfunction()
