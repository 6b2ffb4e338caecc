# TARNWICK_SANITIZE: every target built with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang only), plus libFuzzer's coverage
# instrumentation so that the fuzz targets in tests/fuzz/ learn from the code
# they drive. Any finding ends the process at once with status 86 (see
# sanitizer_options.cpp), which no test accepts from the program.
option(TARNWICK_SANITIZE
       "Build with AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets (clang)" OFF)

if(TARNWICK_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR
            "TARNWICK_SANITIZE needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Builds the sanitizer settings (sanitizer_options.cpp) into every executable
# defined in dir and below it, so that they hold however a program is started.
function(tarnwick_add_sanitizer_options dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/sanitizer_options.cpp)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    tarnwick_add_sanitizer_options(${subdirectory})
  endforeach()
endfunction()
