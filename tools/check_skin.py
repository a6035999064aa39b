#!/usr/bin/python3
"""Checks the bitmaps, cursors and icon in res/ against what the program
reads from them.

    /usr/bin/python3 tools/check_skin.py res

Prints every fault found and exits with status 1 if there is any. Needs
nothing beyond the standard library, so it also runs where PIL is missing.
The geometry below is written out again on purpose rather than taken from
the generator, so that a mistake in the generator's tables shows up here.
"""

import os
import struct
import sys

# id: (file, width, height, bits per pixel)
BITMAPS = {
    136: ("skin_about.bmp", 539, 275, 8),
    142: ("tv_panel.bmp", 317, 51, 8),
    145: ("resmenu_800x600_32bit.bmp", 92, 16, 8),
    146: ("resmenu_640x480_32bit.bmp", 92, 16, 8),
    147: ("resmenu_800x600_16bit.bmp", 92, 16, 8),
    148: ("resmenu_640x480_16bit.bmp", 92, 16, 8),
    149: ("resmenu_800x600_8bit.bmp", 92, 16, 8),
    150: ("resmenu_640x480_8bit.bmp", 92, 18, 8),
    151: ("resmenu_800x600_32bit_lit.bmp", 92, 16, 8),
    152: ("resmenu_640x480_32bit_lit.bmp", 92, 16, 8),
    153: ("resmenu_800x600_16bit_lit.bmp", 92, 16, 8),
    154: ("resmenu_640x480_16bit_lit.bmp", 92, 16, 8),
    155: ("resmenu_800x600_8bit_lit.bmp", 92, 16, 8),
    156: ("resmenu_640x480_8bit_lit.bmp", 92, 18, 8),
    158: ("readout_digits.bmp", 24, 128, 8),
    159: ("skin_main.bmp", 539, 586, 8),
    160: ("tv_panel_plain.bmp", 317, 51, 8),
    163: ("skin_main_bare.bmp", 539, 275, 8),
}
CURSORS = {
    131: ("cursor_hand_open.cur", (14, 8)),
    132: ("cursor_hand_closed.cur", (15, 15)),
    138: ("cursor_hand_point.cur", (11, 1)),
}
ICON = (128, "app_icon.ico", (16, 32))

# Skinned buttons: id, label, rectangle (l, t, r, b), normal corner, down corner.
BUTTONS = [
    (1012, "About", (387, 0, 507, 21), (387, 0), (387, 275)),
    (1013, "Main", (254, 0, 374, 21), (254, 275), (254, 0)),
    (1001, "X", (520, 4, 536, 19), (520, 4), (520, 279)),
    (1014, "OK", (487, 222, 526, 234), (487, 222), (487, 497)),
    (1000, "Cancel", (487, 245, 526, 257), (487, 245), (487, 520)),
    (1015, "V-Sync", (67, 117, 113, 131), (67, 117), (67, 393)),
    (1016, "2x", (67, 152, 93, 166), (67, 152), (67, 428)),
    (1017, "4x", (67, 166, 93, 180), (67, 166), (67, 442)),
    (1018, "9x", (67, 180, 93, 194), (67, 180), (67, 456)),
    (1019, "V-Sync", (141, 117, 187, 131), (141, 117), (141, 393)),
    (1020, "1.5x", (141, 152, 216, 166), (141, 152), (141, 428)),
    (1021, "2x LOD", (141, 166, 216, 180), (141, 166), (141, 442)),
    (1022, "2x", (141, 180, 216, 194), (141, 180), (141, 456)),
    (1026, "Apply at startup", (273, 104, 348, 117), (273, 104), (273, 380)),
    (1027, "Test", (358, 105, 398, 118), (358, 105), (358, 380)),
    (1028, "Reset", (408, 105, 448, 118), (408, 105), (408, 380)),
    (1033, "Standard", (302, 177, 355, 190), (302, 177), (302, 453)),
    (1034, "Activated", (355, 177, 408, 190), (355, 177), (355, 453)),
]
TRACKS = [(251, 52, 481, 68), (251, 82, 481, 98)]
THUMB = (530, 297)                 # 5 x 16; the slider shows columns 0-3, rows 1-15
RES_PICTURES = [(1, 477 + 16 * row) for row in range(6)]   # 100 x 10 each
BLANKED = [(11, 215, 403, 50), (250, 143, 184, 19)]       # x, y, w, h
TV_AT = (158, 215)
DIGIT_PLACES = [(x, y) for y in (49, 80) for x in (493, 501, 509)]

