#!/usr/bin/env python3
"""Makes the bad-image corpus from a folder of small, whole seed images.

    make_bad_images.py SEEDS OUT

Writes into OUT (which must not exist) truncations of every seed at many lengths, bit flips,
headers rewritten with their checksums made valid again (PNG IHDR, JPEG SOF, GIF, BMP, TIFF, TGA,
PNM and WebP sizes), size bombs for each format that has a size field, and files that are no
image at all: empty, a folder, links, a pipe, an unreadable file. OUT/manifest.tsv lists every
entry as NAME<TAB>KIND<TAB>SEED, KIND being truncated, flipped, header, bomb or special; SEED
names the whole image a truncation was cut from (a truncation that opens without a damage
notice must show exactly that picture). Bit flips are seeded, so the corpus is the same every
time.
"""

import os
import random
import stat
import struct
import sys
import zlib

BOMB = 30000


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_with_ihdr(data, width=None, height=None, depth=None, colour=None, interlace=None):
    """The PNG with IHDR fields replaced and its CRC recomputed."""
    fields = list(struct.unpack(">IIBBBBB", data[16:29]))
    for i, value in enumerate((width, height, depth, colour, None, None, interlace)):
        if value is not None:
            fields[i] = value
    ihdr = struct.pack(">IIBBBBB", *fields)
    return data[:8] + png_chunk(b"IHDR", ihdr) + data[33:]


def jpeg_sof(data):
    """Offset of the frame header's height field."""
    pos = 2
    while pos + 4 <= len(data):
        marker = data[pos + 1]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return pos + 5
        pos += 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
    raise ValueError("no frame header")


def jpeg_with_size(data, width, height):
    at = jpeg_sof(data)
    return data[:at] + struct.pack(">HH", height, width) + data[at + 4:]


def gif_first_descriptor(data):
    pos = 13
    if data[10] & 0x80:
        pos += 3 << ((data[10] & 7) + 1)
    while data[pos] == 0x21:
        pos += 2
        while data[pos]:
            pos += 1 + data[pos]
        pos += 1
    return pos


def gif_with_sizes(data, screen=None, frame=None):
    out = bytearray(data)
    if screen:
        out[6:10] = struct.pack("<HH", *screen)
    if frame:
        at = gif_first_descriptor(data)
        out[at + 5:at + 9] = struct.pack("<HH", *frame)
    return bytes(out)


def patched(data, offset, fmt, *values):
    return data[:offset] + struct.pack(fmt, *values) + data[offset + struct.calcsize(fmt):]


def tiff_entries(data):
    """(byte order, {tag: (entry offset, type, count)}) of the first directory."""
    order = "<" if data[:2] == b"II" else ">"
    ifd = struct.unpack(order + "I", data[4:8])[0]
    count = struct.unpack(order + "H", data[ifd:ifd + 2])[0]
    entries = {}
    for i in range(count):
        at = ifd + 2 + 12 * i
        tag, kind, n = struct.unpack(order + "HHI", data[at:at + 8])
        entries[tag] = (at, kind, n)
    return order, entries


def tiff_with_value(data, tag, value):
    order, entries = tiff_entries(data)
    at, kind, _ = entries[tag]
    field = struct.pack(order + ("H" if kind == 3 else "I"), value).ljust(4, b"\0")
    return data[:at + 8] + field + data[at + 12:]


def png_bomb():
    raw_row = b"\0" * (1 + 3 * BOMB)
    idat = zlib.compress(raw_row * 4, 9)
    ihdr = struct.pack(">IIBBBBB", BOMB, BOMB, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", idat) \
        + png_chunk(b"IEND", b"")


def gif_bomb():
    # A 30000 x 30000 screen holding one 1 x 1 picture: whole and valid.
    header = b"GIF89a" + struct.pack("<HHBBB", BOMB, BOMB, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    image = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00"
    return header + image + b"\x3b"


def bmp(width, height, bits, compression, pixels):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, 0, 0)
    palette = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(256)) if bits == 8 else b""
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette \
        + pixels


