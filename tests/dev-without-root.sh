#!/usr/bin/env bash
# tools/dev on a machine where it may not install: not root, no sudo, a
# package missing. It must print the one apt-get line that would install
# what is missing and stop with status 1, building nothing.
set -u
source=$1
shims=$(mktemp -d)
trap 'rm -rf "$shims"' EXIT
# id says an ordinary user; dpkg-query knows every package but lua5.4; sudo
# asks for a password it cannot get.
cat >"$shims/id" <<'SHIM'
#!/bin/sh
[ "${1:-}" = "-u" ] && { echo 1000; exit 0; }
exec /usr/bin/id "$@"
SHIM
cat >"$shims/dpkg-query" <<'SHIM'
#!/bin/sh
for last; do :; done
[ "$last" = "lua5.4" ] && exit 1
echo "install ok installed"
SHIM
cat >"$shims/sudo" <<'SHIM'
#!/bin/sh
exit 1
SHIM
chmod +x "$shims"/*
output=$(PATH="$shims:$PATH" "$source/tools/dev" demo 2>&1)
status=$?
if [ $status -ne 1 ]; then
  echo "FAIL: exit $status, not 1"$'\n'"$output"
  exit 1
fi
if ! grep -qx "  sudo apt-get install -y lua5.4" <<<"$output"; then
  echo "FAIL: no install line for the missing package"$'\n'"$output"
  exit 1
fi
if grep -q "^==" <<<"$output"; then
  echo "FAIL: it went on to build"$'\n'"$output"
  exit 1
fi
echo "ok   not root: the apt-get line, status 1"