# A lit look must differ from its normal look in at least this share of its
# pixels (and in at least MIN_PIXELS of them).
MIN_SHARE = 0.25
MIN_PIXELS = 40


class Faults:
    def __init__(self):
        self.items = []

    def add(self, where, what):
        self.items.append("%s: %s" % (where, what))


class Bitmap:
    def __init__(self, width, height, bits, palette, pixels):
        self.width, self.height, self.bits = width, height, bits
        self.palette = palette          # list of (r, g, b)
        self.pixels = pixels            # top-down rows of palette indices

    def at(self, x, y):
        return self.pixels[y][x]

    def rgb(self, x, y):
        return self.palette[self.pixels[y][x]]

    def block(self, x, y, w, h):
        return [self.pixels[yy][x:x + w] for yy in range(y, y + h)]


def decode_rle8(stream, w, h, faults, name):
    """Decodes BI_RLE8 data to top-down rows; None, with a fault, when the
    stream does not describe exactly w x h pixels."""
    bottom_up = []
    row = []
    i = 0
    while True:
        if i + 1 >= len(stream):
            faults.add(name, "run-length data ends without its end mark")
            return None
        count, value = stream[i], stream[i + 1]
        i += 2
        if count:
            row += [value] * count
        elif value == 0:  # end of row
            bottom_up.append(row)
            row = []
        elif value == 1:  # end of picture
            if row:
                bottom_up.append(row)
            break
        elif value == 2:
            faults.add(name, "run-length data moves the pen; the encoder never does")
            return None
        else:  # absolute run
            row += list(stream[i:i + value])
            i += value + (value % 2)
    if len(bottom_up) != h or any(len(r) != w for r in bottom_up):
        faults.add(name, "run-length data does not make %dx%d pixels" % (w, h))
        return None
    return list(reversed(bottom_up))


def read_bmp(path, faults, name):
    data = open(path, "rb").read()
    if len(data) < 54 or data[:2] != b"BM":
        faults.add(name, "not a Windows bitmap")
        return None
    file_size, _, _, off = struct.unpack_from("<IHHI", data, 2)
    (hsize, w, h, planes, bits, comp, size_image, _, _, clr_used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if hsize != 40:
        faults.add(name, "info header is %d bytes, old Windows wants the 40-byte one" % hsize)
        return None
    if comp not in (0, 1):
        faults.add(name, "compressed with method %d; want none or 8-bit run lengths" % comp)
        return None
    if planes != 1 or bits != 8:
        faults.add(name, "%d planes, %d bits per pixel; want 1 plane, 8 bits" % (planes, bits))
        return None
    if w <= 0 or h <= 0:
        faults.add(name, "size %dx%d; want a positive, bottom-up bitmap" % (w, h))
        return None
    colours = clr_used or 256
    if colours != 256:
        faults.add(name, "colour table has %d entries; want 256" % colours)
    stride = (w + 3) & ~3
    stored = stride * h if comp == 0 else size_image
    if off != 14 + 40 + 4 * colours or file_size != len(data) or len(data) != off + stored:
        faults.add(name, "file layout inconsistent (offset %d, size %d, stored %d)"
                   % (off, file_size, len(data)))
        return None
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
               for i in range(colours)]
    if comp == 0:
        rows = [list(data[off + (h - 1 - y) * stride: off + (h - 1 - y) * stride + w])
                for y in range(h)]
    else:
        rows = decode_rle8(data[off:], w, h, faults, name)
        if rows is None:
            return None
    return Bitmap(w, h, bits, palette, rows)


def differing(a, b):
    """Number of differing pixels between two equal-sized blocks."""
    return sum(1 for ra, rb in zip(a, b) for pa, pb in zip(ra, rb) if pa != pb)


def uniform(block):
    first = block[0][0]
    return all(p == first for row in block for p in row)


def luminance(c):
    return (c[0] * 299 + c[1] * 587 + c[2] * 114) // 1000


