#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Redraws every picture of Zelvan into images/ and icons/ beside this script.
# Needs ImageMagick 6 (`convert`), python3 and the Liberation/Carlito fonts
# (scripts/install-deps). Nothing random is drawn, so a rerun on the same
# system gives the same pictures; PNG time stamps and JPEG metadata are left out.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
img="$here/images"
ico="$here/icons"
mkdir -p "$img" "$ico"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

font() {
    local f
    for f in "$@"; do
        if [ -f "$f" ]; then echo "$f"; return; fi
    done
    echo "draw-pictures: none of these fonts is installed: $*" >&2
    exit 1
}
fonts=/usr/share/fonts/truetype
bold=$(font "$fonts/crosextra/Carlito-Bold.ttf" "$fonts/liberation2/LiberationSans-Bold.ttf" "$fonts/dejavu/DejaVuSans-Bold.ttf")
regular=$(font "$fonts/crosextra/Carlito-Regular.ttf" "$fonts/liberation2/LiberationSans-Regular.ttf" "$fonts/dejavu/DejaVuSans.ttf")

# The board palette shared by every picture.
mask='#0d4a25'       # solder mask, the flat ground of the banners
maskLight='#1b7a3e'  # lighter solder mask over a copper pour
maskDark='#08351a'
copper='#c8873a'
copperLight='#f0c07a'
gold='#e2b84f'
silk='#f3f0e2'       # silkscreen white

png() {
    local out=${*: -1}
    convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt "$out"
}
# Full-resolution colour (no chroma subsampling) keeps small coloured text sharp.
jpeg() { convert "$1" -strip -quality 88 -sampling-factor 1x1 -interlace none "$2"; }

# Drawing helpers: each appends ImageMagick drawing options to the array "draw".
trace() { # trace WIDTH X,Y...: a copper track, dark edge under a light core
    local w=$1; shift
    local p="M $1" q
    shift
    for q in "$@"; do p+=" L $q"; done
    local style='stroke-linecap round stroke-linejoin round'
    draw+=(-fill none -stroke "$copper" -strokewidth $((w + 1)) -draw "$style path '$p'"
           -stroke "$copperLight" -strokewidth $((w - 1)) -draw "$style path '$p'")
}
via() { # via X Y: a gold annular ring round its drilled hole
    draw+=(-stroke none -fill "$gold" -draw "circle $1,$2 $(($1 + 4)),$2"
           -fill "$maskDark" -draw "circle $1,$2 $(($1 + 2)),$2")
}

# --- Main window banner (602x57), shown squeezed to 585x48. The maker's logo
# covers its left 130x33 pixels, so that corner stays plain mask and the name
# starts right of it.
draw=()
trace 3 12,47 398,47 405,40 476,40
trace 3 418,31 476,31
trace 3 404,9 436,9 449,22 476,22
for y in 13 22 31 40; do trace 3 562,$y 604,$y; done
via 12 47; via 418 31; via 404 9
for y in 13 22 31 40; do # the chip's gull-wing leads on their pads
    draw+=(-stroke none -fill "$gold" -draw "rectangle 474,$((y - 3)) 491,$((y + 3))"
           -draw "rectangle 547,$((y - 3)) 564,$((y + 3))"
           -fill '#d8d8d0' -draw "rectangle 480,$((y - 2)) 488,$((y + 2))"
           -draw "rectangle 550,$((y - 2)) 558,$((y + 2))")
done
draw+=(-stroke none -fill '#1c1c1c' -draw "roundrectangle 488,5 550,51 2,2"
       -fill '#2a2a2a' -draw "roundrectangle 490,7 548,49 2,2"
       -fill '#5a5a5a' -draw "circle 497,14 499,14"
       -font "$regular" -pointsize 10 -fill '#8c8c8c' -annotate +506+33 'ZV54')
