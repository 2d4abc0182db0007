#!/usr/bin/env bash
# Draws docs/free-view-angles.png for the README: the sample box in the free
# view from three angles, saved by cubiform-render as transparent PNGs and
# laid side by side on a light gradient.
#   tools/docs/free-view-picture.sh [path/to/cubiform-render]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cli=${1:-$here/build/bin/cubiform-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CUBIFORM_HIVE=$work/user.reg HOME=$work
box=(--template "Sample Template" --style three-sided --size 300x360)
"$cli" "${box[@]}" --yaw 40 --pitch 12 --reflection -o "$work/a.png" >/dev/null
"$cli" "${box[@]}" --yaw -30 --pitch 28 --shadow -o "$work/b.png" >/dev/null
"$cli" "${box[@]}" --yaw 15 --pitch 55 --fov 60 --shadow -o "$work/c.png" >/dev/null
convert -size 940x380 gradient:'#eef3f7'-'#d5dee6' \
        "$work/a.png" -geometry +10+10 -composite \
        "$work/b.png" -geometry +320+10 -composite \
        "$work/c.png" -geometry +630+10 -composite \
        -depth 8 -strip "$here/docs/free-view-angles.png"
echo "$here/docs/free-view-angles.png"
