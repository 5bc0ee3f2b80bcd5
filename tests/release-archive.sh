#!/usr/bin/env bash
# The release archive made from this build tree, as tools/dev package makes
# it (into a scratch folder here), checked as a user receives it.
set -euo pipefail
build=$(realpath "$1")
source=$2
out="$build/release-archive"
rm -rf "$out"
(cd "$build" && cpack -G ZIP --config CPackConfig.cmake -B "$out" >/dev/null)
archive=$(ls "$out"/Tarnwick-*-win64.zip)
"$source/tools/check-package" "$archive" "$build/plugin/stripped/rask9_Tarnwick.aex" \
  "$(cat "$build/source-date-epoch")"