convert -size 602x57 "xc:$mask" "${draw[@]}" \
    -font "$bold" -pointsize 38 -fill '#06250f' -annotate +150+41 'Zelvan' \
    -fill "$silk" -annotate +148+39 'Zelvan' \
    -font "$regular" -pointsize 16 -fill "$copperLight" -annotate +266+38 'PCB unit converter' \
    "$tmp/banner.png"
jpeg "$tmp/banner.png" "$img/banner.jpg"

# --- The maker's logo (130x28 GIF), laid over the banner's left end on the same
# mask colour: a round pad as the mark beside the name.
draw=(-fill none -stroke "$gold" -strokewidth 3 -draw "circle 14,14 14,6.5"
       -stroke none -fill "$gold" -draw "circle 14,14 14,11")
convert -size 130x28 "xc:$mask" "${draw[@]}" \
    -font "$bold" -pointsize 21 -fill '#06250f' -annotate +32+21 'Orvane' \
    -fill "$silk" -annotate +31+20 'Orvane' \
    -dither None -colors 64 "$tmp/logo.png"
convert "$tmp/logo.png" -strip "$img/logo.gif"

# --- "On" and "Off" button pictures. The buttons are 129x27 and show only the
# middle of the picture, under their caption: a glossy strip with a lamp at each
# end (lit green for On, dark red for Off) leaves the caption room in the middle.
lamp() { # lamp X Y RING BODY GLINT [R]: an indicator lamp seen from the front
    local r=${6:-5}
    draw+=(-stroke none -fill "$3" -draw "circle $1,$2 $(($1 + r)),$2"
           -fill "$4" -draw "circle $1,$2 $(($1 + r - 1)),$2"
           -fill "$5" -draw "circle $(($1 - 1)),$(($2 - 1)) $1,$(($2 - 1))")
}
strip() { # strip W H TOP TOP2 BOTTOM2 BOTTOM Y: glossy band, upper half lighter
    draw+=(\( -size "$1x$(($2 / 2))" gradient:"$3"-"$4" \) -geometry +0+"$7" -composite
           \( -size "$1x$(($2 - $2 / 2))" gradient:"$5"-"$6" \) -geometry +0+$(($7 + $2 / 2)) -composite)
}
draw=()
strip 128 36 '#f6fdf2' '#e3f6da' '#cdeec0' '#b5e2a4' 46
lamp 7 64 '#1f6e2c' '#3ccf52' '#e9ffe6'
lamp 120 64 '#1f6e2c' '#3ccf52' '#e9ffe6'
convert -size 128x128 radial-gradient:'#e8f8e0'-'#7fc36c' "${draw[@]}" \
    -fill none -stroke '#8fcf7c' -draw "line 0,45 127,45" -draw "line 0,82 127,82" "$tmp/on.png"
jpeg "$tmp/on.png" "$img/button-on.jpg"

draw=()
strip 195 36 '#faf1ee' '#efdfda' '#e6d0ca' '#d9bdb6' 11
lamp 37 29 '#5a1d17' '#9b2c22' '#d98a80' 3
lamp 157 29 '#5a1d17' '#9b2c22' '#d98a80' 3
convert -size 195x58 radial-gradient:'#efe2de'-'#b99890' "${draw[@]}" \
    -fill none -stroke '#c9a8a0' -draw "line 0,10 194,10" -draw "line 0,47 194,47" "$tmp/off.png"
jpeg "$tmp/off.png" "$img/button-off.jpg"

# --- The clear button (800x600): only the middle 129x35 shows behind the caption,
# so the middle carries a pale glossy band and the faint tracks stay outside it.
draw=()
strip 800 44 '#fffdf6' '#fbf3de' '#f5e8c8' '#ecdcb4' 278
for t in "-10,120 180,120 220,160 330,160" "470,160 580,160 620,120 810,120" \
         "-10,470 240,470 280,430 330,430" "470,430 520,430 560,470 810,470" \
         "260,-10 260,60" "540,610 540,520"; do
    read -ra pts <<<"$t"
    p="M ${pts[0]}"; for q in "${pts[@]:1}"; do p+=" L $q"; done
    draw+=(-fill none -stroke '#e3d3ad' -strokewidth 8
           -draw "stroke-linecap round stroke-linejoin round path '$p'")
