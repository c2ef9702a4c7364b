#!/usr/bin/env bash
# Starts the program in an empty folder, ends it with SIGTERM after a few
# seconds and expects a clean exit: code 0, the three record files, no Temp.
set -u
binary=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
HOME="$dir/home" timeout --preserve-status -s TERM 10 "$binary"
rc=$?
fail=0
[ "$rc" -eq 0 ] || { echo "exit code $rc, expected 0"; fail=1; }
for f in mapdata.dat somdata.dat sharedfiles.dat; do
  [ -f "$f" ] || { echo "missing $f"; fail=1; }
done
[ ! -e Temp ] || { echo "Temp was left behind"; fail=1; }
[ ! -e Quorvel.ini ] || { echo "a settings file was written before any save"; fail=1; }
exit $fail