def tiff_bomb():
    # Uncompressed 30000 x 30000 RGB whose single strip lies far beyond the end of the file.
    entries = [(256, 4, 1, BOMB), (257, 4, 1, BOMB), (258, 3, 1, 8), (259, 3, 1, 1),
               (262, 3, 1, 2), (273, 4, 1, 200), (277, 3, 1, 3), (278, 4, 1, BOMB),
               (279, 4, 1, BOMB * BOMB * 3 % (1 << 32))]
    ifd = struct.pack("<H", len(entries)) + b"".join(
        struct.pack("<HHI", tag, kind, n) + struct.pack("<H" if kind == 3 else "<I", v).ljust(4, b"\0")
        for tag, kind, n, v in entries) + b"\0\0\0\0"
    return b"II*\0" + struct.pack("<I", 8) + ifd + b"\0" * 64


def webp_bomb(seed):
    # A lossless bitstream header claiming 16383 x 16383, the largest WebP there is.
    bits = (16383 - 1) | ((16383 - 1) << 14) | (1 << 28)
    vp8l = b"\x2f" + struct.pack("<I", bits) + b"\0" * 32
    chunk = b"VP8L" + struct.pack("<I", len(vp8l)) + vp8l
    return b"RIFF" + struct.pack("<I", 4 + len(chunk)) + b"WEBP" + chunk


