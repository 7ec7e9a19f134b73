# Sourced: how the AddressSanitizer/UBSan builds report, and a headless Qt and SDL for the tests.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
