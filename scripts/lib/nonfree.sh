# Derives a package source entry for Debian's non-free component from the
# machine's own Debian entry: same address, suites and options, component
# non-free. It never names a host itself. Sourced by scripts/setup (and by
# its test); uses the caller's SUDO array, empty when running as root.

# nonfree_derive IN OUT
# IN is a deb822 file (*.sources) or a one-line file (sources.list). OUT
# gets, in the same format, every entry of IN that carries the main
# component, except the security ones, with non-free as its only component.
# OUT is empty when IN has no such entry.
nonfree_derive() {
  local in=$1 out=$2
  case "$in" in
    *.sources)
      awk '
        BEGIN { RS = ""; ORS = "\n\n" }
        /(^|\n)URIs:/ && /(^|\n)Components:[^\n]*main/ && !/security/ {
          entry = ""
          n = split($0, lines, "\n")
          for (i = 1; i <= n; i++) {
            if (lines[i] ~ /^#/) continue
            if (lines[i] ~ /^Components:/) lines[i] = "Components: non-free"
            entry = entry lines[i] "\n"
          }
          printf "%s\n", entry
        }' "$in" >"$out"
      ;;
    *)
      # Keep "deb [options] address suite"; the component becomes non-free.
      awk '/^deb[ \t]/ && /[ \t]main([ \t]|$)/ && !/security/' "$in" |
        sed -E 's/^(deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]+[[:space:]]+[^[:space:]]+)([[:space:]].*)?$/\1 non-free/' |
        sort -u >"$out"
      ;;
  esac
}

# nonfree_enable APT_DIR
# Writes APT_DIR/sources.list.d/quorvel-nonfree.sources (or .list, after the
# format of the machine's entry) from APT_DIR/sources.list.d/debian.sources
# or APT_DIR/sources.list. The entry is derived into a temporary file and
# installed only when it holds something, so no run leaves an empty entry
# behind; an empty or outdated one from an earlier run is replaced. Returns
# non-zero, with a message, when nothing can be derived.
nonfree_enable() {
  local apt=$1
  local dest=$apt/sources.list.d/quorvel-nonfree
  local src ext other tmp f
  if [ -f "$apt/sources.list.d/debian.sources" ]; then
    src=$apt/sources.list.d/debian.sources ext=sources other=list
  elif [ -f "$apt/sources.list" ]; then
    src=$apt/sources.list ext=list other=sources
  else
    echo "setup: no Debian package source found to derive non-free from" >&2
    return 1
  fi
  # An empty entry says nothing; drop it so that it is derived again.
  for f in "$dest.sources" "$dest.list"; do
    if [ -f "$f" ] && ! grep -q '[^[:space:]]' "$f"; then
      "${SUDO[@]}" rm -f "$f"
    fi
  done
  tmp=$(mktemp) || return 1
  if ! nonfree_derive "$src" "$tmp" || ! grep -q '[^[:space:]]' "$tmp"; then
    rm -f "$tmp"
    echo "setup: $src holds no Debian entry with the main component to derive non-free from" >&2
    return 1
  fi
  if ! cmp -s "$tmp" "$dest.$ext"; then
    echo "setup: enabling Debian's non-free component ($dest.$ext)"
    if ! "${SUDO[@]}" install -m 0644 "$tmp" "$dest.$ext"; then
      rm -f "$tmp"
      return 1
    fi
  fi
  rm -f "$tmp"
  # Our entry in the other format is from an earlier source layout.
  if [ -f "$dest.$other" ]; then
    "${SUDO[@]}" rm -f "$dest.$other"
  fi
}
