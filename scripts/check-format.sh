#!/usr/bin/env bash
# Checks that every C++ source and header is formatted as the project's
# .clang-format says; changes nothing. Lists the files that differ and how to
# fix them, and fails when there is any.
# Usage: scripts/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "ERRORE: clang-format non è installato (scripts/setup.sh lo installa)." >&2
  exit 2
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
  mapfile -t files < <(find Sources Tests -name '*.cpp' -o -name '*.h')
fi
mapfile -t differing < <(printf '%s\0' "${files[@]}" | xargs -0 -r -P "$(nproc)" -n 16 clang-format --dry-run 2>&1 \
  | sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if ((${#differing[@]})); then
  echo "ERRORE: ${#differing[@]} file non rispettano .clang-format:" >&2
  printf '  %s\n' "${differing[@]}" >&2
  echo "Per correggerli: clang-format -i ${differing[*]}" >&2
  exit 1
fi
echo "Formattazione conforme a .clang-format (${#files[@]} file)."
