#!/usr/bin/env bash
# Stages an install (DESTDIR and a prefix given at install time), checks that
# every file the package holds is in its place, moves the tree and uses it
# from there: links, renderer, thumbnailer, file types, manual pages and
# completion. Checks that need a tool the machine lacks are skipped.
# Usage: install_tree_test.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=/opt/quorvatix-staged
DESTDIR="$work/stage" cmake --install "$build" --prefix "$prefix" >/dev/null
# The tree must work wherever it ends up.
mv "$work/stage$prefix" "$work/moved"
root=$work/moved
libdir=$(cd "$root" && ls -d lib*/quorvatix 2>/dev/null | head -n 1)
[ -n "$libdir" ] || { echo "FAIL: no program folder under $root"; exit 1; }

expected=(
  "$libdir/quorvatix" "$libdir/quorvatix-render" "$libdir/quorvatix-thumbnailer" "$libdir/vdub/vdub"
  "$libdir/Template.jobs" "$libdir/quorvatix.html" "$libdir/gallery/mandelbrot.fra"
  share/applications/quorvatix.desktop share/metainfo/org.example.quorvatix.metainfo.xml
  share/mime/packages/quorvatix.xml share/thumbnailers/quorvatix.thumbnailer
  share/man/man1/quorvatix.1.gz share/man/man1/quorvatix-render.1.gz share/man/man1/quorvatix-thumbnailer.1.gz
  share/bash-completion/completions/quorvatix share/bash-completion/completions/quorvatix-render
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x$size/apps/quorvatix.png")
done
for file in "${expected[@]}"; do
  [ -f "$root/$file" ] || fail "missing $file"
done
for file in "$libdir/quorvatix" "$libdir/quorvatix-render" "$libdir/quorvatix-thumbnailer" "$libdir/vdub/vdub"; do
  [ -x "$root/$file" ] || fail "$file is not executable"
done

for command in quorvatix quorvatix-render quorvatix-thumbnailer; do
  link=$root/bin/$command
  target=$(readlink "$link" || true)
  case $target in
    /* | "") fail "bin/$command is not a relative link ('$target')" ;;
  esac
  [ "$(readlink -f "$link")" = "$(readlink -f "$root/$libdir/$command")" ] || fail "bin/$command does not lead to $libdir/$command"
done

# PNG width and height from the header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}'; }

"$root/bin/quorvatix-render" --size 40x30 -o "$work/render.png" || fail "the linked renderer does not render"
[ "$(png_size "$work/render.png" 2>/dev/null)" = 40x30 ] || fail "rendered picture is not 40x30"

gallery=$root/$libdir/gallery
"$root/bin/quorvatix-thumbnailer" 64 "$gallery/mandelbrot.fra" "$work/thumb-fra" || fail "thumbnailer refused a .fra"
[ "$(png_size "$work/thumb-fra" 2>/dev/null)" = 64x48 ] || fail "thumbnail of a .fra is not 64x48"
fpz=$(ls "$gallery"/*.fpz | head -n 1)
"$root/bin/quorvatix-thumbnailer" 100 "$fpz" "$work/thumb-fpz" || fail "thumbnailer refused $fpz"
[ "$(png_size "$work/thumb-fpz" 2>/dev/null)" = 100x75 ] || fail "thumbnail of a .fpz is not 100x75"
if "$root/bin/quorvatix-thumbnailer" 64 "$source/tests/data/palette.pal" "$work/thumb-pal" 2>/dev/null; then
  fail "thumbnailer accepted a palette file"
fi
if QUORVATIX_THUMBNAIL_SECONDS=1 "$root/bin/quorvatix-thumbnailer" 2000 "$gallery/deep-minibrot-1e30.fdz" \
    "$work/thumb-slow" 2>/dev/null; then
  fail "a thumbnail over its time limit was not stopped"
fi
[ -z "$(ls -A "$work" | grep -v -x -e moved -e stage -e render.png -e thumb-fra -e thumb-fpz)" ] ||
  fail "the thumbnailer left files behind: $(ls -A "$work")"

# Every option the renderer lists is in its manual page and its completion.
options=$("$root/bin/quorvatix-render" --help | grep -oE '^  (-o|--[a-z-]+)' | tr -d ' ')
manual=$(zcat "$root/share/man/man1/quorvatix-render.1.gz" | sed 's/\\-/-/g')
completed=$(sed -n "/^_quorvatix_render_options='/,/'\$/p" "$root/share/bash-completion/completions/quorvatix-render" |
  tr -d "'" | sed 's/^_quorvatix_render_options=//' | tr ' ' '\n' | grep .)
for option in $options; do
  grep -qE -- "^\.(B|BI|BR) \"?$option( |$)" <<<"$manual" || fail "$option missing from quorvatix-render(1)"
  grep -qx -- "$option" <<<"$completed" ||
    fail "$option missing from the completion"
done
if command -v man >/dev/null; then
  for page in "$root"/share/man/man1/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi

# Each file type the desktop entry and thumbnailer name is defined, and the
# magic tells the program's files apart by content alone.
declared=$(grep -o 'type="[^"]*"' "$root/share/mime/packages/quorvatix.xml" | cut -d'"' -f2)
for list in "$root/share/applications/quorvatix.desktop" "$root/share/thumbnailers/quorvatix.thumbnailer"; do
  for type in $(sed -n 's/^MimeType=//p' "$list" | tr ';' ' '); do
    grep -qx -- "$type" <<<"$declared" || fail "$(basename "$list") names undefined type $type"
  done
done
grep -qx 'Exec=quorvatix %f' "$root/share/applications/quorvatix.desktop" || fail "the desktop entry does not pass the file"
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  update-mime-database "$root/share/mime" >/dev/null 2>&1
  content_type() { XDG_DATA_DIRS="$root/share" XDG_DATA_HOME="$work/none" gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
  mkdir "$work/nameless"
  check_type() {  # FILE EXPECTED: by name, then without one
    local got
    got=$(content_type "$1")
    [ "$got" = "$2" ] || fail "$(basename "$1") is '$got', not $2"
    cp "$1" "$work/nameless/file"
    got=$(content_type "$work/nameless/file")
    [ "$got" = "$3" ] || fail "$(basename "$1") without its name is '$got', not $3"
  }
  for file in "$gallery"/*.fra "$gallery"/*.fdz; do
    check_type "$file" application/x-quorvatix-parameters application/x-quorvatix-parameters
  done
  for file in "$gallery"/*.fpi; do
    check_type "$file" application/x-quorvatix-image-parameters application/x-quorvatix-image-parameters
  done
  # The first bytes of .fpz and .fdz files are alike: by name only.
  check_type "$fpz" application/x-quorvatix-image-parameters application/x-quorvatix-parameters
  printf '+++ a/file\n+added line\n' >"$work/nameless/patch"
  [ "$(content_type "$work/nameless/patch")" != application/x-quorvatix-parameters ] ||
    fail "a text starting with '+' was taken for parameters"
  cp "$source/tests/data/palette.pal" "$work/nameless/colours.pal"
  [ "$(content_type "$work/nameless/colours.pal")" = application/x-quorvatix-palette ] || fail "palette file not known"
else
  echo "SKIP: file types (needs update-mime-database and gio)"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/quorvatix.desktop" || fail "desktop entry not valid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$root/share/metainfo/org.example.quorvatix.metainfo.xml" >/dev/null ||
    fail "AppStream data not valid"
fi

[ "$failures" -eq 0 ] || exit 1
echo "install tree complete"
