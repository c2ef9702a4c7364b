#!/usr/bin/env bash
# The layers as the linker sees them: no library of a layer leaves a symbol
# undefined that only a library of a layer above it defines. The build
# links each layer to the ones below only, so such a call breaks the link
# of whatever uses that layer alone; this names the offending call.
#   layers_link_test.sh LIB...   the layer libraries, bottom first
set -u
[ $# -ge 1 ] || { echo "usage: layers_link_test.sh LIB..." >&2; exit 2; }
libs=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for i in "${!libs[@]}"; do
    [ -f "${libs[$i]}" ] || { echo "no library ${libs[$i]}" >&2; exit 2; }
    # Mangled names have no blanks: the first field is the whole name.
    nm --defined-only --format=posix "${libs[$i]}" |
        awk '$2 ~ /^[TDBR]$/ { print $1 }' | sort -u >"$tmp/defined.$i"
    nm --undefined-only --format=posix "${libs[$i]}" |
        awk '$2 == "U" { print $1 }' | sort -u >"$tmp/undefined.$i"
done

bad=0
for i in "${!libs[@]}"; do
    for ((j = i + 1; j < ${#libs[@]}; j++)); do
        while IFS= read -r symbol; do
            [ -n "$symbol" ] || continue
            echo "$(basename "${libs[$i]}") calls $(c++filt "$symbol") of" \
                "$(basename "${libs[$j]}"), a layer above it" >&2
            bad=1
        done < <(comm -12 "$tmp/undefined.$i" "$tmp/defined.$j")
    done
done
[ "$bad" -eq 0 ] && echo "no layer library calls a layer above it (${#libs[@]} libraries)"
exit "$bad"
