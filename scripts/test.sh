#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test. Without arguments it is the whole of CI: it also checks the
# formatting, builds the release preset with the benchmarks and warnings as errors,
# and runs every fuzz target for a short time (MORVENA_FUZZ_SECONDS, default 20).
# Extra arguments go to ctest alone (for example: -L unit, -R Pack) and skip the rest.
set -euo pipefail
cd "$(dirname "$0")/.."

steps=()
step() {
  local name=$1 start=$SECONDS
  shift
  echo "==> $name"
  if ! "$@"; then
    echo "ERRORE: passo non riuscito: $name" >&2
    exit 1
  fi
  steps+=("$(printf '%-44s %5d s' "$name" $((SECONDS - start)))")
}

strict_release() {
  cmake --preset release -DMORVENA_BENCHMARKS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build --preset release
  if ! compgen -G 'build/release/bin/*Benchmark*' >/dev/null; then
    echo "ERRORE: i benchmark non sono stati compilati (manca libbenchmark-dev?)." >&2
    return 1
  fi
}

# Without a display the tests run inside one virtual X server: the viewer's widget tests
# need one, and Qt's offscreen platform makes no OpenGL contexts. -noreset keeps the server
# from resetting whenever its last client leaves: tests run in parallel, and one that
# connects during such a reset fails to open the display.
run_tests() {
  export EGL_PLATFORM=surfaceless
  if [[ -z ${DISPLAY:-} ]]; then
    xvfb-run -a -s "-noreset -screen 0 2560x1600x24" ctest --preset asan "$@"
  else
    ctest --preset asan "$@"
  fi
}

step "dipendenze e build ASan+UBSan" scripts/setup.sh asan
if (($# > 0)); then
  run_tests "$@"
  exit
fi
step "formattazione (.clang-format)" scripts/check-format.sh
step "test (ctest, ASan+UBSan)" run_tests
step "build release, benchmark, avvisi come errori" strict_release
# Nothing else runs by then: every core fuzzes.
export MORVENA_FUZZ_PARALLEL=${MORVENA_FUZZ_PARALLEL:-$(nproc)}
step "fuzzing (${MORVENA_FUZZ_SECONDS:-20} s per bersaglio)" scripts/fuzz.sh "${MORVENA_FUZZ_SECONDS:-20}"
echo
echo "Tempi:"
printf '  %s\n' "${steps[@]}"
echo "  totale $SECONDS s"
