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
  # The sanitizer settings, linked into every target defined after this, so
  # that they hold however a program is started.
  add_library(tarnwick_sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_options.cpp)
  link_libraries(tarnwick_sanitizer_options)
endif()
