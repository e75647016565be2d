#!/usr/bin/env python3
"""Writes a picture library for bench/walk_library.sh (and any case that wants a large tree):

    make_library.py ROOT [ALBUMS [DAYS [PICTURES]]]    (defaults 200 100 10)

ROOT/Album NNN/Day NN/IMG_NNNN.bmp: ALBUMS x DAYS folders of PICTURES tiny valid BMPs each, by
default 200,000 pictures in 20,000 folders. Every picture of an album is a hard link to one
64 x 48 orange BMP (ext4 allows 65,000 links to a file), so the tree costs folders and names, not
data, and is written in seconds. A tree already there with the same shape is kept
(ROOT/.made says its shape); any other ROOT content is replaced.
"""
import os
import shutil
import struct
import sys


def solid_bmp(width, height, rgb):
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    albums, days, pictures = (int(a) for a in (sys.argv[2:] + ["200", "100", "10"][len(sys.argv) - 2:])[:3])
    shape = f"{albums} {days} {pictures}\n"
    stamp = os.path.join(root, ".made")
    if os.path.exists(stamp) and open(stamp).read() == shape:
        return
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    picture = solid_bmp(64, 48, (255, 140, 0))
    for a in range(albums):
        album = os.path.join(root, f"Album {a:03d}")
        os.mkdir(album)
        source, first = None, True
        for d in range(days):
            day = os.path.join(album, f"Day {d:02d}")
            os.mkdir(day)
            for p in range(pictures):
                path = os.path.join(day, f"IMG_{d * pictures + p:04d}.bmp")
                if first:
                    with open(path, "wb") as f:
                        f.write(picture)
                    source, first = path, False
                else:
                    os.link(source, path)
    with open(stamp, "w") as f:
        f.write(shape)


if __name__ == "__main__":
    main()
