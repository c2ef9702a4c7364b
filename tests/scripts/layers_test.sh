#!/usr/bin/env bash
# The source folders are layers: a file includes headers of its own folder
# and of the folders this table allows, never of a folder above or beside.
#   layers_test.sh SRC_DIR
set -u
src=${1:?usage: layers_test.sh SRC_DIR}

declare -A allowed=(
    [platform]="platform"
    [archive]="platform archive"
    [core]="platform archive core"
    [intake]="platform archive core intake"
    [install]="platform archive core intake install"
    [cache]="platform archive core intake install cache"
    [gui]="platform archive core intake install cache gui"
    [cli]="platform archive core intake install cache cli"
)
layers="${!allowed[*]}"

bad=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    from=${rel%%/*}
    [ "$from" = "$rel" ] && from=gui # main.cpp sits on top of the window
    if [ -z "${allowed[$from]+x}" ]; then
        echo "$rel: folder '$from' is not a known layer" >&2
        bad=1
        continue
    fi
    while IFS=: read -r line inc; do
        to=${inc%%/*}
        [[ " $layers " == *" $to "* ]] || continue # a Qt or system header
        if [[ " ${allowed[$from]} " != *" $to "* ]]; then
            echo "$rel:$line includes $inc: $from may not include $to" >&2
            bad=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
done < <(find "$src" -name '*.cpp' -print0 -o -name '*.h' -print0)

[ "$bad" -eq 0 ] && echo "every include points down or within its layer"
exit "$bad"
