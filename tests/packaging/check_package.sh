#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` make of the build.
#   check_package.sh install <build dir> <work folder>
#       installs into a scratch prefix, checks the layout, runs the desktop
#       entry and AppStream checkers on what was installed and builds a MIME
#       database from the project file type in a scratch folder
#   check_package.sh deb <build dir> <work folder>
#       builds the Debian package, unpacks it with dpkg -x into a scratch root
#       and runs both programs from there
# Exit status 77 (skipped) when a tool the check needs is not installed.
set -u
mode=$1 build=$2 work=$3
id=org.quillmere.Cubiform
project_type=application/x-cubiform-project
project_icon=${project_type/\//-}
fail() { echo "FAILED: $*"; exit 1; }
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (build.sh installs it)"; exit 77; }
  done
}
# The width and height from a PNG's header.
png_size() {
  local w3 w2 w1 w0 h3 h2 h1 h0
  read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(( (w3 << 24) | (w2 << 16) | (w1 << 8) | w0 ))x$(( (h3 << 24) | (h2 << 16) | (h1 << 8) | h0 ))"
}
rm -rf "$work" && mkdir -p "$work" || exit 1
src=$(cd "$(dirname "$0")/../.." && pwd)

check_layout() {  # <prefix>
  local p=$1 f s
  for f in bin/cubiform bin/cubiform-render; do
    [ -x "$p/$f" ] || fail "$f is missing or not executable"
  done
  for f in "$src"/Samples/*; do
    cmp -s "$f" "$p/share/cubiform/Samples/$(basename "$f")" || fail "sample $(basename "$f") was not installed"
  done
  for s in 16 32 48 128 256; do
    for f in "apps/$id.png" "mimetypes/$project_icon.png"; do
      f="$p/share/icons/hicolor/${s}x${s}/$f"
      [ -f "$f" ] || fail "no ${s}x${s} $f"
      [ "$(png_size "$f")" = "${s}x${s}" ] || fail "$f is $(png_size "$f")"
    done
  done
  cmp -s "$p/share/icons/hicolor/256x256/apps/$id.png" "$p/share/icons/hicolor/256x256/mimetypes/$project_icon.png" \
    && fail "the project files have the program's icon"
  for f in "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" share/man/man1/cubiform-render.1 \
           "share/mime/packages/$id.xml"; do
    [ -s "$p/$f" ] || fail "$f is missing"
  done
  # The menu entry starts an installed program with an installed icon, and
  # the metadata points at the menu entry.
  local desktop="$p/share/applications/$id.desktop"
  grep -qx "Exec=cubiform %f" "$desktop" || fail "the desktop entry does not start cubiform with the file"
  grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the installed icon"
  grep -qE "^MimeType=(.*;)?$project_type;" "$desktop" || fail "the desktop entry does not offer to open projects"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$p/share/metainfo/$id.metainfo.xml" \
    || fail "the metadata does not name the desktop entry"
}

# The installed type definition, alone in a scratch MIME database: it must
# parse, and a *.cubiform file must then be a project, a kind of zip, shown
# with the project icon.
check_mime() {  # <prefix>
  local share="$work/mime-share" log="$work/update-mime-database.log" info
  mkdir -p "$share/mime/packages" && cp "$1/share/mime/packages/$id.xml" "$share/mime/packages/" || exit 1
  # Only the scratch database is searched (and named, so the tool does not
  # warn that it is outside the search path).
  local -x XDG_DATA_DIRS="$share" XDG_DATA_HOME="$work/mime-home" GIO_USE_VFS=local
  update-mime-database "$share/mime" 2>"$log" || { cat "$log"; fail "update-mime-database"; }
  [ -s "$log" ] && { cat "$log"; fail "update-mime-database complained"; }
  grep -qx "$project_type application/zip" "$share/mime/subclasses" || fail "the project type is no kind of zip"
  printf 'PK\003\004' >"$work/box.cubiform"
  info=$(gio info -a standard::content-type,standard::icon "$work/box.cubiform") || fail "gio info"
  grep -qx "  standard::content-type: $project_type" <<<"$info" || fail "*.cubiform is not a project: $info"
  grep -qE "^  standard::icon: $project_icon(,|\$)" <<<"$info" || fail "projects do not get their icon: $info"
}

case "$mode" in
install)
  need desktop-file-validate appstreamcli update-mime-database gio
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
  check_layout "$prefix"
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
  grep -q "<mediatype>$project_type</mediatype>" "$prefix/share/metainfo/$id.metainfo.xml" \
    || fail "the metadata does not name the project type"
  check_mime "$prefix"
  # The manual page describes every option the program's help names.
  man_text=$(sed 's/\\-/-/g' "$prefix/share/man/man1/cubiform-render.1")
  for opt in $("$prefix/bin/cubiform-render" --help | grep -oE -- '(^|[ [])--?[a-z][a-z-]*' | grep -oE -- '--?[a-z-]+' | sort -u); do
    grep -qE -- "(^|[^a-z-])$opt([^a-z-]|\$)" <<<"$man_text" || fail "the manual page does not describe $opt"
  done
  ;;
deb)
  need cpack dpkg-deb dpkg-shlibdeps
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack"; }
  deb=$(ls "$work"/pkg/cubiform_*.deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || fail "cpack made no .deb"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libqt6widgets6 libjpeg62-turbo libgif7 libpng16-16 libzip4 libc6; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib (from the binaries): $depends"
  done
  root="$work/root"
  dpkg -x "$deb" "$root" || fail "dpkg -x"
  check_layout "$root/usr"

  # cubiform-render from the package: no Samples folder beside it, so the
  # samples come from share/cubiform.
  export CUBIFORM_HIVE="$work/hive/user.reg" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
  render="$root/usr/bin/cubiform-render"
  mkdir -p "$work/out" && cd "$work/out" || exit 1
  "$render" >/dev/null || fail "rendering the samples"
  [ -s cubiform-sample.jpg ] || fail "no cubiform-sample.jpg"
  "$render" --list-templates | grep -qx "Sample Template" || fail "no Sample Template"
  grep -qF "\"FrontImage\"=\"$root/usr/share/cubiform/Samples/GreyfinchFront.jpg\"" "$CUBIFORM_HIVE" \
    || fail "the sample template does not use the installed samples"
  "$render" --template "sample template" --shadow -o box.gif >/dev/null || fail "rendering the sample template"
  # Both outputs decode: they go back in as faces.
  "$render" --front cubiform-sample.jpg --side box.gif -o check.bmp >/dev/null || fail "the outputs do not decode"
  [ "$(head -c2 check.bmp)" = BM ] || fail "check.bmp is no bitmap"

  # cubiform from the package carries no test hooks, so it cannot close
  # itself: it must start and run until it is told to end.
  grep -q CUBIFORM_TEST_ "$root/usr/bin/cubiform" && fail "the packaged cubiform carries the test hooks"
  "$root/usr/bin/cubiform" >"$work/cubiform.log" 2>&1 &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || { cat "$work/cubiform.log"; fail "cubiform ended on its own"; }
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  [ "$status" = 143 ] || { cat "$work/cubiform.log"; fail "cubiform ended with $status"; }
  ;;
*) echo "usage: $0 install|deb <build dir> <work folder>" >&2; exit 2 ;;
esac
echo "1 passed, 0 failed"
