# tarnwick_add_program(<name> <com-prefix>)
# The terminal program built as <name>. On platforms without the system's
# own communications API, COM<n> opens <com-prefix> followed by n-1.
function(tarnwick_add_program name com_prefix)
  add_executable(${name} ${PROJECT_SOURCE_DIR}/terminal/main.cpp)
  target_link_libraries(${name} PRIVATE tarnwick_terminal tarnwick_platform)
  tarnwick_warnings(${name})
  if(NOT WIN32)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/posix/com_prefix.cpp)
    target_compile_definitions(${name} PRIVATE TARNWICK_COM_PREFIX="${com_prefix}")
  endif()
endfunction()
