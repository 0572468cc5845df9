#!/usr/bin/env bash
# Runs one test program of a sanitizer build, as CTest's launcher.
#
# LeakSanitizer looks for leaks as the program ends, from a tracer that stops every thread; now and
# then that tracer itself crashes ("Tracer caught signal 11", "LeakSanitizer has encountered a fatal
# error") after every test has passed, while threads of the libraries the program loaded are ending.
# That is the checker failing, not the program: such a run is repeated once. Any other outcome,
# a leak found included, is the program's own and stands.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
  # Through a pipe, as CTest runs a program itself: the program sees the same kind of output.
  "$@" 2>&1 | tee "$out"
  status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ] && [ "$attempt" -eq 1 ] &&
    grep -q "LeakSanitizer has encountered a fatal error" "$out" &&
    ! grep -q "ERROR: LeakSanitizer: detected memory leaks" "$out" &&
    ! grep -qE "^\[  FAILED  \]" "$out"; then
    echo "sanitizer-run: the leak checker's tracer failed after the program ran; running it once more"
    continue
  fi
  exit "$status"
done
