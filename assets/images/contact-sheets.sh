#!/usr/bin/env bash
# Builds the contact sheets in docs/images/ from the images a build generated (the
# sprites as stored, as the passes draw them, and the character series frame by frame):
#   assets/images/contact-sheets.sh <build dir> [<docs/images dir>]
# The sky panoramas are shown flipped, zenith at the top, as one would look at them.
set -euo pipefail
build=${1:?usage: contact-sheets.sh <build dir> [output dir]}
out=${2:-$(dirname "$0")/../../docs/images}
s="$build/assets/sprites"
m="$s/miljoo"
mkdir -p "$out"
ff() { ffmpeg -v error -y "$@"; }

# Ground, water, skies, logo and dither.
ff -i "$m/metsamaasto1.png" -i "$m/metsamaastoyo.png" -i "$m/suomaasto.png" -i "$m/suomaasto2.png" \
   -i "$m/maasto/vesi/vesi001.jpg" -i "$m/maasto/vesi/vesi002.jpg" \
   -i "$m/taivaspaiva.png" -i "$m/taivasyo.png" -i "$s/tolmero.png" -i "$s/dither.png" \
   -filter_complex "\
[0]scale=192:192[g0];[1]scale=192:192[g1];[2]scale=192:192[g2];[3]scale=192:192[g3];\
[4]scale=192:192[w0];[5]scale=192:192[w1];[g0][g1][g2][g3][w0][w1]hstack=inputs=6[row1];\
[6]vflip,scale=1152:288,format=rgb24[sky0];[7]vflip,scale=1152:288,format=rgb24[sky1];\
[8]scale=341:192,format=rgb24[logo];[9]crop=192:192:0:0,format=rgb24[dither];\
color=c=white:s=619x192[gap];[logo][dither][gap]hstack=inputs=3[row4];\
[row1][sky0][sky1][row4]vstack=inputs=4" -frames:v 1 "$out/assets-ground-sky.png"

# Trees, small plants, stumps and the character frames (on grey, to show their alpha).
trees=(koivu1 koivu2 kuusi1 kuusi2 manty1 manty2 manty3)
plants=(heinat/tuppo1 heinat/tuppo2 heinat/tuppo3 heinat/tuppo4 heinat/tuppo5 maasto/maatuvakoivu maasto/suokukka
        maasto/varpuinen1 maasto/varpuinen2 maasto/varpuinen3 maasto/varpuinen4 maasto/varpuinen5 maasto/varpuinen6)
# The stump set as the build wrote it: the stump, then the twigs by number.
mapfile -t twigs < <(cd "$m/maasto/kanto" && ls varpu*.png | sort -V | sed 's/\.png$//')
stumps=(kanto "${twigs[@]}")
frames=(riekko/riekko1 riekko/riekko2 riekko/riekko3)
for p in etu etue; do for i in 1 2 3 4 5 6 7 8 9 91 92 93; do frames+=(tytto/$p$i); done; done
for i in 1 2 3 4; do frames+=(tytto/itku$i); done
for i in 1 2 3 4 5 6 7 8; do frames+=(tytto/sivu$i); done
for i in 1 2 3 4 5 6; do frames+=(tytto/tuli$i); done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
row() {  # row <output> <width> <height> <files...>
    local dest=$1 w=$2 h=$3
    shift 3
    local inputs=() graph="" labels=""
    local n=0
    for f in "$@"; do
        inputs+=(-i "$f")
        graph+="[$n]scale=$w:$h,format=rgba[i$n];color=c=0x808080:s=${w}x$h[b$n];[b$n][i$n]overlay=format=auto[o$n];"
        labels+="[o$n]"
        n=$((n + 1))
    done
    ff "${inputs[@]}" -filter_complex "${graph}${labels}hstack=inputs=$n" -frames:v 1 "$dest"
}
row "$tmp/trees.png" 219 438 $(for t in "${trees[@]}"; do echo "$m/puut/$t.png"; done)
row "$tmp/plants.png" 118 118 $(for p in "${plants[@]}"; do echo "$m/$p.png"; done)
row "$tmp/stumps.png" 96 96 $(for p in "${stumps[@]}"; do echo "$m/maasto/kanto/$p.png"; done)
row "$tmp/frames1.png" 68 136 $(for f in "${frames[@]:0:23}"; do echo "$s/animaatiot/$f.png"; done)
row "$tmp/frames2.png" 68 136 $(for f in "${frames[@]:23}"; do echo "$s/animaatiot/$f.png"; done)
ff -i "$tmp/trees.png" -i "$tmp/plants.png" -i "$tmp/stumps.png" -i "$tmp/frames1.png" -i "$tmp/frames2.png" \
   -filter_complex "[0]pad=1564:ih:color=white[a];[1]pad=1564:ih:color=white[b];[2]pad=1564:ih:color=white[c];\
[3]pad=1564:ih:color=0x808080[d];[4]pad=1564:ih:color=0x808080[e];\
[a][b][c][d][e]vstack=inputs=5" -frames:v 1 "$out/assets-sprites.png"

