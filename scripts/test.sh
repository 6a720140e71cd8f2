#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test. Extra arguments go to ctest (for example: -L unit, -R Pack).
# Without a display the tests run inside one virtual X server: the viewer's widget tests
# need one, and Qt's offscreen platform makes no OpenGL contexts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh asan
export EGL_PLATFORM=surfaceless
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 2560x1600x24" ctest --preset asan "$@"
fi
exec ctest --preset asan "$@"