def check_bitmaps(res, faults):
    bmps = {}
    for rid, (name, w, h, bits) in sorted(BITMAPS.items()):
        path = os.path.join(res, name)
        if not os.path.isfile(path):
            faults.add(name, "missing (bitmap %d)" % rid)
            continue
        bmp = read_bmp(path, faults, name)
        if bmp is None:
            continue
        if (bmp.width, bmp.height) != (w, h):
            faults.add(name, "is %dx%d, bitmap %d must be %dx%d"
                       % (bmp.width, bmp.height, rid, w, h))
            continue
        bmps[rid] = bmp
    return bmps


def check_palette(bmps, faults):
    if not bmps:
        return
    first = min(bmps)
    ref = bmps[first].palette
    for rid, bmp in sorted(bmps.items()):
        if bmp.palette != ref:
            faults.add(BITMAPS[rid][0], "colour table differs from that of %s; all face art "
                       "shares one palette" % BITMAPS[first][0])
    if ref[0] != (0, 0, 0) or ref[-1] != (255, 255, 255):
        faults.add("palette", "entry 0 must be black and entry 255 white (the digit mask "
                   "is combined by index on palette displays); got %s and %s" % (ref[0], ref[-1]))


def check_buttons(skin, faults):
    for cid, label, (l, t, r, b), normal, down in BUTTONS:
        w, h = r - l, b - t
        if normal != (l, t) and down != (l, t):
            faults.add("control %d" % cid, "neither look sits at its place on the face")
        for corner in (normal, down):
            if corner[0] + w > skin.width or corner[1] + h > skin.height:
                faults.add("control %d" % cid, "look at %s runs off the skin" % (corner,))
                break
        else:
            a = skin.block(normal[0], normal[1], w, h)
            c = skin.block(down[0], down[1], w, h)
            n = differing(a, c)
            need = max(MIN_PIXELS, int(MIN_SHARE * w * h))
            if n < need:
                faults.add("control %d (%s)" % (cid, label),
                           "lit look differs from the normal look in %d of %d pixels; "
                           "want at least %d" % (n, w * h, need))
            if uniform(a):
                faults.add("control %d (%s)" % (cid, label), "normal look is a flat colour")
    # controls of the same size but different labels must not look alike
    for i, (c1, l1, r1, n1, _) in enumerate(BUTTONS):
        for c2, l2, r2, n2, _ in BUTTONS[i + 1:]:
            size1 = (r1[2] - r1[0], r1[3] - r1[1])
            if size1 != (r2[2] - r2[0], r2[3] - r2[1]) or l1 == l2:
                continue
            a = skin.block(n1[0], n1[1], *size1)
            b = skin.block(n2[0], n2[1], *size1)
            if differing(a, b) < 8:
                faults.add("controls %d and %d" % (c1, c2),
                           "look the same although they read %r and %r" % (l1, l2))


def check_slider(skin, faults):
    tx, ty = THUMB
    knob = skin.block(tx, ty + 1, 4, 15)
    if uniform(knob):
        faults.add("slider thumb", "the visible 4x15 knob at (%d, %d) is a flat colour"
                   % (tx, ty + 1))
    for l, t, r, b in TRACKS:
        for cx in (3, 115, 227):
            under = skin.block(l + cx - 2, t, 4, 15)
            n = differing(knob, under)
            if n < 30:
                faults.add("slider thumb", "hardly stands out from the track at (%d, %d): "
                           "%d of 60 pixels differ" % (l + cx - 2, t, n))


def check_resolution_pictures(skin, bmps, faults):
    blocks = []
    for row, (x, y) in enumerate(RES_PICTURES):
        blk = skin.block(x, y, 100, 10)
        if uniform(blk):
            faults.add("resolution picture %d" % row, "at (%d, %d) is a flat colour" % (x, y))
        blocks.append(blk)
    for i in range(6):
        for j in range(i + 1, 6):
            if differing(blocks[i], blocks[j]) < 10:
                faults.add("resolution pictures %d and %d" % (i, j), "look the same")
    faces = []
    for row in range(6):
        normal, lit = bmps.get(145 + row), bmps.get(151 + row)
        if normal is None or lit is None:
            continue
        a, b = normal.block(0, 0, 92, 15), lit.block(0, 0, 92, 15)
        n = differing(a, b)
        if n < int(MIN_SHARE * 92 * 15):
            faults.add("menu row %d" % row, "highlighted face (bitmap %d) differs from the "
                       "normal one in only %d pixels" % (151 + row, n))
        faces.append(a)
    for i in range(len(faces)):
        for j in range(i + 1, len(faces)):
            if differing(faces[i], faces[j]) < 10:
                faults.add("menu rows %d and %d" % (i, j), "normal faces look the same")


