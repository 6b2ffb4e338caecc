# Optimised builds link with interprocedural optimisation where the compiler
# supports it: a flood crosses the console, port and terminal code once per
# byte, each call into another source file, which only this lets the
# compiler inline. Sanitizer builds go without, as their checks would.
if(TARNWICK_SANITIZE)
  return()
endif()
include(CheckIPOSupported)
check_ipo_supported(RESULT tarnwick_ipo OUTPUT why LANGUAGES CXX)
if(NOT tarnwick_ipo)
  string(REPLACE "\n" " " why "${why}")
  message(STATUS "Interprocedural optimisation is not supported here, so optimised builds go without: ${why}")
  return()
endif()
foreach(config RELEASE RELWITHDEBINFO MINSIZEREL)
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_${config} ON)
endforeach()
