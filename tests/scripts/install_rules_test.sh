#!/usr/bin/env bash
# Installs the build into a temporary prefix and packs it as a .deb: the
# installed layout, the desktop entry (validated and started as a launcher
# would), the metainfo, and the package's fields and contents.
#   install_rules_test.sh BUILD_DIR QUORVEL_BINARY
set -euo pipefail
build=$1
binary=$2
id=org.quorvel.quorvel
tmp=$(mktemp -d)
prefix=$tmp/prefix

# cmake --install and cpack both write install_manifest.txt into the build
# folder; put back what was there before.
manifest=$build/install_manifest.txt
[ -e "$manifest" ] && cp -p "$manifest" "$tmp/manifest.kept"
trap 'if [ -e "$tmp/manifest.kept" ]; then cp -p "$tmp/manifest.kept" "$manifest"
  else rm -f "$manifest"; fi; rm -rf "$tmp"' EXIT

fail=0
check() { # description, command...
  local what=$1
  shift
  "$@" || { echo "FAIL: $what"; fail=1; }
}

cmake --install "$build" --prefix "$prefix"
echo "installed files:"
(cd "$prefix" && find . -type f | sort)
installed=(bin/quorvel bin/quorvel-unrar share/quorvel/docs/help/index.html
  "share/applications/$id.desktop" "share/icons/hicolor/scalable/apps/$id.svg"
  "share/metainfo/$id.metainfo.xml")
for f in "${installed[@]}"; do
  check "installed $f" test -f "$prefix/$f"
done
check "bin/quorvel is the built program" cmp -s "$binary" "$prefix/bin/quorvel"
# The unrar helper, which the program looks for in its own folder.
helper=$(dirname "$binary")/quorvel-unrar
check "bin/quorvel-unrar is the built helper" cmp -s "$helper" "$prefix/bin/quorvel-unrar"

desktop=$prefix/share/applications/$id.desktop
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate" appstreamcli validate --pedantic --no-net \
  "$prefix/share/metainfo/$id.metainfo.xml"
check "Icon= names the installed icon" grep -qx "Icon=$id" "$desktop"

# The Exec value as the desktop entry rules read it: the string escape \\
# first, then arguments split at blanks, double quotes grouping, and a
# backslash inside quotes taking the next character as it is.
value=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/\\\\/\\/g')
argv=()
arg="" quoted=0 escaped=0 started=0
for ((i = 0; i < ${#value}; i++)); do
  c=${value:i:1}
  if [ "$escaped" -eq 1 ]; then
    arg+=$c escaped=0
  elif [ "$quoted" -eq 1 ]; then
    case $c in
      "\\") escaped=1 ;;
      '"') quoted=0 ;;
      *) arg+=$c ;;
    esac
  else
    case $c in
      '"') quoted=1 started=1 ;;
      ' ') [ "$started" -eq 1 ] && argv+=("$arg"); arg="" started=0 ;;
      *) arg+=$c started=1 ;;
    esac
  fi
done
[ "$started" -eq 1 ] && argv+=("$arg")
printf 'Exec runs:'
printf ' [%s]' "${argv[@]}"
echo

# Started from the launcher, Quorvel runs in its data folder, made anew
# (a blank in HOME tests the quoting).
home="$tmp/my home"
rc=0
(cd "$tmp" && env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$tmp/runtime" \
  PATH="$prefix/bin:$PATH" QT_QPA_PLATFORM=offscreen \
  timeout --preserve-status -s TERM 10 "${argv[@]}") || rc=$?
check "launcher exit code $rc is 0" test "$rc" -eq 0
for f in mapdata.dat somdata.dat sharedfiles.dat; do
  check "launcher made ~/.local/share/Quorvel/$f" test -f "$home/.local/share/Quorvel/$f"
done

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >/dev/null
debs=("$tmp"/deb/quorvel_*.deb)
check "one package made" test "${#debs[@]}" -eq 1 -a -f "${debs[0]}"
deb=${debs[0]}
dpkg-deb -f "$deb" Package Version Architecture Depends Suggests

depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*)//; s/ //g' | sort -u)
for pkg in qt6-qpa-plugins xdg-utils; do
  check "Depends has $pkg" grep -qx "$pkg" <<<"$depends"
done
# Besides those two, Depends names the package of every library the
# program and its unrar helper need and nothing else. A sanitizer build
# keeps every library named on the link line, used or not, so only the
# normal build is compared.
owner() { # library path -> Debian package (usrmerge: also under the other name)
  local real
  real=$(realpath "$1")
  { dpkg -S "$1" || dpkg -S "$real" || dpkg -S "${real#/usr}" || true; } 2>/dev/null |
    sed -n '1s/:.*//p'
}
if readelf -d "$binary" | grep -q 'NEEDED.*\[libasan\.so'; then
  echo "sanitizer build: Depends not compared with the libraries it links"
else
  expected=(qt6-qpa-plugins xdg-utils)
  for program in "$binary" "$helper"; do
    needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
    links=$(ldd "$program")
    for lib in $needed; do
      # "name => path (address)", or the loader as "path (address)"
      path=$(awk -v l="$lib" '!found && $1 == l { print $3; found = 1 }
        !found && substr($1, length($1) - length(l)) == "/" l { print $1; found = 1 }' <<<"$links")
      pkg=$(owner "$path")
      check "package of $lib ($path) for $(basename "$program") found" test -n "$pkg"
      expected+=("$pkg")
    done
  done
  want=$(printf '%s\n' "${expected[@]}" | sort -u)
  check "Depends names ${want//$'\n'/ }" test "$want" = "$depends"
fi
check "Suggests is libunrar5" test "$(dpkg-deb -f "$deb" Suggests)" = libunrar5

contents=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for f in "${installed[@]}"; do
  check "package holds /usr/$f" grep -qx "./usr/$f" <<<"$contents"
done
exit $fail
