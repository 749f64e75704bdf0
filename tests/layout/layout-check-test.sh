#!/usr/bin/env bash
# check-layout.sh on planted files: an 80-line function and an 800-line file
# pass, an 81-line function, an 801-line file and a misformatted file fail
# with the offender named; then on the repository's own tree, which passes.
set -uo pipefail
root=$1
check=$root/scripts/check-layout.sh
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FALHOU: $*"; failures=$((failures + 1)); }

# What precedes the function: scopes, a brace initializer, braces inside a
# raw string and a character literal, a lambda, an inline member.
preamble() {
  cat <<'CPP'
#include <vector>
namespace planted {
const std::vector<std::vector<int>> table{{1, 2}, {3}};
const char *text = R"({ not { a block)";
const char brace = '{';
struct Planted {
    int inlineOne() const { return brace == '}' ? 1 : 0; }
    int longOne() const;
};
CPP
}
# A function of $1 lines, from its name to its closing brace.
function_of() {
  echo 'int Planted::longOne() const'
  echo '{'
  echo '    auto add = [](int n) { return n + 1; };'
  for ((i = 0; i < $1 - 5; ++i)); do echo '    int n = add(0);'; done
  echo '    return add(0);'
  echo '}'
  echo '} // namespace planted'
}
expect() { # expect pass|fail FILE [TEXT...]
  local want=$1 file=$2
  shift 2
  out=$("$check" "$file" 2>&1)
  local rc=$?
  if [ "$want" = pass ] && [ $rc -ne 0 ]; then fail "$file devia passar: $out"; fi
  if [ "$want" = fail ] && [ $rc -eq 0 ]; then fail "$file devia ser recusado"; fi
  for text in "$@"; do
    grep -qF -- "$text" <<<"$out" || fail "$file: a saída não diz '$text': $out"
  done
}
format() { clang-format -i --style="file:$root/.clang-format" "$1"; }

{ preamble; function_of 80; } >"$dir/eighty.cpp" && format "$dir/eighty.cpp"
expect pass "$dir/eighty.cpp"
{ preamble; function_of 81; } >"$dir/long.cpp" && format "$dir/long.cpp"
line=$(grep -n 'Planted::longOne() const$' "$dir/long.cpp" | cut -d: -f1)
expect fail "$dir/long.cpp" "long.cpp:$line:" "Planted::longOne tem 81 linhas"

for n in 800 801; do
  for ((i = 1; i <= n; ++i)); do echo "int v$i = $i;"; done >"$dir/lines$n.h"
done
expect pass "$dir/lines800.h"
expect fail "$dir/lines801.h" "lines801.h:801:" "801 linhas"

printf 'int  misformatted( ){return 1;}\n' >"$dir/misformatted.cpp"
expect fail "$dir/misformatted.cpp" "misformatted.cpp:1:" "clang-format"

out=$("$check" 2>&1) || fail "a árvore do repositório foi recusada: $out"
[ $failures -eq 0 ] && echo "check-layout: todos os casos conferem"
exit $((failures > 0))
