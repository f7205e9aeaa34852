#!/bin/sh
# Installs what is missing, builds and runs every test in build/. With
# PAGEWRIGHT_SANITIZE_TESTS=1 the whole suite (corpus tests included) then
# runs again, built with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
if [ "${PAGEWRIGHT_SANITIZE_TESTS:-0}" != 0 ]; then
  BUILD_DIR=build-asan scripts/build.sh -DPAGEWRIGHT_SANITIZE=ON
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}" \
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
fi
