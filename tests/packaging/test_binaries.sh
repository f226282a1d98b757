#!/bin/sh
# Usage: test_binaries.sh PROGRAM MODULE CORE
# The program runs without Qt's GUI libraries, and the core's code is
# defined once: in the core library, which the program and the window module
# both load, and in neither of them.
set -eu
program=$1 module=$2 core=$3
fail() { echo "$*" >&2; exit 1; }

needed=$(readelf -d "$program" | grep NEEDED)
case $needed in *Qt6Gui* | *Qt6Widgets*) fail "the program needs a GUI library: $needed" ;; esac
for binary in "$program" "$module"; do
  readelf -d "$binary" | grep -q 'NEEDED.*\[libtobrell-core.so\]' || fail "$binary does not load the core library"
done

nm -D --defined-only "$core" | awk '$2 == "T" { print $3 }' | sort -u >"${TMPDIR:-/tmp}/core.$$"
[ -s "${TMPDIR:-/tmp}/core.$$" ] || fail "the core library defines no function"
twice=$(nm --defined-only "$program" "$module" | awk '$2 ~ /^[Tt]$/ { print $3 }' | sort -u |
  comm -12 "${TMPDIR:-/tmp}/core.$$" -)
rm -f "${TMPDIR:-/tmp}/core.$$"
[ -z "$twice" ] || fail "the core's code is also defined outside the core library: $(echo "$twice" | head -n 5)"
