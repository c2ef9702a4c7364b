#!/usr/bin/env bash
# Installs the build into a temporary prefix and packs it as the two Debian
# packages: the installed layout, the desktop entry (validated and started as
# a launcher would), the metainfo, and each package's fields, contents and
# lintian's verdict.
#   install_rules_test.sh BUILD_DIR SOURCE_DIR QUORVEL_BINARY [QUORVEL_CLI_BINARY]
# The command-line program's own files are checked when its binary is given.
set -euo pipefail
build=$1
source=$2
binary=$3
cli=${4:-}
unrar=$(dirname "$binary")/quorvel-unrar
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

# What each package holds. The doc folder's copyright and changelog and the
# lintian overrides are for the packages only: a plain install leaves them out.
gui_files=(bin/quorvel share/quorvel/docs/help/index.html
  "share/applications/$id.desktop" "share/icons/hicolor/scalable/apps/$id.svg"
  "share/metainfo/$id.metainfo.xml" share/man/man1/quorvel.1.gz)
cli_files=(bin/quorvel-unrar share/man/man1/quorvel-unrar.1.gz)
if [ -n "$cli" ]; then
  cli_files+=(bin/quorvel-cli share/man/man1/quorvel-cli.1.gz
    share/bash-completion/completions/quorvel-cli)
else
  echo "quorvel-cli is not built: its program, man page and completion are not checked"
fi
package_only() { # package
  echo "share/doc/$1/copyright share/doc/$1/changelog.Debian.gz share/lintian/overrides/$1"
}

cmake --install "$build" --prefix "$prefix"
installed=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort)
echo "installed files:"
echo "$installed"
for f in "${gui_files[@]}" "${cli_files[@]}"; do
  check "installed $f" grep -qxF "$f" <<<"$installed"
done
for f in $(package_only quorvel) $(package_only quorvel-cli); do
  check "plain install leaves out $f" test ! -e "$prefix/$f"
done
check "bin/quorvel is the built program" cmp -s "$binary" "$prefix/bin/quorvel"
check "bin/quorvel-unrar is the built one" cmp -s "$unrar" "$prefix/bin/quorvel-unrar"
if [ -n "$cli" ]; then
  check "bin/quorvel-cli is the built program" cmp -s "$cli" "$prefix/bin/quorvel-cli"
fi

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
debs=("$tmp"/deb/*.deb)
printf 'made %s\n' "${debs[@]##*/}"
version=$(dpkg-parsechangelog -l "$source/cmake/debian/changelog" -S Version)
gui_deb=$tmp/deb/quorvel_${version}_$(dpkg --print-architecture).deb
cli_deb=$tmp/deb/quorvel-cli_${version}_$(dpkg --print-architecture).deb
check "two packages made, named for the changelog's version $version" \
  test "${#debs[@]}" -eq 2 -a -f "$gui_deb" -a -f "$cli_deb"
[ -f "$gui_deb" ] && [ -f "$cli_deb" ] || exit 1
for deb in "$gui_deb" "$cli_deb"; do
  dpkg-deb -f "$deb" Package Version Architecture Depends Suggests
  echo
done

files_of() { # deb -> its files and links, relative to /usr
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | sort
}
gui_has=$(files_of "$gui_deb")
cli_has=$(files_of "$cli_deb")
for f in "${gui_files[@]}" $(package_only quorvel); do
  check "quorvel holds /usr/$f" grep -qxF "$f" <<<"$gui_has"
done
for f in "${cli_files[@]}" $(package_only quorvel-cli); do
  check "quorvel-cli holds /usr/$f" grep -qxF "$f" <<<"$cli_has"
done
both=$(comm -12 <(echo "$gui_has") <(echo "$cli_has"))
check "no file in both packages: ${both//$'\n'/ }" test -z "$both"
# Every installed file is in a package, and the packages hold nothing else.
packed=$(printf '%s\n' "$gui_has" "$cli_has" | sort)
expected=$(printf '%s\n' "$installed" $(package_only quorvel) $(package_only quorvel-cli) | sort)
check "the packages hold what is installed: $(diff <(echo "$expected") <(echo "$packed") | grep '^[<>]' | tr '\n' ' ')" \
  test "$expected" = "$packed"

