#!/usr/bin/env bash
# scripts/make_gallery.sh [RENDERER] [GALLERY-FOLDER]
# Makes the gallery again with the batch renderer: every parameter file from
# its options, then its thumbnail as the fractal browser's "MAKE THUMBNAIL"
# makes it (the file loaded, a 176 x 144 frame, the shown picture saved).
# The new set replaces the folder's contents only when every file was made.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root/build/quorvatix-render}
gallery=${2:-$root/gallery}
[ -x "$render" ] || { echo "make_gallery.sh: no renderer at $render (build it first)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$SECONDS

# add_file NAME OPTION...: the parameter file NAME from the options, then NAME.jpg.
add_file() {
    local name=$1
    shift
    echo "$name"
    "$render" "$@" --save "$work/$name"
    "$render" "$work/$name" --size 176x144 --thumbnail "$work/$name.jpg"
}

# Files with picture keep it at this size; the browser shows it without computing.
picture=(--size 400x300)

# Every view has edges of at most 18 significant digits: the renderer reads a
# loaded view back from its texts before the frame, the browser does not, and
# such edges read back to the same values.

# The whole set and its classic valleys, spirals and minibrots.
add_file mandelbrot.fra --mode 1 --center -0.65 0 1.25 --iter 500 \
    --palette-gen 20,60,140,0.7,0.9,1.3,250,200,255
add_file seahorse-valley.fra --mode P --center -0.74529 0.11307 1250 --iter 1500 --potvalue 0.000005
add_file elephant-valley.fra --center 0.2855 0.0115 1600 --iter 1500 --potvalue 0.00001 \
    --palette-gen 30,60,120,0.4,0.6,0.8,250,220,255
add_file seahorse-minibrot.fra --mode I --center -0.743644786 0.1318252536 4e5 --iter 2000
add_file needle-minibrot.fra --mode 6 --view -1.795 -1.745 -0.01875 0.01875 --iter 1000 --offset 90
add_file spiral-arms.fra --mode M --center -0.77568377 0.13646737 20000 --iter 2000
add_file triple-spiral.fra --mode 9 --center -0.0883 0.6549 2500 --iter 1500 --palette-switches exp3

# Julia sets, each in a 4:3 view.
add_file julia-basilica.fra --julia -1 0 --view -1.9 1.9 -1.425 1.425 --mode 4 --iter 500
add_file julia-rabbit.fra --julia -0.123 0.745 --view -1.6 1.6 -1.2 1.2 --mode N --iter 500
add_file julia-dendrite.fra --julia 0 1 --view -1.6 1.6 -1.2 1.2 --mode B --iter 300 --potvalue 0.00002
add_file julia-siegel-disk.fra --julia -0.390541 -0.586788 --view -1.6 1.6 -1.2 1.2 --mode J --iter 1000
add_file julia-dragon.fra --julia -0.8 0.156 --view -1.8 1.8 -1.35 1.35 --mode Q --iter 1000 --potvalue 0.000005

# With their pictures.
add_file elephant-trunks.fpi "${picture[@]}" --mode P --center 0.3007 0.0206 800 --iter 1500 --potvalue 0.00001
add_file seahorse-tail.fpi "${picture[@]}" --mode G --center -0.743644786 0.1318252536 4e5 --iter 2000
# The dendrite's three-armed fixed point, 2e-8 wide: deep zoom for a Julia set.
add_file julia-dendrite-deep.fpz "${picture[@]}" --julia 0 1 --mode R --iter 300 --potvalue 0.000005 \
    --view -0.30024260022012041915890982075 -0.30024258022012041915890982075 \
    0.624810526343826586879604447443 0.624810541343826586879604447443
# A period-35 minibrot beside c = i, seen 3000 times its size (about 4e-21 wide).
add_file deep-antenna-star.fpz "${picture[@]}" --iter 1000 \
    --center 8.6514340274984926486117162503549623e-13 0.99999999999657561213735193700696407 1.07e21

# Deep views: minibrots near the tips of antennae, found by their periods.
add_file deep-needle-star.fdz --iter 1000 --potvalue 0.00003 \
    --center -1.54368901269116253242007354526997414 0 2e23
add_file deep-minibrot-1e30.fdz --iter 1500 --potvalue 0.00003 \
    --palette-gen 60,150,40,0.4,0.2,0.6,250,255,250 --palette-switches hsl \
    --center -0.1010963638456198989331483382665780295207738 0.9562865108091399973392109488868648866621324 6e30
add_file deep-spiral-star-1e46.fdz --iter 1500 --offset 150 \
    --center 9.6518312016585173302880944277364250628370118595708761545965e-23 \
    1.00000000000000000000002967458252840543372686335014727129359 6e46
add_file deep-minibrot-1e59.fdz --iter 1500 --potvalue 0.00002 \
    --palette-gen 10,60,90,0.5,0.5,0.5,250,250,250 --palette-switches inverse \
    --center 9.5708830013205100908628021061123412415093336852695050425259097754634898e-29 \
    1.0000000000000000000000000000290434969256019704425164117180157516652621 1.7e59

mkdir -p "$gallery"
rm -f "$gallery"/*
mv "$work"/* "$gallery"/
echo "gallery: $(find "$gallery" -maxdepth 1 -name '*.f??' | wc -l) files in $((SECONDS - started)) s"
