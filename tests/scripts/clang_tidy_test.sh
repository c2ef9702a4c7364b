#!/usr/bin/env bash
# The checks of the repository's .clang-tidy over the sources of the given
# folders, as the build compiles them; any finding fails.
#   clang_tidy_test.sh CLANG_TIDY BUILD_DIR SRC_DIR FOLDER...
# The build's compile database names gcc's precompiled headers, which clang
# cannot read: a copy without them is used, so each file is checked with
# exactly the includes it names itself.
set -u
[ $# -ge 4 ] || { echo "usage: clang_tidy_test.sh CLANG_TIDY BUILD_DIR SRC_DIR FOLDER..." >&2; exit 2; }
tidy=$1 build=$2 src=$3
shift 3
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sed -E 's/ -Winvalid-pch//g; s/ -include [^ "]*cmake_pch\.hxx//g' \
  "$build/compile_commands.json" >"$tmp/compile_commands.json"

files=() unity=()
for folder in "$@"; do
  for f in "$src/$folder"/*.cpp; do
    [ -e "$f" ] || continue
    # Only what the build compiles (a program's main of its own included):
    # the file itself, or the batch of a unity build that includes it.
    if grep -qF "\"file\": \"$f\"" "$tmp/compile_commands.json"; then
      files+=("$f")
    else
      batch=$(grep -lF "#include \"$f\"" "$build"/src/CMakeFiles/*/Unity/unity_*_cxx.cxx 2>/dev/null | head -n 1)
      [ -n "$batch" ] && unity+=("$batch")
    fi
  done
done
if [ ${#unity[@]} -gt 0 ]; then
  mapfile -t unity < <(printf '%s\n' "${unity[@]}" | sort -u)
fi
# The batches of the folders checked are read as one unit, with the
# command of the first (the batches of a folder share their flags): Qt's
# headers are then walked once, not once a batch. So two files of a folder
# may not both have a private helper of one name.
if [ ${#unity[@]} -gt 1 ]; then
  whole="$tmp/whole.cxx"
  printf '#include "%s"\n' "${unity[@]}" >"$whole"
  first=$(grep -F -- "-c ${unity[0]}\"" "$tmp/compile_commands.json" | head -n 1)
  [ -n "$first" ] || { echo "no command for ${unity[0]}" >&2; exit 2; }
  mkdir "$tmp/whole"
  {
    printf '[{"directory": "%s",\n' "$build"
    printf '%s\n' "${first//${unity[0]}/$whole}"
    printf '"file": "%s"}]\n' "$whole"
  } >"$tmp/whole/compile_commands.json"
  unity=("$whole")
  unity_db="$tmp/whole"
else
  unity_db="$tmp"
fi
[ $((${#files[@]} + ${#unity[@]})) -gt 0 ] || { echo "no compiled sources in $*" >&2; exit 2; }

# One clang-tidy per file or unit, as many at once as there are cores;
# each prints its findings, and the quiet summary lines are dropped. The
# unit's generated files include .cpp files by design, so that one check is
# off for them.
rc=0
if [ ${#files[@]} -gt 0 ]; then
  printf '%s\0' "${files[@]}" |
    xargs -0 -P "$(nproc)" -n 1 "$tidy" -p "$tmp" --quiet --config-file="$src/../.clang-tidy" >>"$tmp/out" 2>>"$tmp/err" || rc=$?
fi
if [ ${#unity[@]} -gt 0 ]; then
  printf '%s\0' "${unity[@]}" |
    xargs -0 -P "$(nproc)" -n 1 "$tidy" -p "$unity_db" --quiet --config-file="$src/../.clang-tidy" \
      --checks=-bugprone-suspicious-include >>"$tmp/out" 2>>"$tmp/err" || rc=$?
fi
grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|warnings? treated as errors?$' \
  "$tmp/err" >>"$tmp/out"
if [ $rc -ne 0 ] || grep -qE ': (warning|error):' "$tmp/out"; then
  cat "$tmp/out"
  echo "clang-tidy: findings in the sources of $* (see above)"
  exit 1
fi
echo "clang-tidy: $* clean (${#files[@]} files alone, ${#unity[@]} unit of batches)"
