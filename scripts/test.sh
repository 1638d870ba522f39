#!/usr/bin/env bash
# Sets up, builds, starts the services the tests use, and runs every test.
#   scripts/test.sh --sanitize   the same in build-asan/, built with AddressSanitizer and
#                                UndefinedBehaviorSanitizer; any finding, in the tests or in a
#                                program they start, fails the run
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  options=(-DQUORVA_SANITIZE=ON)
fi
bash scripts/setup.sh
bash scripts/build.sh "$dir" "${options[@]}"
if [ -f scripts/test-services.sh ]; then bash scripts/test-services.sh; fi
if [ "$dir" = build ]; then
  ctest --test-dir build --output-on-failure -j2
  exit 0
fi

# Findings go to files as well as to stderr: a program that a test starts and then kills, or
# whose exit code the test does not look at, still leaves its report behind.
logs="$(pwd)/$dir/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="log_path=$logs/asan:check_initialization_order=1"
export UBSAN_OPTIONS="log_path=$logs/ubsan:print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
status=0
ctest --test-dir "$dir" --output-on-failure -j2 || status=$?
if compgen -G "$logs/*" >/dev/null; then
  echo "test.sh: sanitizer findings:"
  cat "$logs"/*
  status=1
fi
exit $status