# The sprites as the sprite passes draw them (colour arithmetic, near-white and alpha cuts,
# darkening toward the foot of vegetation), and the character series frame by frame.
cmake --build "$build" --target tolmero_sprite_preview > /dev/null
preview="$build/assets/images/tolmero_sprite_preview"
"$preview" "$tmp/d-trees.png" plant 1024x2048 420 b8c8dc $(for t in "${trees[@]}"; do echo "$m/puut/$t.png"; done)
"$preview" "$tmp/d-grass.png" grass 1024x2048 150 6e6a48 $(for i in 1 2 3 4 5; do echo "$m/heinat/tuppo$i.png"; done)
"$preview" "$tmp/d-plants.png" plant 1024x2048 150 6e6a48 $(for p in "${plants[@]:5}"; do echo "$m/$p.png"; done)
"$preview" "$tmp/d-stump.png" stack:stump 512x512 300 6e6a48 $(for p in "${stumps[@]}"; do echo "$m/maasto/kanto/$p.png"; done)
"$preview" "$tmp/d-twigs.png" stump 512x512 100 6e6a48 $(for p in "${stumps[@]}"; do echo "$m/maasto/kanto/$p.png"; done)
ff -i "$tmp/d-grass.png" -i "$tmp/d-plants.png" -filter_complex "[0][1]hstack=inputs=2" -frames:v 1 "$tmp/d-small.png"
ff -i "$tmp/d-trees.png" -i "$tmp/d-small.png" -i "$tmp/d-stump.png" -i "$tmp/d-twigs.png" -filter_complex "\
[0]pad=2100:ih:color=0xb8c8dc[a];[1]pad=2100:ih:color=0x6e6a48[b];[2]pad=2100:ih:color=0x6e6a48[c];\
[3]pad=2100:ih:color=0x6e6a48[d];[a][b][c][d]vstack=inputs=4" -frames:v 1 "$out/sprites-as-drawn.png"
a="$s/animaatiot"
series() { for n in "$@"; do echo "$a/tytto/$n.png"; done; }
"$preview" "$tmp/c-riekko.png" character 512x1024 220 8a9a7a "$a/riekko/riekko1.png" "$a/riekko/riekko2.png" "$a/riekko/riekko3.png"
"$preview" "$tmp/c-etu.png" character 512x1024 220 8a9a7a $(series etu1 etu2 etu3 etu4 etu5 etu6 etu7 etu8 etu9 etu91 etu92 etu93)
"$preview" "$tmp/c-etue.png" character 512x1024 220 8a9a7a $(series etue1 etue2 etue3 etue4 etue5 etue6 etue7 etue8 etue9 etue91 etue92 etue93)
"$preview" "$tmp/c-sivu.png" character 512x1024 220 8a9a7a $(series sivu1 sivu2 sivu3 sivu4 sivu5 sivu6 sivu7 sivu8)
"$preview" "$tmp/c-itku-tuli.png" character 512x1024 220 8a9a7a $(series itku1 itku2 itku3 itku4 tuli1 tuli2 tuli3 tuli4 tuli5 tuli6)
ff -i "$tmp/c-riekko.png" -i "$tmp/c-etu.png" -i "$tmp/c-etue.png" -i "$tmp/c-sivu.png" -i "$tmp/c-itku-tuli.png" -filter_complex "\
[0]pad=1400:ih:color=0x8a9a7a[a];[1]pad=1400:ih:color=0x8a9a7a[b];[2]pad=1400:ih:color=0x8a9a7a[c];\
[3]pad=1400:ih:color=0x8a9a7a[d];[4]pad=1400:ih:color=0x8a9a7a[e];[a][b][c][d][e]vstack=inputs=5" -frames:v 1 "$out/animation-frames.png"
