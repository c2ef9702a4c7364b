#!/usr/bin/env bash
# The source folders are layers: a file includes headers of its own folder
# and of the folders this table allows, never of a folder above or beside.
# Every include form counts: "layer/x.h", <layer/x.h>, and a relative
# "../layer/x.h" or "x.h" (resolved against the including file's folder).
#   layers_test.sh SRC_DIR
set -u
src=${1:?usage: layers_test.sh SRC_DIR}
src=$(cd "$src" && pwd)

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

# Sets `to` to the layer a written include names, or empty for a Qt or
# system header. A name with "./" or "../" parts is taken relative to the
# including file; a bare name may be a header beside it.
layer_of() {
    local dir=$1 inc=$2 path
    if [[ $inc == ./* || $inc == ../* || $inc == */../* || $inc == */./* ]]; then
        path=$(realpath -m "$src/$dir/$inc")
        [[ $path == "$src"/* ]] || { to=; return; }
        path=${path#"$src"/}
    elif [[ $inc != */* && -e $src/$dir/$inc ]]; then
        path=$dir/$inc
    else
        path=$inc
    fi
    to=${path%%/*}
    [[ " $layers " == *" $to "* ]] || to=
}

bad=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    from=${rel%%/*}
    dir=$(dirname "$rel")
    [ "$from" = "$rel" ] && { from=gui; dir=.; } # main.cpp sits on top of the window
    if [ -z "${allowed[$from]+x}" ]; then
        echo "$rel: folder '$from' is not a known layer" >&2
        bad=1
        continue
    fi
    while IFS=: read -r line inc; do
        layer_of "$dir" "$inc"
        [ -n "$to" ] || continue
        if [[ " ${allowed[$from]} " != *" $to "* ]]; then
            echo "$rel:$line includes $inc: $from may not include $to" >&2
            bad=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$file" |
        sed -E 's/^([0-9]+):[^"<]*["<]([^">]+)[">].*/\1:\2/')
done < <(find "$src" -name '*.cpp' -print0 -o -name '*.h' -print0)

[ "$bad" -eq 0 ] && echo "every include points down or within its layer"
exit "$bad"
