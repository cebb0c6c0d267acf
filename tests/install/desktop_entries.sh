#!/usr/bin/env bash
# desktop_entries.sh BUILD
# The menu entries written for a game folder whose name needs quoting: each starts the
# program by its absolute path, quoted as the entry format asks, and passes
# desktop-file-validate when that is installed (skipped otherwise).
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
game="$work/Games \$HOME 100% \"best\""
export XDG_DATA_HOME="$work/share"
cmake --install "$build" --prefix "$game" --component desktop >/dev/null
apps="$XDG_DATA_HOME/applications"
[ "$(ls "$apps" | wc -l)" -eq 4 ] || fail "expected four entries: $(ls "$apps")"
exec_path=$(printf '%s' "$work" | sed 's/\\/\\\\\\\\/g')
for id in tessaforge keyvane tilemarrow skinloft; do
  entry="$apps/vantaro-$id.desktop"
  line=$(grep '^Exec=' "$entry")
  want="Exec=\"$exec_path/Games \\\\\$HOME 100%% \\\\\"best\\\\\"/"
  case "$line" in "$want"*) ;; *) fail "$entry: $line, expected it to start with $want" ;; esac
  grep -q '^Icon=vantaro-'"$id"'$' "$entry" || fail "$entry: no icon of its own"
done
# A backslash in the folder's name is refused before anything is made.
if cmake --install "$build" --prefix "$work/back\\slash" --component desktop >/dev/null 2>&1; then
  fail "a game folder with a backslash in its name was accepted"
fi
[ -z "$(find "$work" -name 'back*')" ] || fail "a refused install made $(find "$work" -name 'back*')"
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is not installed (package desktop-file-utils): skipped"
  exit 77
fi
for entry in "$apps"/*.desktop; do
  out=$(desktop-file-validate "$entry" 2>&1) || fail "$entry: $out"
  # Hints are advice; errors and warnings are faults.
  if grep -qE 'error:|warning:' <<<"$out"; then fail "$entry: $out"; fi
done
echo "desktop entries: ok"
