#!/usr/bin/env bash
# Starts the program from an empty folder with a data folder that does not
# exist yet, ends it with SIGTERM once it has made its record files (its
# signal handler is in place before that) and expects a clean
# exit: code 0, the data folder made with the three record files and no
# Temp, and nothing written where it was started.
set -u
binary=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/start"
cd "$dir/start"
data="$dir/data folder"
HOME="$dir/home" "$binary" --data "$data" &
pid=$!
for _ in $(seq 300); do
  [ -f "$data/sharedfiles.dat" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
rc=$?
fail=0
[ "$rc" -eq 0 ] || { echo "exit code $rc, expected 0"; fail=1; }
for f in mapdata.dat somdata.dat sharedfiles.dat; do
  [ -f "$data/$f" ] || { echo "missing $f"; fail=1; }
done
[ ! -e "$data/Temp" ] || { echo "Temp was left behind"; fail=1; }
[ ! -e "$data/Quorvel.ini" ] || { echo "a settings file was written before any save"; fail=1; }
[ -z "$(ls -A "$dir/start")" ] || { echo "files were written where it started: $(ls -A "$dir/start")"; fail=1; }
[ ! -e "$dir/home/.local/share/Quorvel" ] || { echo "the default data folder was used"; fail=1; }
exit $fail
