#!/usr/bin/env bash
# Every folder includes only downward: a folder may include the folders
# listed after it, never one above it. Prints each include that breaks this.
# "folder/*.h" forbids the headers directly in a folder, not its subfolders'.
set -u -f
cd "$1"
# folder: the project folders it must not include
rules=(
  "host: plugin export sim platform lottie"
  "platform: plugin export host sim lottie"
  "export: plugin sim lottie"
  "plugin: sim lottie"
  "lottie: plugin sim web"
  "web: plugin sim/scene sim/host sim/session sim/validate sim/program"
  "sim/scene: sim/settings sim/host sim/session sim/validate sim/program plugin export lottie"
  "sim/settings: sim/scene sim/host sim/session sim/validate sim/program plugin export host platform lottie"
  "sim/host: sim/settings sim/session sim/validate sim/program plugin export lottie"
  "sim/session: sim/validate sim/program plugin export lottie web"
  "sim/validate: sim/program plugin export lottie web"
  "sim/validate/checks: sim/validate/*.h"
  "sim/program: export web"
)
status=0
for rule in "${rules[@]}"; do
  folder=${rule%%:*}
  for forbidden in ${rule#*:}; do
    pattern="#include \"$forbidden/"
    [[ $forbidden == */\*.h ]] && pattern="#include \"${forbidden%\*.h}[^/\"]+\.h\""
    if grep -rnE "$pattern" "$folder" --include=*.h --include=*.cpp; then
      echo "^ $folder must not include $forbidden/" >&2
      status=1
    fi
  done
done
exit $status
