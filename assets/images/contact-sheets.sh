#!/usr/bin/env bash
# Builds the contact sheets in docs/images/ from the images a build generated:
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
stumps=(kanto varpu1 varpu2 varpu3 varpu4 varpu5 varpu6 varpu7 varpu8 varpu9 varpu91 varpu93 varpu94 varpu95 varpu96 varpu97)
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
