#!/usr/bin/env bash
# Starts the program's test build, lets it close itself as the title-bar button
# would, and checks that it ended cleanly and stored its window bounds; a second
# run must reopen at the stored bounds. Under X (mode xvfb) it also leaves a
# picture of its window in $CUBIFORM_TEST_OUTPUT/cubiform-window.png. The
# program itself, when given, must not carry the test hooks.
#   run_cubiform.sh <cubiform_testhooks> offscreen|xvfb <work folder> [<cubiform>]
set -u
exe=$1 mode=$2 work=$3 program=${4:-}
if [ -n "$program" ] && grep -q CUBIFORM_TEST_ "$program"; then
  echo "FAILED: $program carries the test hooks"; exit 1
fi
rm -rf "$work" && mkdir -p "$work" || exit 1
export CUBIFORM_HIVE="$work/user.reg" XDG_CONFIG_HOME="$work/config"
key='HKEY_CURRENT_USER\Software\Quillmere Software\Quillmere Cubiform'

run() {
  case "$mode" in
    offscreen) QT_QPA_PLATFORM=offscreen "$exe" ;;
    xvfb) QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$exe" ;;
  esac
}
fail() { echo "FAILED: $*"; [ -f "$CUBIFORM_HIVE" ] && cat "$CUBIFORM_HIVE"; exit 1; }

if [ "$mode" = xvfb ] && ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is not installed"; exit 77
fi

# First run: nothing stored, the window opens at its design size.
shot=""
if [ "$mode" = xvfb ]; then
  mkdir -p "${CUBIFORM_TEST_OUTPUT:?}"
  shot="$CUBIFORM_TEST_OUTPUT/cubiform-window.png"
  rm -f "$shot"
fi
CUBIFORM_TEST_CLOSE_MS=200 CUBIFORM_TEST_SNAPSHOT="$shot" run || fail "first run exited with $?"
grep -q '"Width"="500"' "$CUBIFORM_HIVE" && grep -q '"Height"="475"' "$CUBIFORM_HIVE" \
  || fail "the design size was not stored"

if [ -n "$shot" ]; then
  [ -s "$shot" ] || fail "no picture of the window"
  read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$shot")
  size="$(( (w3 << 24) | (w2 << 16) | (w1 << 8) | w0 ))x$(( (h3 << 24) | (h2 << 16) | (h1 << 8) | h0 ))"
  [ "$size" = 500x475 ] || fail "the picture is $size, not 500x475"
  echo "picture of the window: $shot"
fi

# Second run: stored bounds are restored and stored again unchanged.
cat > "$CUBIFORM_HIVE" <<REG
Windows Registry Editor Version 5.00

[$key]
"Left"="20"
"Top"="30"
"Height"="480"
"Width"="640"
"WindowState"="0"
REG
CUBIFORM_TEST_CLOSE_MS=300 run || fail "second run exited with $?"
for pair in '"Left"="20"' '"Top"="30"' '"Height"="480"' '"Width"="640"'; do
  grep -qF "$pair" "$CUBIFORM_HIVE" || fail "expected $pair after the second run"
done
echo "1 passed, 0 failed"