def main():
    seeds_dir, out = sys.argv[1], sys.argv[2]
    os.makedirs(out)
    manifest = []
    rng = random.Random(20240614)

    def put(name, data, kind, seed=""):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        manifest.append((name, kind, seed))

    seeds = sorted(os.listdir(seeds_dir))
    for seed in seeds:
        with open(os.path.join(seeds_dir, seed), "rb") as f:
            data = f.read()
        stem, ext = os.path.splitext(seed)
        n = len(data)
        lengths = {1, 2, 4, 8, 16, 24, 33, 64, 100, 200, n // 10, n // 4, n // 3, n // 2,
                   2 * n // 3, 3 * n // 4, 9 * n // 10, 99 * n // 100, n - 16, n - 4, n - 2, n - 1}
        for length in sorted(x for x in lengths if 0 < x < n):
            put("%s-cut%06d%s" % (stem, length, ext), data[:length], "truncated", seed)
        for i in range(6):
            flipped = bytearray(data)
            # Half the flips in the first 64 bytes, where the headers are.
            at = rng.randrange(min(64, n)) if i % 2 == 0 else rng.randrange(n)
            flipped[at] ^= 1 << rng.randrange(8)
            put("%s-flip%d%s" % (stem, i, ext), bytes(flipped), "flipped", seed)
        garbage = bytearray(data)
        for _ in range(max(1, n // 50)):
            garbage[rng.randrange(n)] = rng.randrange(256)
        put("%s-noise%s" % (stem, ext), bytes(garbage), "flipped", seed)

        headers = []
        if ext == ".png":
            headers = [png_with_ihdr(data, BOMB, BOMB), png_with_ihdr(data, 0, 0),
                       png_with_ihdr(data, 1, 1), png_with_ihdr(data, 70000, 1),
                       png_with_ihdr(data, 0x7FFFFFFF, 1), png_with_ihdr(data, height=2 * 64),
                       png_with_ihdr(data, depth=16), png_with_ihdr(data, colour=6),
                       png_with_ihdr(data, interlace=1)]
        elif ext == ".jpg":
            headers = [jpeg_with_size(data, BOMB, BOMB), jpeg_with_size(data, 0, 64),
                       jpeg_with_size(data, 65535, 65535), jpeg_with_size(data, 1, 1),
                       jpeg_with_size(data, 192, 64)]
        elif ext == ".gif":
            headers = [gif_with_sizes(data, screen=(BOMB, BOMB)),
                       gif_with_sizes(data, frame=(BOMB, BOMB)),
                       gif_with_sizes(data, screen=(0, 0), frame=(0, 0)),
                       gif_with_sizes(data, frame=(200, 200))]
        elif ext == ".bmp":
            headers = [patched(data, 18, "<ii", BOMB, BOMB), patched(data, 22, "<i", -32),
                       patched(data, 18, "<i", 0), patched(data, 28, "<H", 7),
                       patched(data, 10, "<I", n + 100), patched(data, 30, "<I", 9),
                       patched(data, 14, "<I", 200), patched(data, 22, "<i", -0x80000000)]
        elif ext == ".tiff":
            _, entries = tiff_entries(data)
            headers = [tiff_with_value(tiff_with_value(data, 256, BOMB), 257, BOMB),
                       tiff_with_value(data, 257, 0), tiff_with_value(data, 279, 0x7FFFFFFF),
                       tiff_with_value(data, 258, 13), patched(data, 4, "<I", n + 8),
                       tiff_with_value(data, 273, n - 2)]
        elif ext == ".tga":
            headers = [patched(data, 12, "<HH", BOMB, BOMB), patched(data, 12, "<HH", 0, 0),
                       patched(data, 16, "<B", 13), patched(data, 2, "<B", 99)]
        elif ext == ".ppm":
            body = data.split(b"\n", 3)[3]
            headers = [b"P6\n%d %d\n255\n" % (BOMB, BOMB) + body, b"P6\n48 32\n0\n" + body,
                       b"P6\n-4 32\n255\n" + body, b"P6\n48 32\n65535\n" + body]
        elif ext == ".webp":
            headers = [patched(data, 26, "<HH", 0x3FFF, 0x3FFF), patched(data, 4, "<I", 0xFFFFFFF0)]
        elif ext == ".ico":
            headers = [patched(data, 4, "<H", 0xFFFF), patched(data, 18, "<I", n + 10),
                       patched(data, 14, "<I", 0x7FFFFFFF)]
        for i, rewritten in enumerate(headers):
            put("%s-header%d%s" % (stem, i, ext), rewritten, "header", seed)

    with open(os.path.join(seeds_dir, "photo.jpg"), "rb") as f:
        photo = f.read()
    put("bomb.png", png_bomb(), "bomb")
    put("bomb.jpg", jpeg_with_size(photo, BOMB, BOMB), "bomb")
    put("bomb.gif", gif_bomb(), "bomb")
    put("bomb-rle.bmp", bmp(BOMB, BOMB, 8, 1, b"\0\1"), "bomb")
    put("bomb-raw.bmp", bmp(BOMB, BOMB, 24, 0, b"\0" * 600), "bomb")
    put("bomb.tiff", tiff_bomb(), "bomb")
    put("bomb.webp", webp_bomb(photo), "bomb")
    put("bomb.tga", struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, BOMB, BOMB, 24, 0)
        + b"\0" * 300, "bomb")
    put("bomb.ppm", b"P6\n%d %d\n255\n" % (BOMB, BOMB) + b"\0" * 300, "bomb")
    put("bomb.pgm", b"P5\n%d %d\n255\n" % (BOMB, BOMB) + b"\0" * 300, "bomb")
    put("bomb.pbm", b"P4\n%d %d\n" % (BOMB, BOMB) + b"\0" * 300, "bomb")
    put("bomb.xbm", b"#define b_width %d\n#define b_height %d\nstatic char b_bits[] = {\n0x00,\n};\n"
        % (BOMB, BOMB), "bomb")
    put("bomb.xpm", b'/* XPM */\nstatic char *b[] = {\n"%d %d 1 1",\n". c #ffffff",\n".",\n};\n'
        % (BOMB, BOMB), "bomb")
    put("bomb.wbmp", b"\0\0" + bytes([0x81, 0xEA, 0x30]) * 2 + b"\0" * 300, "bomb")

    # Files that are no image.
    put("empty.png", b"", "special")
    put("text.png", b"This is not a picture.\n", "special")
    put("zeros.jpg", b"\0" * 4096, "special")
    os.mkdir(os.path.join(out, "folder.png"))
    manifest.append(("folder.png", "special", ""))
    os.symlink(os.path.join(os.path.abspath(seeds_dir), "photo.jpg"), os.path.join(out, "link.jpg"))
    manifest.append(("link.jpg", "special", "photo.jpg"))
    os.symlink("missing.png", os.path.join(out, "dangling.png"))
    manifest.append(("dangling.png", "special", ""))
    os.symlink("loop.png", os.path.join(out, "loop.png"))
    manifest.append(("loop.png", "special", ""))
    os.mkfifo(os.path.join(out, "pipe.png"))
    manifest.append(("pipe.png", "special", ""))
    put("unreadable.png", open(os.path.join(seeds_dir, "rgba.png"), "rb").read(), "special")
    os.chmod(os.path.join(out, "unreadable.png"), 0)

    with open(os.path.join(out, "manifest.tsv"), "w") as f:
        for row in manifest:
            f.write("\t".join(row) + "\n")
    os.chmod(os.path.join(out, "manifest.tsv"), stat.S_IRUSR | stat.S_IWUSR)
    print("%d entries" % len(manifest))


if __name__ == "__main__":
    main()
