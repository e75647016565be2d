#!/usr/bin/env bash
# Writes the pictures of the format cases into OUT (made or emptied), with ImageMagick:
#   png/<name>.png   every PNG colour type at every bit depth it allows, plain and interlaced, with
#                    alpha channels and with tRNS transparency, each 64 x 48;
#   png/<name>.bmp   ImageMagick's own rendering of it over black (24-bit), for the pixel compare;
#   anim.gif         two frames, red then green; cmyk.jpg and cmyk.bmp (its rendering);
#   kinds/           one picture of each name the "Others" case lists or leaves out;
#   turned6.tif      a TIFF whose orientation tag turns it upright;
#   big-rgb.png, big-rgba.png   1600 x 1200, one colour, opaque and half transparent;
#   huge.png         a small file that claims 30000 x 30000 pixels.
#   make-format-set.sh OUT
set -euo pipefail
out=$1
rm -rf "$out.tmp" && mkdir -p "$out.tmp/png" "$out.tmp/kinds"
cd "$out.tmp"
# No chunk that changes how a viewer maps the samples (gamma, colour profile) or says nothing.
X="-define png:exclude-chunks=gAMA,cHRM,bKGD,tIME,tEXt,zTXt,iTXt,sRGB,iCCP,date,vpAg"
grey="-size 48x64 gradient:white-black -rotate 90 -colorspace gray"
colour="-size 64x48 gradient:red-blue"
# Opacity: a ramp for alpha channels; opaque with a transparent middle for tRNS.
ramp="( -size 48x64 gradient:white-black -rotate 90 ) -alpha off -compose copyopacity -composite"
hole="( -size 64x48 xc:white -fill black -draw rectangle_16,12,47,35 ) -alpha off -compose copyopacity -composite"
make() {  # make NAME COLOUR-TYPE BIT-DEPTH IMAGEMAGICK-ARGS... (color type "" leaves it to a prefix)
  local name=$1 type=$2 depth=$3
  shift 3
  local args=("${@//rectangle_/rectangle }")
  for interlace in None PNG; do
    local file=png/$name-$([ $interlace = None ] && echo plain || echo adam7).png
    if [ -n "$type" ]; then
      convert "${args[@]}" $X -interlace $interlace -define png:color-type="$type" -define png:bit-depth="$depth" "$file"
    else
      convert "${args[@]}" $X -interlace $interlace "PNG8:$file"
    fi
    convert "$file" -background black -alpha remove -alpha off -type TrueColor -depth 8 "BMP3:${file%.png}.bmp"
  done
}
for d in 1 2 4 8 16; do make grey$d 0 $d $grey -depth $d; done
for d in 8 16; do make rgb$d 2 $d $colour -depth $d; done
make palette1 3 1 -size 64x48 xc:yellow -fill blue -draw "rectangle 0,0,31,47"
for d in 2 4 8; do make palette$d 3 $d $colour +dither -colors $((1 << d)); done
for d in 8 16; do make greyalpha$d 4 $d $grey $ramp -depth $d; done
for d in 8 16; do make rgba$d 6 $d $colour $ramp -depth $d; done
make grey8-trns 0 8 $grey -depth 8 $hole
make rgb8-trns 2 8 $colour -depth 8 $hole
make palette8-trns "" 8 -size 64x48 gradient:yellow-blue $hole +dither -colors 16
# Each file must be what its name says: check colour type, bit depth, interlacing and tRNS.
python3 - <<'PY'
import glob, struct, sys
bad = 0
for path in sorted(glob.glob("png/*.png")):
    data = open(path, "rb").read()
    chunks, i = [], 8
    while i < len(data):
        n, = struct.unpack(">I", data[i:i + 4]); chunks.append((data[i + 4:i + 8].decode(), data[i + 8:i + 8 + n])); i += 12 + n
    ihdr = chunks[0][1]
    depth, ctype, interlace = ihdr[8], ihdr[9], ihdr[12]
    name = path.split("/")[1][:-4]
    kind, form = name.rsplit("-", 1)
    trns = kind.endswith("-trns")
    base = kind[:-5] if trns else kind
    want = {"grey": 0, "rgb": 2, "palette": 3, "greyalpha": 4, "rgba": 6}[base.rstrip("0123456789")]
    ok = (ctype == want and str(depth) == base[len(base.rstrip("0123456789")):] and
          interlace == (1 if form == "adam7" else 0) and trns == any(c == "tRNS" for c, _ in chunks))
    if not ok:
        print(f"{path}: colour type {ctype}, depth {depth}, interlace {interlace}, chunks {[c for c, _ in chunks]}")
        bad = 1
sys.exit(bad)
PY

convert -size 80x60 xc:red -size 80x60 xc:lime -loop 0 -delay 50 anim.gif
convert -size 80x60 xc:"rgb(200,100,50)" -colorspace CMYK -quality 95 cmyk.jpg
convert cmyk.jpg -colorspace sRGB -type TrueColor BMP3:cmyk.bmp
# The six that show, in name order, each its own colour; then two that must never be listed: a
# WebP (no decoder under this Wine) and a PNG named .heic (would show if it were listed).
convert -size 80x60 xc:"rgb(220,40,40)" -quality 95 jpg:kinds/a.jpeg
convert -size 80x60 xc:"rgb(40,200,40)" -quality 95 jpg:kinds/b.jpe
convert -size 80x60 xc:"rgb(40,40,220)" -quality 95 jpg:kinds/c.JFIF
convert -size 80x60 xc:"rgb(220,220,40)" png:kinds/d.png
convert -size 80x60 xc:"rgb(40,220,220)" gif:kinds/e.gif
convert -size 80x60 xc:"rgb(220,40,220)" -compress none tif:kinds/f.tif
convert -size 80x60 xc:"rgb(255,255,255)" webp:kinds/g.webp
convert -size 80x60 xc:"rgb(128,128,128)" png:kinds/h.heic
# Stored 80 x 60, red over blue, with orientation 6 (turn 90 degrees clockwise): upright it is
# 60 x 80, blue on the left, red on the right.
convert -size 80x30 xc:red -size 80x30 xc:blue -append -orient RightTop -compress none tif:turned6.tif
# Larger than the screen, so they are scaled down as they are decoded: opaque, and half transparent.
convert -size 1600x1200 xc:"rgb(30,160,90)" $X -define png:color-type=2 big-rgb.png
convert -size 1600x1200 xc:"rgba(200,100,50,0.5)" $X -define png:color-type=6 big-rgba.png
# IHDR 30000 x 30000, 8-bit RGB, with one row of data and no more.
python3 - <<'PY'
import struct, zlib
def chunk(t, d): return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
ihdr = struct.pack(">IIBBBBB", 30000, 30000, 8, 2, 0, 0, 0)
open("huge.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
                             chunk(b"IDAT", zlib.compress(b"\0" * 90001)) + chunk(b"IEND", b""))
PY
cd - >/dev/null
rm -rf "$out" && mv "$out.tmp" "$out"
