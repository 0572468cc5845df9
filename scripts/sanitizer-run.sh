#!/usr/bin/env bash
# Runs one test program of the address-sanitizer build, as CTest's launcher.
#
# LeakSanitizer looks for leaks as the program ends, from a tracer that stops every thread and reads
# their memory, thread-local blocks included. GCC 12's runtime mistakes some blocks of dynamically
# loaded libraries' thread-local storage for blocks of a glibc older than 2.25 and reads an address
# out of their contents; the tracer then crashes ("Tracer caught signal 11", "LeakSanitizer has
# encountered a fatal error") after every test has passed, more often the busier the machine.
# intercept_tls_get_addr=0 stops that tracking: the checker no longer reads those blocks as roots,
# which could only add a leak report, never hide one. The programs a test starts inherit it.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
exec "$@"
