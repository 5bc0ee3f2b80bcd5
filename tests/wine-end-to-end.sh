#!/usr/bin/env bash
# The real module under Wine, as a user installs it (stripped): tarnwick-sim.exe
# loads rask9_Tarnwick.aex through its property list and plays every example
# scene. The clipboard text
# must equal the recorded text byte for byte and load in the Lua harness.
set -u
build=$1
source=$2
module="$build/installed/Plug-ins/rask9_Tarnwick.aex"
status=0
for scene in "$source"/examples/*.json; do
  expected="${scene%.json}.expected.txt"
  got=$(mktemp)
  if ! "$source/tools/wine-run" "$build/sim/tarnwick-sim.exe" "$scene" --module "$module" >"$got" 2>/dev/null; then
    echo "FAIL $scene: tarnwick-sim.exe failed"; status=1
  elif ! cmp -s "$got" "$expected"; then
    echo "FAIL $scene: clipboard differs from $expected"; status=1
  elif ! lua5.4 "$source/tests/fusion_harness.lua" "$got" >/dev/null; then
    echo "FAIL $scene: does not load in the harness"; status=1
  else
    echo "ok   $scene"
  fi
  rm -f "$got"
done
exit $status