# Each package's doc folder has the licence of LICENSE and the changelog.
mkdir "$tmp/unpacked"
dpkg-deb -x "$gui_deb" "$tmp/unpacked"
dpkg-deb -x "$cli_deb" "$tmp/unpacked"
licence=$(sed -n '/^Permission/,$p' "$source/LICENSE")
for pkg in quorvel quorvel-cli; do
  doc=$tmp/unpacked/usr/share/doc/$pkg
  check "$pkg: copyright is cmake/debian/copyright" cmp -s "$source/cmake/debian/copyright" "$doc/copyright"
  text=$(sed 's/^ //; s/^\.$//' "$doc/copyright" | sed -n '/^Permission/,$p')
  check "$pkg: copyright carries the text of LICENSE" test "$text" = "$licence"
  check "$pkg: changelog.Debian.gz is cmake/debian/changelog" \
    cmp -s "$source/cmake/debian/changelog" <(gzip -dc "$doc/changelog.Debian.gz")
done
check "metainfo names the MIT licence" \
  grep -q '<project_license>MIT</project_license>' "$tmp/unpacked/usr/share/metainfo/$id.metainfo.xml"

depends_of() { # deb -> package names of its Depends, one a line
  dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/(.*)//; s/ //g' | sort -u
}
gui_depends=$(depends_of "$gui_deb")
cli_depends=$(depends_of "$cli_deb")
check "quorvel depends on quorvel-cli (= $version)" \
  grep -qF "quorvel-cli (= $version)" <(dpkg-deb -f "$gui_deb" Depends)
# A server has no display: nothing of Qt's GUI, OpenGL, X11 or Wayland.
graphics=$(grep -E '^(libqt6(gui|widgets|opengl|dbus|xcb)|qt6-qpa-plugins|libgl|libegl|libglx|libopengl|libx11|libxcb|libxkb|libwayland|libfontconfig|libfreetype|libvulkan|libdrm|libgbm)' \
  <<<"$cli_depends" || true)
check "quorvel-cli depends on no graphics library: ${graphics//$'\n'/ }" test -z "$graphics"
check "quorvel-cli suggests libunrar5" test "$(dpkg-deb -f "$cli_deb" Suggests)" = libunrar5

# Besides the names given by hand, Depends names the package of every
# library the package's programs need and nothing else. A sanitizer build
# keeps every library named on the link line, used or not, so only the
# normal build is compared.
owner() { # library path -> Debian package (usrmerge: also under the other name)
  local real
  real=$(realpath "$1")
  { dpkg -S "$1" || dpkg -S "$real" || dpkg -S "${real#/usr}" || true; } 2>/dev/null |
    sed -n '1s/:.*//p'
}
library_packages() { # program... -> packages of the libraries they name
  local program lib path pkg needed links
  for program in "$@"; do
    needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
    links=$(ldd "$program")
    for lib in $needed; do
      # "name => path (address)", or the loader as "path (address)"
      path=$(awk -v l="$lib" '!found && $1 == l { print $3; found = 1 }
        !found && substr($1, length($1) - length(l)) == "/" l { print $1; found = 1 }' <<<"$links")
      pkg=$(owner "$path")
      # An unknown owner stays in the list, so the comparison below fails.
      echo "${pkg:-no package has $lib ($path)}"
    done
  done
}
if readelf -d "$binary" | grep -q 'NEEDED.*\[libasan\.so'; then
  echo "sanitizer build: Depends not compared with the libraries linked"
else
  want=$( { printf '%s\n' quorvel-cli qt6-qpa-plugins xdg-utils; library_packages "$binary"; } | sort -u)
  check "quorvel depends on ${want//$'\n'/ }" test "$want" = "$gui_depends"
  cli_programs=("$unrar")
  [ -n "$cli" ] && cli_programs+=("$cli")
  want=$(library_packages "${cli_programs[@]}" | sort -u)
  check "quorvel-cli depends on ${want//$'\n'/ }" test "$want" = "$cli_depends"
fi

# lintian, run once for both: errors fail, warnings are shown.
rc=0
report=$(lintian "$gui_deb" "$cli_deb" 2>&1) || rc=$?
echo "lintian:"
echo "$report"
check "lintian exit code $rc is 0" test "$rc" -eq 0
check "lintian reports no error" test -z "$(grep '^E:' <<<"$report")"
exit $fail