done
for c in 330,160 470,160 330,430 470,430 260,60 540,520; do # pads at the inner ends
    x=${c%,*}; y=${c#*,}
    draw+=(-stroke none -fill '#e3d3ad' -draw "circle $x,$y $((x + 14)),$y"
           -fill '#f3e8cf' -draw "circle $x,$y $((x + 6)),$y")
done
convert -size 800x600 gradient:'#f7efdc'-'#ead9b4' "${draw[@]}" \
    -fill none -stroke '#d9c398' -draw "line 0,273 799,273" -draw "line 0,326 799,326" \
    "$tmp/clear.png"
jpeg "$tmp/clear.png" "$img/clear.jpg"

# --- The clear button's pressed picture (32x32, no transparency at 24 bits):
# an eraser on the pressed, darker tone of the button.
png -size 32x32 gradient:'#eadbb8'-'#dcc89c' \
    -stroke '#7a5a3a' -strokewidth 1 -fill '#f3a0ac' -draw "polygon 5.5,20.5 16.5,9.5 26.5,19.5 15.5,30.5" \
    -fill '#4a78c8' -draw "polygon 10.5,15.5 16.5,9.5 26.5,19.5 20.5,25.5" \
    -fill '#f4f4f4' -draw "polygon 12.5,13.5 16.5,9.5 26.5,19.5 22.5,23.5" \
    -stroke '#9b8259' -draw "line 4,29 12,29" -draw "line 2,26 6,26" \
    "$img/clear-down.png"

# --- Calculator banner (246x33), the main banner's family at a smaller scale.
draw=()
trace 2 176,9 208,9 214,15 248,15
trace 2 188,24 248,24
trace 2 160,24 166,24 175,33
via 176 9; via 188 24; via 160 24
convert -size 246x33 "xc:$mask" "${draw[@]}" \
    -font "$bold" -pointsize 22 -fill '#06250f' -annotate +13+22 'Orvane' \
    -fill "$silk" -annotate +12+21 'Orvane' \
    -font "$regular" -pointsize 15 -fill "$copperLight" -annotate +84+21 'calculator' \
    "$tmp/calc-banner.png"
jpeg "$tmp/calc-banner.png" "$img/calc-banner.jpg"

# --- Calculator button pictures (20x20, transparent), one per kind of key, pale
# enough for the caption drawn over them: a copper pad for digits, a blue chip
# for operators, a red lamp for CE, a green lamp for "=", a plated hole for ".".
png -size 20x20 xc:none -fill '#c8873a' -draw "roundrectangle 3,3 16,16 3,3" \
    -fill '#f6ddb2' -draw "roundrectangle 5,5 14,14 2,2" "$img/calc-digit.png"
png -size 20x20 xc:none -fill '#c9cff2' -stroke '#6c78c8' -strokewidth 1.5 \
    -draw "roundrectangle 4,5 15,14 1,1" -stroke none -fill '#6c78c8' \
    -draw "rectangle 6,2 7,4" -draw "rectangle 12,2 13,4" -draw "rectangle 6,15 7,17" -draw "rectangle 12,15 13,17" \
    "$img/calc-operator.png"
png -size 20x20 xc:none -fill '#f4b3a8' -stroke '#c0392b' -strokewidth 1.5 -draw "circle 9.5,9.5 9.5,3" \
    -stroke none -fill '#fde8e4' -draw "circle 8,8 8,6" "$img/calc-clear.png"
png -size 20x20 xc:none -fill '#bde8bd' -stroke '#2e9a44' -strokewidth 1.5 -draw "circle 9.5,9.5 9.5,3" \
    -stroke none -fill '#effbef' -draw "circle 8,8 8,6" "$img/calc-equals.png"
png -size 20x20 xc:none -fill none -stroke "$gold" -strokewidth 3 -draw "circle 9.5,9.5 9.5,4.5" \
    "$img/calc-point.png"

# --- The about window's "latest version" picture (100x80): a download arrow
# over the globe, on the light face of the button.
draw=(-stroke '#2f6aa8' -strokewidth 1.5 -fill '#cfe2f5' -draw "circle 50,36 50,8"
      -fill none -stroke '#6e9dd0' -strokewidth 1.2
      -draw "ellipse 50,36 12,28 0,360" -draw "line 50,8 50,64"
      -draw "line 23,36 77,36" -draw "line 27,22 73,22" -draw "line 27,50 73,50"
      -stroke '#0d4a25' -strokewidth 1.5 -fill '#2ea24c'
      -draw "polygon 43,26 57,26 57,46 66,46 50,62 34,46 43,46"
      -stroke none -fill '#ffffff55' -draw "polygon 45,28 49,28 49,48 42,48"
      -fill "$copper" -draw "roundrectangle 24,68 76,72 2,2")
convert -size 100x80 gradient:'#fbfcf8'-'#e4ece0' "${draw[@]}" "$tmp/latest.png"
jpeg "$tmp/latest.png" "$img/latest.jpg"

# --- Window icon: a board with two arrows, copper one way and tinned the other.
# The arrows are laid out on a 16-unit grid whose edges fall on whole pixels at
# 16, 32, 48, 64, 128 and 256, so the small sizes stay crisp; vias at the arrow
# tails and a metal edge appear only where there is room for them.
icon() {
    local s=$1 out=$2 k b r px
    k=$(awk -v s="$s" 'BEGIN { print s / 16 }')          # pixels per grid unit
    px=$(awk -v s="$s" 'BEGIN { print 16 / s }')         # one pixel in grid units
    b=$(awk -v s="$s" 'BEGIN { b = int(s / 24 + 0.5); print (b < 1) ? 1 : b }')
    r=$(awk -v s="$s" 'BEGIN { print s * 2.5 / 16 }')
    local t="scale $k,$k"
    draw=(-fill "$maskDark" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r"
          -fill "$maskLight" -draw "roundrectangle $b,$b $((s - 1 - b)),$((s - 1 - b)) $r,$r")
    if [ "$s" -ge 48 ]; then # a faint sheen fading down the mask
        draw+=(\( -size "${s}x$((s * 5 / 8))" gradient:'rgba(255,255,255,0.16)'-'rgba(255,255,255,0)'
               -background none -extent "${s}x${s}" \) -compose atop -composite -compose over)
    fi
    local copperEdge=none tinEdge=none
    if [ "$s" -ge 64 ]; then copperEdge='#9a5a1c'; tinEdge='#8d8d80'; fi
    draw+=(-stroke "$copperEdge" -strokewidth "$px" -fill "$copperLight"
           -draw "$t polygon 3,4 10,4 10,2 13,5 10,8 10,6 3,6"
           -stroke "$tinEdge" -fill "$silk"
           -draw "$t polygon 13,10 6,10 6,8 3,11 6,14 6,12 13,12" -stroke none)
    if [ "$s" -ge 32 ]; then
        draw+=(-fill "$gold" -draw "$t circle 3,5 4.6,5" -draw "$t circle 13,11 14.6,11"
               -fill "$maskDark" -draw "$t circle 3,5 3.7,5" -draw "$t circle 13,11 13.7,11")
    fi
    convert -size "${s}x${s}" xc:none "${draw[@]}" "$out"
}
for s in 16 22 24 32 48 64 128 256; do
    icon "$s" "$tmp/icon-$s.png"
    png "$tmp/icon-$s.png" "$ico/zelvan-$s.png"
done

# --- ICO containers, written by hand: ImageMagick cannot choose the colour depth
# of each image inside one icon file.
python3 - "$tmp" "$img" "$ico" <<'PY'
import struct, subprocess, sys

tmp, img, ico = sys.argv[1:4]

def rgba(path):
    out = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True, capture_output=True).stdout
    w, h = map(int, subprocess.run(["identify", "-format", "%w %h", path], check=True,
                                   capture_output=True, text=True).stdout.split())
    return w, h, [tuple(out[i:i + 4]) for i in range(0, len(out), 4)]

