#!/usr/bin/env bash
# The layout the repository keeps: every C++ file as clang-format writes it
# (the .clang-format at the top), no source file over 800 lines and no
# function over 80 (check-sizes.py). With no FILE, every tracked *.cpp and
# *.h. Each offender is named; the status is 1 when there is one.
#   check-layout.sh [FILE...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
  mapfile -t files < <(git -C "$root" ls-files '*.cpp' '*.h' | sed "s|^|$root/|")
else
  files=("$@")
fi
# No file at all (no git checkout): clang-format would wait on its input.
if [ ${#files[@]} -eq 0 ]; then
  echo "check-layout: nenhum arquivo C++ a conferir (fora de um checkout do git?)" >&2
  exit 1
fi
status=0
if ! clang-format --dry-run --Werror --style="file:$root/.clang-format" "${files[@]}"; then
  echo "check-layout: arquivos fora do formato do clang-format (acima); corrija com clang-format -i" >&2
  status=1
fi
python3 "$root/scripts/check-sizes.py" "${files[@]}" || status=1
exit $status