def check_bare_face(skin, bare, faults):
    inside = [[False] * 539 for _ in range(275)]
    for x, y, w, h in BLANKED:
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                inside[yy][xx] = True
    outside_diff = 0
    first = None
    for y in range(275):
        for x in range(539):
            if not inside[y][x] and skin.at(x, y) != bare.at(x, y):
                outside_diff += 1
                first = first or (x, y)
    if outside_diff:
        faults.add(BITMAPS[163][0], "differs from the Main face outside the two blanked "
                   "areas in %d pixels (first at %s)" % (outside_diff, first))
    for x, y, w, h in BLANKED:
        n = differing(skin.block(x, y, w, h), bare.block(x, y, w, h))
        if n < w * h // 20:
            faults.add(BITMAPS[163][0], "area (%d, %d) %dx%d is almost the same as on the "
                       "Main face (%d pixels differ): the face should carry the pictures "
                       "that this bitmap blanks" % (x, y, w, h, n))


def check_tv_panels(bare, panel, plain, faults):
    x0, y0 = TV_AT
    want = bare.block(x0, y0, 316, 50)
    n = differing(plain.block(0, 0, 316, 50), want)
    if n:
        faults.add(BITMAPS[160][0], "differs in %d pixels from the Main background it "
                   "stands in for at (%d, %d)" % (n, x0, y0))
    n = differing(panel.block(0, 0, 316, 50), plain.block(0, 0, 316, 50))
    if n < 316 * 50 // 10:
        faults.add(BITMAPS[142][0], "TV panel differs from the plain background in only "
                   "%d pixels" % n)


def check_digits(strip, skin, faults):
    glyphs = []
    for d in range(10):
        top = 3 + 12 * d
        where = "digit %d" % d
        lit = 0
        bright = 0
        for y in range(12):
            for x in range(9):
                g = strip.rgb(2 + x, top + y)
                m = strip.rgb(12 + x, top + y)
                if m not in ((0, 0, 0), (255, 255, 255)):
                    faults.add(where, "mask pixel (%d, %d) is %s, neither black nor white"
                               % (12 + x, top + y, m))
                    continue
                if (m == (0, 0, 0)) != (g != (0, 0, 0)):
                    faults.add(where, "mask at (%d, %d) is %s but the glyph there is %s"
                               % (12 + x, top + y, "black" if m == (0, 0, 0) else "white", g))
                if g != (0, 0, 0):
                    lit += 1
                    bright = max(bright, luminance(g))
        if lit < 12:
            faults.add(where, "glyph at (2, %d) has only %d pixels" % (top, lit))
        if bright < 150:
            faults.add(where, "glyph is too dark to read (brightest %d of 255)" % bright)
        glyphs.append(strip.block(2, top, 9, 12))
    for i in range(10):
        for j in range(i + 1, 10):
            if differing(glyphs[i], glyphs[j]) < 4:
                faults.add("digits %d and %d" % (i, j), "glyphs look the same")
    # The glyph edges are blended for the colour of the read-out well, so
    # every digit place must be one flat, dark colour on the face.
    for x, y in DIGIT_PLACES:
        blk = skin.block(x, y, 9, 12)
        if not uniform(blk):
            faults.add("read-out", "digit place at (%d, %d) is not one flat colour" % (x, y))
        elif luminance(skin.rgb(x, y)) > 60:
            faults.add("read-out", "digit place at (%d, %d) is too light for bright digits"
                       % (x, y))


