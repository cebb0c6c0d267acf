#!/usr/bin/env bash
# install_game.sh BUILD SOURCE
# An install into a game folder that already holds the player's mod and controls file: none
# of the player's files changes, the demo only fills gaps, each installed program starts from
# there, and uninstall leaves the folder (and the user's data folder) as they were.
set -euo pipefail
build=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game="$work/My Games/Vantaro"
export HOME="$work/home" XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$work/tmp"
# The programs' start-up checks (the world editor's one-instance lock) stay private.
tmp_for_programs="$work/tmp"

fail() { echo "FAIL: $*" >&2; exit 1; }
# Every path with its kind, and every file's checksum: the folder's whole state.
snapshot() { (cd "$1" && find . -printf '%y %m %p\n' | sort && find . -type f -exec sha256sum {} + | sort -k2); }
install_all() {
  cmake --install "$build" --prefix "$game" >/dev/null
  cmake --install "$build" --prefix "$game" --component demo >/dev/null
  cmake --install "$build" --prefix "$game" --component desktop >/dev/null
}

# The player's own: a mod named like the demo's, with one world of theirs, and their keys.
mkdir -p "$game/Mods/Demo Mod/Grassland" "$game/Mods/Mine/Hills" "$game/Data/Tilesets"
printf 'Grassland\r\n.\r\n' >"$game/Mods/Demo Mod/Worlds.inf"
printf 'their own meadow' >"$game/Mods/Demo Mod/Grassland/Meadow.qzl"
printf 'Hills\r\n.\r\n' >"$game/Mods/Mine/Worlds.inf"
printf 'their tileset' >"$game/Data/Tilesets/Grass.qzt"
printf '\x01\x02\x03\x04their keys' >"$game/Controls.qzc"
before=$(snapshot "$game")
share_before=$(snapshot "$XDG_DATA_HOME")
mine=$(cd "$game" && find . -type f -exec sha256sum {} + | sort -k2)

install_all
theirs_now() { (cd "$game" && while read -r _ path; do sha256sum "$path"; done <<<"$mine" | sort -k2); }
[ "$(theirs_now)" = "$mine" ] || fail "an install changed the player's files"
for p in Tessaforge keyvane tilemarrow skinloft; do
  [ -x "$game/$p" ] || fail "$p is not installed"
  # The libraries come from the system, never from the build tree.
  if readelf -d "$game/$p" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then fail "$p looks into the build folder"; fi
  if ldd "$game/$p" | grep -q 'not found'; then fail "$p misses a library: $(ldd "$game/$p" | grep 'not found')"; fi
  id=$(echo "$p" | tr '[:upper:]' '[:lower:]')
  entry="$XDG_DATA_HOME/applications/vantaro-$id.desktop"
  grep -qxF "Path=$game" "$entry" || fail "$entry does not run in the game folder"
  grep -qxF "Exec=\"$game/$p\"" "$entry" || fail "$entry does not start the installed $p"
  [ -s "$XDG_DATA_HOME/icons/hicolor/scalable/apps/vantaro-$id.svg" ] || fail "no icon for $p"
done
# The demo filled the gaps: a mod of its own, its pictures, data of its own beside the player's.
for f in "Mods/Tutorial/Worlds.inf" "Mods/Demo Mod/Crystal Caves/Worldata.qzw" \
         "Data/Tilesets/Grass.bmp" "Data/Enemies/Standard.qze" "tiledata.bmp"; do
  [ -f "$game/$f" ] || fail "the demo did not add $f"
done
[ ! -e "$game/Mods/Demo Mod/Grassland/Worldata.qzw.installing" ] || fail "a staging file was left behind"

# Installing again adds nothing more to remove.
lines=$(wc -l <"$game/.vantaro-install-manifest")
install_all
[ "$(wc -l <"$game/.vantaro-install-manifest")" -eq "$lines" ] || fail "a second install listed files twice"
[ "$(theirs_now)" = "$mine" ] || fail "a second install changed the player's files"

# Each installed program starts from the folder and shows a window (a second try for one
# whose window the busy machine did not bring up in time).
started=$(TMPDIR="$tmp_for_programs" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  shows() {
    (cd / && exec "$1") >/dev/null 2>&1 &
    local pid=$! found=1
    timeout 20 xdotool search --sync --onlyvisible --pid "$pid" >/dev/null 2>&1 && found=0
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return $found
  }
  for p in Tessaforge keyvane tilemarrow skinloft; do
    if shows "$0/$p" || shows "$0/$p"; then echo "$p"; fi
  done' "$game")
[ "$(echo $started)" = "Tessaforge keyvane tilemarrow skinloft" ] || fail "programs that started: $(echo $started)"

# Something the player adds inside a folder the install made stays, folder included.
printf 'theirs' >"$game/Mods/Tutorial/notes.txt"
cmake -DVT_GAME="$game" -P "$src/install/uninstall_game.cmake" >/dev/null
[ -f "$game/Mods/Tutorial/notes.txt" ] || fail "uninstall removed a file of the player's"
rm "$game/Mods/Tutorial/notes.txt"
rmdir "$game/Mods/Tutorial/Basics" "$game/Mods/Tutorial" 2>/dev/null || true
# What the demo had put into the player's Demo Mod is gone, the rest as it was.
after=$(snapshot "$game")
[ "$after" = "$before" ] || fail "uninstall did not restore the folder: $(diff <(echo "$before") <(echo "$after") | head -20)"
share_after=$(snapshot "$XDG_DATA_HOME")
[ "$share_after" = "$share_before" ] || fail "uninstall left menu entries: $(diff <(echo "$share_before") <(echo "$share_after") | head)"

# A folder the install made, parents included, is removed whole by the uninstall.
fresh="$work/New Games/Vantaro"
cmake --install "$build" --prefix "$fresh" >/dev/null
cmake -DVT_GAME="$fresh" -P "$src/install/uninstall_game.cmake" >/dev/null
[ ! -e "$work/New Games" ] || fail "uninstall left the folders it had made: $(find "$work/New Games")"
# Menu entries a later install into another folder took over stay with that folder.
other="$work/Other Game"
cmake --install "$build" --prefix "$fresh" >/dev/null
cmake --install "$build" --prefix "$fresh" --component desktop >/dev/null
cmake --install "$build" --prefix "$other" --component desktop >/dev/null
cmake -DVT_GAME="$fresh" -P "$src/install/uninstall_game.cmake" >/dev/null
grep -qxF "Path=$other" "$XDG_DATA_HOME/applications/vantaro-keyvane.desktop" \
  || fail "uninstalling one folder took the menu entries of another"
[ -s "$XDG_DATA_HOME/icons/hicolor/scalable/apps/vantaro-keyvane.svg" ] \
  || fail "uninstalling one folder took the icons of another"
cmake -DVT_GAME="$other" -P "$src/install/uninstall_game.cmake" >/dev/null
# (The standard folders the first install made may stay, empty: the second used them too.)
[ -z "$(find "$XDG_DATA_HOME" -type f)" ] || fail "menu entries left after both uninstalls: $(find "$XDG_DATA_HOME" -type f)"
echo "install and uninstall: ok"
