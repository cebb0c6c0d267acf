#!/usr/bin/env bash
# screens.sh MAKE_DEMO SCREENS
# The README's pictures: the screens program, on a fresh demo folder under a private X
# server, writes one non-empty PNG per program (two for the world editor).
set -euo pipefail
make_demo=$1 screens=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$make_demo" "$work/game" >/dev/null
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" "$screens" "$work/game" "$work/out" "$work/small" \
  || fail "the screens program reported a fault"
for name in tessaforge-area tessaforge-map keyvane tilemarrow skinloft; do
  for dir in out small; do
    f="$work/$dir/$name.png"
    [ -s "$f" ] || fail "no picture $dir/$name.png"
    [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "$dir/$name.png is no PNG"
  done
done
echo "screens: ok"
