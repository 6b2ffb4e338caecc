// Default settings of the sanitizer runtime, linked into every executable of
// a TARNWICK_SANITIZE build; ASAN_OPTIONS and UBSAN_OPTIONS still override
// them. Findings end the process with status 86, because the program's own
// status 1 (port not opened) is an outcome the tests expect.
extern "C" const char* __asan_default_options() {
    return "exitcode=86:detect_stack_use_after_return=1:check_initialization_order=1"
           ":strict_init_order=1:strict_string_checks=1";
}

extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }
