#!/usr/bin/env bash
# Installs what is missing, builds and starts Morvena's main program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh release
bin=build/release/bin
if [[ -x $bin/Morvena ]]; then
  exec "$bin/Morvena" "$@"
elif [[ -x $bin/mrvtool ]]; then
  if (($# == 0)); then
    "$bin/mrvtool" || true   # without a command it shows its usage
  else
    exec "$bin/mrvtool" "$@"
  fi
else
  echo "Compilati:"
  find build/release -maxdepth 3 \( -name '*.a' -o -path '*/bin/*' \) -type f -printf '  %P\n' | sort
fi
