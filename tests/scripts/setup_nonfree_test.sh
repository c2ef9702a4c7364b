#!/usr/bin/env bash
# Checks how scripts/setup derives the non-free package source from the
# machine's own Debian entry, on sample apt folders in a temporary folder.
# Usage: setup_nonfree_test.sh path/to/scripts/lib/nonfree.sh
set -uo pipefail
SUDO=()
# shellcheck source=../../scripts/lib/nonfree.sh
. "$1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The helper's own temporary files go here, so the end can check for them.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# same_text NAME EXPECTED FILE
same_text() {
  if [ "$2" != "$(cat "$3")" ]; then
    fail "$1"
    diff <(printf '%s\n' "$2") "$3" | sed 's/^/    /'
  fi
}

# new_apt NAME: an empty apt folder with its sources.list.d
new_apt() {
  mkdir -p "$work/$1/sources.list.d"
  echo "$work/$1"
}

# --- deb822: the main stanza kept with its options, comments dropped,
#     security and other stanzas left out.
apt=$(new_apt deb822)
cat >"$apt/sources.list.d/debian.sources" <<'IN'
Types: deb
# http://mirror.example/archive/debian/20250520T000000Z
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://other.example/tools
Suites: stable
Components: contrib
IN
nonfree_enable "$apt" >/dev/null || fail "deb822: enable returned $?"
same_text "deb822: derived entry" "Types: deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: non-free
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" "$apt/sources.list.d/quorvel-nonfree.sources"
[ "$(stat -c %a "$apt/sources.list.d/quorvel-nonfree.sources")" = 644 ] ||
  fail "deb822: entry must be readable by everyone (apt-cache runs as any user)"
[ ! -e "$apt/sources.list.d/quorvel-nonfree.list" ] || fail "deb822: wrote a .list too"

# A second run changes nothing.
before=$(stat -c %Y.%i "$apt/sources.list.d/quorvel-nonfree.sources")
sleep 0.01
out=$(nonfree_enable "$apt") || fail "deb822 again: enable returned $?"
[ -z "$out" ] || fail "deb822 again: should be quiet, said: $out"
[ "$before" = "$(stat -c %Y.%i "$apt/sources.list.d/quorvel-nonfree.sources")" ] ||
  fail "deb822 again: the unchanged entry was rewritten"

# --- one-line: options kept, suite kept, components replaced; deb-src,
#     comments, security and entries without main left out; duplicates once.
apt=$(new_apt oneline)
cat >"$apt/sources.list" <<'IN'
# deb http://mirror.example/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm main contrib
deb http://mirror.example/debian bookworm-updates main
deb http://mirror.example/debian bookworm-updates	main
deb-src http://mirror.example/debian bookworm main
deb http://mirror.example/debian-security bookworm-security main
deb http://other.example/tools stable contrib
IN
nonfree_enable "$apt" >/dev/null || fail "one-line: enable returned $?"
same_text "one-line: derived entry" "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm non-free
deb http://mirror.example/debian bookworm-updates non-free" "$apt/sources.list.d/quorvel-nonfree.list"

# --- An empty entry left by an earlier run is derived again.
apt=$(new_apt retry)
cp "$work/deb822/sources.list.d/debian.sources" "$apt/sources.list.d/"
: >"$apt/sources.list.d/quorvel-nonfree.sources"
printf '\n\n' >"$apt/sources.list.d/quorvel-nonfree.list"
nonfree_enable "$apt" >/dev/null || fail "retry: enable returned $?"
same_text "retry: derived again" "$(cat "$work/deb822/sources.list.d/quorvel-nonfree.sources")" \
  "$apt/sources.list.d/quorvel-nonfree.sources"
[ ! -e "$apt/sources.list.d/quorvel-nonfree.list" ] || fail "retry: the empty .list stayed"

# --- An entry from an earlier layout is replaced by the current one.
apt=$(new_apt moved)
cp "$work/deb822/sources.list.d/debian.sources" "$apt/sources.list.d/"
echo "deb http://old.example/debian bookworm non-free" >"$apt/sources.list.d/quorvel-nonfree.list"
nonfree_enable "$apt" >/dev/null || fail "moved: enable returned $?"
[ -s "$apt/sources.list.d/quorvel-nonfree.sources" ] || fail "moved: no .sources written"
[ ! -e "$apt/sources.list.d/quorvel-nonfree.list" ] || fail "moved: the old .list stayed"

# --- Nothing to derive from: an error, and no file at all (an empty one
#     left behind earlier is gone too).
apt=$(new_apt nothing)
printf '# only comments\ndeb-src http://mirror.example/debian bookworm main\n' >"$apt/sources.list"
: >"$apt/sources.list.d/quorvel-nonfree.list"
if msg=$(nonfree_enable "$apt" 2>&1); then
  fail "nothing: enable succeeded without an entry"
fi
case "$msg" in *"no Debian entry"*) ;; *) fail "nothing: message was: $msg" ;; esac
[ -z "$(ls -A "$apt/sources.list.d")" ] || fail "nothing: left $(ls -A "$apt/sources.list.d")"

apt=$(new_apt none)
if msg=$(nonfree_enable "$apt" 2>&1); then
  fail "none: enable succeeded without any source file"
fi
case "$msg" in *"no Debian package source found"*) ;; *) fail "none: message was: $msg" ;; esac

# --- No temporary file is left behind by any of the runs above.
[ -z "$(ls -A "$TMPDIR")" ] || fail "temporary files left: $(ls -A "$TMPDIR")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
