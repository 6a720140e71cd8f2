#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test. Extra arguments go to ctest (for example: -L unit, -R Pack).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh asan
export EGL_PLATFORM=surfaceless
ctest --preset asan "$@"
