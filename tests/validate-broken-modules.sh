#!/usr/bin/env bash
# The validator on modules broken on purpose: each is reported with the check
# that failed named, the other checks still report, and the validator itself
# exits 1 without crashing.
set -u
build=$1
source=$2
status=0
validate() {
  local module=$1
  shift
  "$source/tools/wine-run" "$build/sim/tarnwick-sim.exe" validate --module "$module" "$@" 2>&1
}
# expect NAME EXIT OUTPUT PATTERN...: the run exited so and printed a line
# matching each pattern.
expect() {
  local name=$1 want=$2 got=$3 output=$4
  shift 4
  if [ "$got" -ne "$want" ]; then
    echo "FAIL $name: exit $got, not $want"$'\n'"$output"
    status=1
    return
  fi
  for pattern in "$@"; do
    if ! grep -Eq "$pattern" <<<"$output"; then
      echo "FAIL $name: no line matching $pattern"$'\n'"$output"
      status=1
      return
    fi
  done
  echo "ok   $name"
}

modules="$build/tests/modules"
output=$(validate "$modules/fake_without_export.aex" --check module-file --check registration)
expect "a property list naming a missing function" 1 $? "$output" \
  "^module-file +fail .*does not export EntryPointFunc" \
  "^registration +fail .*does not export its entry point EntryPointFunc"

output=$(validate "$modules/fake_crashing_entry.aex" --check registration --check examples \
  --check module-file)
expect "an entry point that crashes" 1 $? "$output" \
  "^registration +crash .*exception 0xC0000005" "^examples +crash .*exception 0xC0000005" \
  "^module-file +fail " "^3 checks: 0 passed, 1 failed, 2 crashed"

output=$(validate "$modules/fake_hanging_entry.aex" --check registration --check module-file \
  --time-limit 5)
expect "an entry point that never returns" 1 $? "$output" \
  "^registration +timeout .*past its limit of 5.00 s" "^module-file +fail "
# A relative --module names the file in the current folder, not the one
# Windows would find beside the program: a good module named while a broken
# one lies beside the program passes, and the reverse fails.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
good="$build/installed/Plug-ins/rask9_Tarnwick.aex"
broken="$modules/fake_crashing_entry.aex"
mkdir -p "$scratch/program" "$scratch/here"
cp "$build/sim/tarnwick-sim.exe" "$scratch/program/"
relative() {
  cp "$1" "$scratch/program/rask9_Tarnwick.aex"
  cp "$2" "$scratch/here/rask9_Tarnwick.aex"
  (cd "$scratch/here" && "$source/tools/wine-run" "$scratch/program/tarnwick-sim.exe" validate \
    --module rask9_Tarnwick.aex --check registration 2>&1)
}
output=$(relative "$broken" "$good")
expect "a good module named, a broken one beside the program" 0 $? "$output" \
  '^module .*here.rask9_Tarnwick\.aex' "^registration +pass "
output=$(relative "$good" "$broken")
expect "a broken module named, a good one beside the program" 1 $? "$output" \
  '^module .*here.rask9_Tarnwick\.aex' "^registration +crash "
output=$(cd "$scratch/here" && "$source/tools/wine-run" "$scratch/program/tarnwick-sim.exe" \
  validate --module missing.aex 2>&1)
expect "a module file that is not there" 2 $? "$output" "missing\.aex: no such module file"
exit $status
