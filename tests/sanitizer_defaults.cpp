// Compiled into every executable of the sanitizer build: LeakSanitizer reads its
// suppressions (leaks kept by system libraries, explained in the file) from here, so tests,
// tools and velmora itself need no environment of their own.

extern "C" const char* __lsan_default_options() {
    return "suppressions=" VELMORA_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}