def read_icon_dir(data, want_type, name, faults):
    if len(data) < 6:
        faults.add(name, "too short")
        return []
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != want_type or count < 1:
        faults.add(name, "not a %s file (type %d, %d images)"
                   % ("cursor" if want_type == 2 else "icon", kind, count))
        return []
    entries = []
    for i in range(count):
        w, h, colours, _, a, b, size, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        img = data[off:off + size]
        entry = {"w": w or 256, "h": h or 256, "a": a, "b": b, "img": img}
        if len(img) != size or len(img) < 40:
            faults.add(name, "image %d runs past the end of the file" % i)
            continue
        if img[:8] == b"\x89PNG\r\n\x1a\n":
            faults.add(name, "image %d is PNG-compressed; old Windows cannot load it" % i)
            continue
        hsize, iw, ih, planes, bits, comp = struct.unpack_from("<IiiHHI", img, 0)
        if hsize != 40 or comp != 0:
            faults.add(name, "image %d needs a plain 40-byte header, uncompressed" % i)
            continue
        if iw != entry["w"] or ih != 2 * entry["h"]:
            faults.add(name, "image %d header says %dx%d, directory says %dx%d (height "
                       "must count the AND mask)" % (i, iw, ih, entry["w"], entry["h"]))
            continue
        colours_used = (1 << bits) if bits <= 8 else 0
        clr = struct.unpack_from("<I", img, 32)[0]
        if clr:
            colours_used = clr
        xor = ((iw * bits + 31) // 32) * 4 * entry["h"]
        andm = ((iw + 31) // 32) * 4 * entry["h"]
        if len(img) != 40 + 4 * colours_used + xor + andm:
            faults.add(name, "image %d is %d bytes; a %dx%d %d-bit image with its AND "
                       "mask takes %d" % (i, len(img), iw, entry["h"], bits,
                                          40 + 4 * colours_used + xor + andm))
            continue
        entry["bits"] = bits
        entry["and"] = img[len(img) - andm:]
        entries.append(entry)
    return entries


def and_bit(entry, x, y):
    """1 where the image is transparent."""
    w, h = entry["w"], entry["h"]
    stride = ((w + 31) // 32) * 4
    row = entry["and"][(h - 1 - y) * stride:(h - y) * stride]
    return (row[x >> 3] >> (7 - (x & 7))) & 1


def check_cursors(res, faults):
    for rid, (name, hot) in sorted(CURSORS.items()):
        path = os.path.join(res, name)
        if not os.path.isfile(path):
            faults.add(name, "missing (cursor %d)" % rid)
            continue
        entries = read_icon_dir(open(path, "rb").read(), 2, name, faults)
        if not entries:
            continue
        e = entries[0]
        if (e["w"], e["h"]) != (32, 32):
            faults.add(name, "is %dx%d; want 32x32" % (e["w"], e["h"]))
            continue
        if (e["a"], e["b"]) != hot:
            faults.add(name, "hot spot is (%d, %d); want %s" % (e["a"], e["b"], hot))
        if and_bit(e, *hot):
            faults.add(name, "hot spot %s lies on a transparent pixel" % (hot,))
        opaque = sum(1 - and_bit(e, x, y) for y in range(32) for x in range(32))
        if opaque < 60:
            faults.add(name, "only %d pixels are drawn" % opaque)


def check_icon(res, faults):
    rid, name, sizes = ICON
    path = os.path.join(res, name)
    if not os.path.isfile(path):
        faults.add(name, "missing (icon %d)" % rid)
        return
    entries = read_icon_dir(open(path, "rb").read(), 1, name, faults)
    have = set((e["w"], e["h"]) for e in entries)
    for s in sizes:
        if (s, s) not in have:
            faults.add(name, "has no %dx%d image" % (s, s))
    for e in entries:
        opaque = sum(1 - and_bit(e, x, y) for y in range(e["h"]) for x in range(e["w"]))
        if opaque < e["w"] * e["h"] // 3:
            faults.add(name, "%dx%d image is mostly transparent (%d pixels drawn)"
                       % (e["w"], e["h"], opaque))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: check_skin.py RES-DIRECTORY\n")
        return 2
    res = sys.argv[1]
    faults = Faults()
    bmps = check_bitmaps(res, faults)
    check_palette(bmps, faults)
    skin = bmps.get(159)
    if skin:
        check_buttons(skin, faults)
        check_slider(skin, faults)
        check_resolution_pictures(skin, bmps, faults)
        if 163 in bmps:
            check_bare_face(skin, bmps[163], faults)
        if 158 in bmps:
            check_digits(bmps[158], skin, faults)
    if all(i in bmps for i in (163, 142, 160)):
        check_tv_panels(bmps[163], bmps[142], bmps[160], faults)
    check_cursors(res, faults)
    check_icon(res, faults)
    if faults.items:
        for line in faults.items:
            print("FAULT " + line)
        print("%d fault(s) in %s" % (len(faults.items), res))
        return 1
    print("skin OK: %d bitmaps, %d cursors, 1 icon in %s" % (len(bmps), len(CURSORS), res))
    return 0


if __name__ == "__main__":
    sys.exit(main())
