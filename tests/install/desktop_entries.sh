#!/usr/bin/env bash
# desktop_entries.sh BUILD [validate]
# The menu entries written for a game folder whose name needs quoting: each starts the
# program by its absolute path, quoted as the entry format asks, and passes
# desktop-file-validate when that is installed (skipped otherwise).
set -euo pipefail
build=$1 mode=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
game="$work/Games \$HOME \"best\" \`now\`"
export XDG_DATA_HOME="$work/share"
cmake --install "$build" --prefix "$game" >/dev/null
cmake --install "$build" --prefix "$game" --component desktop >/dev/null
apps="$XDG_DATA_HOME/applications"
[ "$(ls "$apps" | wc -l)" -eq 4 ] || fail "expected four entries: $(ls "$apps")"
exec_path=$(printf '%s' "$work" | sed 's/\\/\\\\\\\\/g')
for id in tessaforge keyvane tilemarrow skinloft; do
  entry="$apps/vantaro-$id.desktop"
  line=$(grep '^Exec=' "$entry")
  want="Exec=\"$exec_path/Games \\\\\$HOME \\\\\"best\\\\\" \\\\\`now\\\\\`/"
  case "$line" in "$want"*) ;; *) fail "$entry: $line, expected it to start with $want" ;; esac
  grep -q '^Icon=vantaro-'"$id"'$' "$entry" || fail "$entry: no icon of its own"
done
if [ "$mode" = validate ]; then
  if ! command -v desktop-file-validate >/dev/null; then
    echo "desktop-file-validate is not installed (package desktop-file-utils): skipped"
    exit 77
  fi
  for entry in "$apps"/*.desktop; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$entry: $out"
    # Hints are advice; errors and warnings are faults.
    if grep -qE 'error:|warning:' <<<"$out"; then fail "$entry: $out"; fi
  done
  echo "desktop entries valid"
  exit 0
fi

# Started as a desktop menu starts them (GLib's launcher reads the entry): each program runs
# from the game folder, as the installed file.
if command -v gio >/dev/null; then
  mkdir -p "$work/tmp"
  launched=$(TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    for p in Tessaforge keyvane tilemarrow skinloft; do
      id=$(echo "$p" | tr "[:upper:]" "[:lower:]")
      gio launch "$XDG_DATA_HOME/applications/vantaro-$id.desktop" >/dev/null 2>&1 || continue
      w=$(timeout 20 xdotool search --sync --onlyvisible --classname "$p" 2>/dev/null | head -1)
      [ -n "$w" ] || continue
      pid=$(xdotool getwindowpid "$w")
      [ "$(readlink "/proc/$pid/exe")" = "$0/$p" ] && [ "$(readlink "/proc/$pid/cwd")" = "$0" ] && echo "$p"
      kill "$pid"
      while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    done' "$game")
  [ "$(echo $launched)" = "Tessaforge keyvane tilemarrow skinloft" ] || fail "started from their entries: $(echo $launched)"
fi

# A folder whose name holds % gets no menu entries (menus would drop them), the rest installs.
pct="$work/Games 100%"
XDG_DATA_HOME="$work/pct-share" cmake --install "$build" --prefix "$pct" --component desktop >/dev/null 2>&1 \
  || fail "a game folder with % in its name was refused"
[ -z "$(find "$work/pct-share" -name '*.desktop' 2>/dev/null)" ] || fail "menu entries for a folder with % in its name"

# A backslash in the folder's name is refused before anything is made.
if cmake --install "$build" --prefix "$work/back\\slash" --component desktop >/dev/null 2>&1; then
  fail "a game folder with a backslash in its name was accepted"
fi
[ -z "$(find "$work" -name 'back*')" ] || fail "a refused install made $(find "$work" -name 'back*')"
echo "desktop entries: ok"
