#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`: Clang, ASan+UBSan, libFuzzer) and runs
# each on its seed corpus for the given number of seconds, then prints per target
# the executions, executions per second and the coverage gained. Fails when any
# target finds a crash, a leak, undefined behaviour or an input that hangs.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
# MORVENA_FUZZ_PARALLEL sets how many targets run at once (default: half the cores).
# What a run adds to a corpus stays in build/fuzz/corpus/<target>; failing inputs
# land in build/fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "Uso: scripts/fuzz.sh [secondi per bersaglio] [bersaglio...]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
if (($# > 0)); then
  targets=("$@")
else
  mapfile -t targets < <(sed -n 's/^morvena_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' Tests/Fuzz/CMakeLists.txt)
fi
parallel=${MORVENA_FUZZ_PARALLEL:-$((($(nproc) + 1) / 2))}

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/Tests/lsan.supp:print_suppressions=0

run_target() {
  local name=$1 corpus=$build/corpus/$1 artifacts=$build/artifacts/$1
  local dict=Tests/Fuzz/Dictionaries/$1.dict options=()
  mkdir -p "$corpus" "$artifacts"
  [[ -f $dict ]] && options+=("-dict=$dict")
  "$build/bin/$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${options[@]}" "$corpus" "Tests/Fuzz/Corpus/$name" \
    >"$build/logs/$name.log" 2>&1
}

for name in "${targets[@]}"; do
  if [[ ! -x $build/bin/$name ]]; then
    echo "Bersaglio di fuzzing sconosciuto: $name" >&2
    exit 2
  fi
  if [[ ! -d Tests/Fuzz/Corpus/$name ]]; then
    echo "ERRORE: manca il corpus di partenza Tests/Fuzz/Corpus/$name (alcuni file validi del formato)." >&2
    exit 2
  fi
done

mkdir -p "$build/logs"
for name in "${targets[@]}"; do rm -f "$build/logs/$name.status" "$build/logs/$name.log"; done
running=0
for name in "${targets[@]}"; do
  if ((running >= parallel)); then
    wait -n || true
    running=$((running - 1))
  fi
  (run_target "$name" && echo 0 >"$build/logs/$name.status" || echo $? >"$build/logs/$name.status") &
  running=$((running + 1))
done
wait

stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -1; }
coverage() { sed -n "s/.*$1 *cov: \([0-9]*\).*/\1/p" "$2" | head -1; }
failed=()
printf '%-28s %12s %9s %10s %8s %8s\n' bersaglio esecuzioni esec/s copertura "+archi" "+input"
for name in "${targets[@]}"; do
  log=$build/logs/$name.log
  start=$(coverage INITED "$log")
  end=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
  printf '%-28s %12s %9s %10s %8s %8s\n' "$name" "$(stat number_of_executed_units "$log")" \
    "$(stat average_exec_per_sec "$log")" "${end:-?}" "$((${end:-0} - ${start:-0}))" \
    "$(stat new_units_added "$log")"
  [[ $(cat "$build/logs/$name.status") == 0 ]] || failed+=("$name")
done

if ((${#failed[@]})); then
  for name in "${failed[@]}"; do
    echo >&2
    echo "ERRORE: il fuzzer $name ha trovato un input che fa fallire il lettore." >&2
    echo "Input salvati in $build/artifacts/$name/, registro completo in $build/logs/$name.log:" >&2
    grep -E 'ERROR|SUMMARY|runtime error|deadly signal|Test unit written' "$build/logs/$name.log" | head -20 >&2 || true
  done
  exit 1
fi
