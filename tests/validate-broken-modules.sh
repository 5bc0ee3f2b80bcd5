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
exit $status
