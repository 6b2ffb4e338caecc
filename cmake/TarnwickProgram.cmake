# On Linux the program links dynamically and needs only the C library: its
# code is built without what would call into the C++ runtime library, and
# it links only the libraries it uses. Linked statically it is one file to
# copy to a machine that lacks the C library's version it was built with.
# Sanitizer builds link the C++ runtime library anyway, and keep RTTI,
# which UndefinedBehaviorSanitizer's checks of virtual calls read.
option(TARNWICK_STATIC_PROGRAM "Link the terminal program statically on Linux" OFF)

if(WIN32 OR TARNWICK_SANITIZE)
  set(tarnwick_runtime_free_options)
else()
  # No exceptions (their unwinding and personality routine), no type
  # information (a class with virtual functions would refer to the
  # runtime's) and no locks around function-local statics: the program
  # runs on one thread.
  set(tarnwick_runtime_free_options -fno-exceptions -fno-rtti -fno-threadsafe-statics)
endif()

# tarnwick_runtime_free(<target>)
# Builds a library that the program is made of so that it calls nothing in
# the C++ runtime library.
function(tarnwick_runtime_free target)
  target_compile_options(${target} PRIVATE ${tarnwick_runtime_free_options})
endfunction()

# tarnwick_add_program(<name> <setting>...)
# The terminal program built as <name>. On platforms without the system's
# own communications API, the settings are given to tarnwick_program_settings.
function(tarnwick_add_program name)
  add_executable(${name})
  target_link_libraries(${name} PRIVATE tarnwick_main tarnwick_platform)
  if(WIN32)
    return()
  endif()
  tarnwick_program_settings(${name}_settings ${ARGN})
  target_link_libraries(${name} PRIVATE ${name}_settings)
  if(NOT TARNWICK_SANITIZE)
    target_link_libraries(${name} PRIVATE tarnwick_operator_delete)
  endif()
  if(TARNWICK_STATIC_PROGRAM AND NOT TARNWICK_SANITIZE)
    target_link_options(${name} PRIVATE -static)
  endif()
  # The compiler names the C++ runtime library on the link line; without
  # this some linkers record it as needed though nothing uses it (Debian's
  # GCC passes it on its own).
  target_link_options(${name} PRIVATE -Wl,--as-needed)
  # Debian leaves the compiler's version notes out of its programs.
  add_custom_command(TARGET ${name} POST_BUILD
                     COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:${name}>)
endfunction()