def quantised(path, colours):
    # ImageMagick picks the palette; transparency becomes the AND mask, so alpha
    # is cut at one half before the colours are chosen.
    q = f"{tmp}/q{colours}.png"
    subprocess.run(["convert", path, "-channel", "A", "-threshold", "50%", "+channel",
                    "-dither", "None", "-colors", str(colours), q], check=True)
    return rgba(q)

def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4

def dib(w, h, pixels, bpp):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask (bottom-up)."""
    opaque = [p[3] >= 128 for p in pixels]
    palette = []
    if bpp <= 8:
        # Black first: transparent pixels point at it, so the XOR image leaves the
        # screen untouched under the mask.
        palette = [(0, 0, 0)]
        index = {(0, 0, 0): 0}
        for p, o in zip(pixels, opaque):
            if o and p[:3] not in index:
                index[p[:3]] = len(palette)
                palette.append(p[:3])
        if len(palette) > (1 << bpp):
            raise SystemExit(f"{len(palette)} colours do not fit {bpp} bits per pixel")
        palette += [(0, 0, 0)] * ((1 << bpp) - len(palette))
    xor = bytearray()
    for y in reversed(range(h)):
        row = pixels[y * w:(y + 1) * w]
        line = bytearray()
        if bpp == 32:
            for r, g, b, a in row:
                line += bytes((b, g, r, a))
        elif bpp == 24:
            for r, g, b, a in row:
                line += bytes((b, g, r))
        else:
            idx = [index[p[:3]] if p[3] >= 128 else 0 for p in row]
            if bpp == 8:
                line += bytes(idx)
            else:
                for i in range(0, w, 2):
                    line.append(idx[i] << 4 | (idx[i + 1] if i + 1 < w else 0))
        line += bytes(row_bytes(w * bpp) - len(line))
        xor += line
    andmask = bytearray()
    for y in reversed(range(h)):
        bits = 0
        line = bytearray()
        for x in range(w):
            bits = bits << 1 | (0 if opaque[y * w + x] else 1)
            if x % 8 == 7:
                line.append(bits); bits = 0
        if w % 8:
            line.append(bits << (8 - w % 8))
        line += bytes(row_bytes(w) - len(line))
        andmask += line
    colours = len(palette)
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0, len(xor) + len(andmask), 0, 0,
                         colours, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + pal + bytes(xor) + bytes(andmask), colours

def write_ico(path, images):
    """images: (w, h, pixels, bpp) in directory order."""
    blobs = [(w, h, bpp) + dib(w, h, px, bpp) for w, h, px, bpp in images]
    offset = 6 + 16 * len(blobs)
    head = struct.pack("<HHH", 0, 1, len(blobs))
    entries = b""
    for w, h, bpp, data, colours in blobs:
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, colours % 256, 0, 1, bpp, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(b[3] for b in blobs))

images = []
for size in (48, 32, 16):
    src = f"{tmp}/icon-{size}.png"
    for bpp in (4, 8, 32):
        if bpp == 32:
            w, h, px = rgba(src)
        else:
            w, h, px = quantised(src, 15 if bpp == 4 else 255)
        images.append((w, h, px, bpp))
write_ico(f"{ico}/zelvan.ico", images)

w, h, px = rgba(f"{img}/clear-down.png")
write_ico(f"{img}/clear-down.ico", [(w, h, px, 24)])
PY

echo "draw-pictures: done"
