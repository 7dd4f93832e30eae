#!/usr/bin/env bash
# Installs the Debian package on this machine with apt (root or sudo), uses it
# as a desktop user would, removes it and checks that nothing is left.
# Usage: scripts/check_package.sh [PACKAGE.deb]   (default: scripts/package.sh builds one)
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -qq -o=Dpkg::Use-Pty=0 "$@"; }

# What a desktop brings and the checks use: file types, default applications,
# shell completion, a display for the program.
tools=(xdg-utils shared-mime-info libfile-mimeinfo-perl desktop-file-utils libglib2.0-bin
       bash-completion man-db xvfb xauth xdotool)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt_get update
  apt_get install --no-install-recommends "${missing[@]}" >/dev/null
fi

deb=${1:-$(scripts/package.sh)}
deb=$(readlink -f "$deb")
echo "package: $deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() {  # DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}'; }
ours() {  # every path outside the user's folders that carries the program's name
  find /usr /etc /opt /var/lib -xdev -iname '*quorvatix*' -not -path '/var/lib/apt/lists/*' 2>/dev/null | sort
}

if dpkg-query -W -f='${Status}' quorvatix 2>/dev/null | grep -q installed; then
  apt_get purge quorvatix >/dev/null
fi
before=$(ours)

apt_get install "$deb" >/dev/null
check "installs with apt" dpkg-query -W -f='${Status}\n' quorvatix

# The renderer from PATH, in a folder of the user's.
cd "$work"
check "quorvatix-render is on PATH" test "$(command -v quorvatix-render)" = /usr/bin/quorvatix-render
check "quorvatix-render -o x.png" quorvatix-render -o x.png
check "x.png is 640x480" test "$(png_size x.png)" = 640x480
cp /usr/lib/quorvatix/gallery/seahorse-valley.fra /usr/lib/quorvatix/gallery/elephant-trunks.fpi \
   /usr/lib/quorvatix/gallery/deep-antenna-star.fpz .
cp seahorse-valley.fra unnamed

# File types, as a desktop without a session asks (xdg-mime's generic way)
# and as GNOME does.
for desktop in "" GNOME; do
  label=${desktop:-generic}
  check "xdg-mime ($label): .fra is application/x-quorvatix-parameters" \
    test "$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype seahorse-valley.fra)" = application/x-quorvatix-parameters
  check "xdg-mime ($label): .fpi is application/x-quorvatix-image-parameters" \
    test "$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype elephant-trunks.fpi)" = application/x-quorvatix-image-parameters
done
check "a parameter file without a name is known by its content" \
  test "$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype unnamed)" = application/x-quorvatix-parameters
check "Quorvatix opens parameter files" \
  test "$(xdg-mime query default application/x-quorvatix-parameters)" = quorvatix.desktop
check "Quorvatix opens files with picture" \
  test "$(xdg-mime query default application/x-quorvatix-image-parameters)" = quorvatix.desktop

# The thumbnailer, started as file managers start it.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/quorvatix.thumbnailer)
for size in 128 256; do
  for file in seahorse-valley.fra deep-antenna-star.fpz; do
    command=${exec_line//%s/$size}
    command=${command//%i/$work/$file}
    command=${command//%o/$work/thumb-$size-$file.png}
    check "thumbnail $size of $file" sh -c "$command"
    check "thumbnail $size of $file is ${size}x$((size * 3 / 4))" \
      test "$(png_size "thumb-$size-$file.png" 2>/dev/null)" = "${size}x$((size * 3 / 4))"
  done
done

check "man quorvatix-render" sh -c 'man -P cat quorvatix-render 2>/dev/null | grep -q -- "--fast-deep"'
check "man quorvatix" sh -c 'man -w quorvatix >/dev/null'

# Completion as bash's loader finds it.
complete_words() {  # LINE... -> the completions of the last word
  bash -c 'source /usr/share/bash-completion/bash_completion
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _completion_loader "$1"; $(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/")
    printf "%s\n" "${COMPREPLY[@]}"' completion "$@"
}
mkdir completion && cd completion
touch a.fra b.fdz c.fpi d.fpz colours.pal notes.txt picture.png
check "completion of --pal" test "$(complete_words quorvatix-render --pal | sort | tr '\n' ' ')" = \
  "--palette --palette-gen --palette-switches "
check "completion of a parameter file" test "$(complete_words quorvatix-render '' | sort | tr '\n' ' ')" = \
  "a.fra b.fdz c.fpi d.fpz "
check "completion of --palette FILE" test "$(complete_words quorvatix-render --palette '')" = colours.pal
check "completion of -o FILE" test "$(complete_words quorvatix-render -o '')" = picture.png
check "completion of --mode" test "$(complete_words quorvatix-render --mode 'Q')" = Q
check "completion of quorvatix FILE" test "$(complete_words quorvatix 'c')" = c.fpi
cd "$work"

# A double-click: the desktop entry started on a file with picture shows the
# stored picture at its own size (a refused file would show a message box).
stored=$(quorvatix-render deep-antenna-star.fpz --info | sed -n 's/^PicWidth=//p;s/^PicHeight=//p' | paste -sd x)
if xvfb-run -a -s "-screen 0 1600x1000x24" sh -c '
    gio launch /usr/share/applications/quorvatix.desktop "$1"
    found=1
    for i in $(seq 1 50); do
      for window in $(xdotool search --name "^QUORVATIX" 2>/dev/null); do
        xdotool getwindowgeometry "$window" | grep -q "Geometry: $2\$" && found=0 && pid=$(xdotool getwindowpid "$window")
      done
      [ $found -eq 0 ] && break
      sleep 0.2
    done
    [ -n "${pid:-}" ] && kill "$pid"
    exit $found' launch "$work/deep-antenna-star.fpz" "$stored" 2>/dev/null; then
  ok "the desktop entry opens a .fpz in Quorvatix, its picture $stored as stored"
else
  fail "the desktop entry opens a .fpz in Quorvatix, its picture $stored as stored"
fi

cd /
apt_get purge quorvatix >/dev/null
check "removed" sh -c '! dpkg-query -W -f="\${Status}" quorvatix 2>/dev/null | grep -q " installed"'
after=$(ours)
check "no files left behind" test "$before" = "$after"
[ "$before" = "$after" ] || diff <(echo "$before") <(echo "$after") || true
check "the file types went with the package" \
  test "$(xdg-mime query filetype "$work/seahorse-valley.fra")" != application/x-quorvatix-parameters

echo "$failures failed"
[ "$failures" -eq 0 ]
