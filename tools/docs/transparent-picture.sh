#!/usr/bin/env bash
# Draws the README's pictures of boxes saved by cubiform-render as
# transparent PNGs, laid on gradients: docs/transparent-boxes.png, three
# classic boxes on colour, so the shadow and the soft outlines show against
# something other than white; docs/free-view-angles.png, the sample box in
# the free view from three angles.
#   tools/docs/transparent-picture.sh [path/to/cubiform-render]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cli=${1:-$here/build/bin/cubiform-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CUBIFORM_HIVE=$work/user.reg HOME=$work
"$cli" --template "Sample Template" --style three-sided --shadow -o "$work/a.png" >/dev/null
"$cli" --template "Sample Template" --style two-sided --orientation right --shadow -o "$work/b.png" >/dev/null
"$cli" --template "Sample Template" --style book --shadow -o "$work/c.png" >/dev/null
for f in a b c; do convert "$work/$f.png" -resize x260 "$work/$f-small.png"; done
convert -size 760x320 gradient:'#9fd3e8'-'#f3c6a5' -rotate 90 -resize 760x320\! \
        "$work/a-small.png" -geometry +20+20 -composite \
        "$work/c-small.png" -geometry +300+20 -composite \
        "$work/b-small.png" -geometry +470+20 -composite \
        -depth 8 -strip "$here/docs/transparent-boxes.png"
echo "$here/docs/transparent-boxes.png"

box=(--template "Sample Template" --style three-sided --size 300x360)
"$cli" "${box[@]}" --yaw 40 --pitch 12 --reflection -o "$work/d.png" >/dev/null
"$cli" "${box[@]}" --yaw -30 --pitch 28 --shadow -o "$work/e.png" >/dev/null
"$cli" "${box[@]}" --yaw 15 --pitch 55 --fov 60 --shadow -o "$work/f.png" >/dev/null
convert -size 940x380 gradient:'#eef3f7'-'#d5dee6' \
        "$work/d.png" -geometry +10+10 -composite \
        "$work/e.png" -geometry +320+10 -composite \
        "$work/f.png" -geometry +630+10 -composite \
        -depth 8 -strip "$here/docs/free-view-angles.png"
echo "$here/docs/free-view-angles.png"
