#!/usr/bin/python3
"""Draws every bitmap, cursor and icon of Marovex and writes them into res/.

Run with Debian's interpreter (it sees python3-pil):

    /usr/bin/python3 tools/make_skin.py [output-directory]

The output is byte-for-byte the same on every run: nothing depends on the
time, the order of a dictionary or a random seed.

How the pictures fit the program:

* The skin (bitmap 159) holds the Main page face in rows 0 to 274. Every
  skinned button copies its normal look from its own place on the face and
  its lit (checked or pressed) look from a corner some 275 rows lower; the
  slider thumb and the six pictures of the resolution choices live down
  there as well.
* The window copies two panels out of bitmap 163 on every paint, which
  blanks the output-device buttons and the AGP row that the face carries:
  bitmap 163 is the face without those two pictures.
* The clock read-outs are drawn over small dark wells of the face with the
  digit strip (bitmap 158): a mask is ANDed in first, then the glyph is
  ORed, so the mask is black exactly where the glyph is not black.
* All 8-bit pictures share one 256-colour palette. The art is drawn in full
  colour with a limited set of colours (text edges are reduced to a few
  coverage steps), then mapped once onto the shared palette, without
  dithering. Black is entry 0 and white entry 255, as in the system palette,
  so the digit mask still works when the raster operations run on palette
  indices.
"""

import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

# ---------------------------------------------------------------------------
# Resource table: id, file, width, height, bits per pixel, what it is.
# Cursors and the icon give their own sizes (32x32; 16x16 and 32x32).

RESOURCES = [
    (128, "app_icon.ico", 32, 32, 8, "application and tray icon (16x16 and 32x32)"),
    (131, "cursor_hand_open.cur", 32, 32, 1, "open hand over the window body, hot spot 14,8"),
    (132, "cursor_hand_closed.cur", 32, 32, 1, "closed hand while dragging, hot spot 15,15"),
    (136, "skin_about.bmp", 539, 275, 8, "About page face"),
    (138, "cursor_hand_point.cur", 32, 32, 1, "pointing hand over buttons and sliders"),
    (142, "tv_panel.bmp", 317, 51, 8, "TV options panel"),
    (145, "resmenu_800x600_32bit.bmp", 92, 16, 8, "resolution menu row 0"),
    (146, "resmenu_640x480_32bit.bmp", 92, 16, 8, "resolution menu row 1"),
    (147, "resmenu_800x600_16bit.bmp", 92, 16, 8, "resolution menu row 2"),
    (148, "resmenu_640x480_16bit.bmp", 92, 16, 8, "resolution menu row 3"),
    (149, "resmenu_800x600_8bit.bmp", 92, 16, 8, "resolution menu row 4"),
    (150, "resmenu_640x480_8bit.bmp", 92, 18, 8, "resolution menu row 5"),
    (151, "resmenu_800x600_32bit_lit.bmp", 92, 16, 8, "resolution menu row 0, highlighted"),
    (152, "resmenu_640x480_32bit_lit.bmp", 92, 16, 8, "resolution menu row 1, highlighted"),
    (153, "resmenu_800x600_16bit_lit.bmp", 92, 16, 8, "resolution menu row 2, highlighted"),
    (154, "resmenu_640x480_16bit_lit.bmp", 92, 16, 8, "resolution menu row 3, highlighted"),
    (155, "resmenu_800x600_8bit_lit.bmp", 92, 16, 8, "resolution menu row 4, highlighted"),
    (156, "resmenu_640x480_8bit_lit.bmp", 92, 18, 8, "resolution menu row 5, highlighted"),
    (158, "readout_digits.bmp", 24, 128, 8, "clock read-out digits with masks"),
    (159, "skin_main.bmp", 539, 586, 8, "Main page face, lit looks, thumb, resolution pictures"),
    (160, "tv_panel_plain.bmp", 317, 51, 8, "plain background of the TV options area"),
    (163, "skin_main_bare.bmp", 539, 275, 8, "Main page face without output-device and AGP pictures"),
]

CURSOR_HOT_SPOTS = {131: (14, 8), 132: (15, 15), 138: (11, 1)}

# ---------------------------------------------------------------------------
# Geometry of the window (client pixels) and of the skin.

FACE_W, FACE_H = 539, 275
SKIN_H = 586

# Buttons: id, label, rectangle (left, top, right, bottom), lit corner, kind.
#   toggle  on/off setting: LED dot, lit = dot on, bright label, glowing edge
#   push    one-shot command: lit = pressed, glowing edge and bright label
#   segl/segr  the two halves of the overlay switch
#   tab     page tab on the top row; lit = the page that is shown
#   close   the close box
BUTTONS = [
    (1012, "About", (387, 0, 507, 21), (387, 275), "tab"),
    (1013, "Main", (254, 0, 374, 21), (254, 275), "tab"),
    (1001, "", (520, 4, 536, 19), (520, 279), "close"),
    (1014, "OK", (487, 222, 526, 234), (487, 497), "push"),
    (1000, "Cancel", (487, 245, 526, 257), (487, 520), "push"),
    (1015, "V-Sync", (67, 117, 113, 131), (67, 393), "toggle"),
    (1016, "2x", (67, 152, 93, 166), (67, 428), "toggle"),
    (1017, "4x", (67, 166, 93, 180), (67, 442), "toggle"),
    (1018, "9x", (67, 180, 93, 194), (67, 456), "toggle"),
    (1019, "V-Sync", (141, 117, 187, 131), (141, 393), "toggle"),
    (1020, "1.5x", (141, 152, 216, 166), (141, 428), "toggle"),
    (1021, "2x LOD", (141, 166, 216, 180), (141, 442), "toggle"),
    (1022, "2x", (141, 180, 216, 194), (141, 456), "toggle"),
    (1026, "Apply at startup", (273, 104, 348, 117), (273, 380), "toggle"),
    (1027, "Test", (358, 105, 398, 118), (358, 380), "push"),
    (1028, "Reset", (408, 105, 448, 118), (408, 380), "push"),
    (1033, "Standard", (302, 177, 355, 190), (302, 453), "segl"),
    (1034, "Activated", (355, 177, 408, 190), (355, 453), "segr"),
]

SLIDER_TRACKS = [(251, 52, 481, 68), (251, 82, 481, 98)]
THUMB_CORNER = (530, 297)          # 5 x 16 block; the slider shows 4 x 15 of it
READOUT_WELLS = [(489, 46, 520, 64), (489, 76, 520, 94)]
DIGIT_PLACES_X = (493, 501, 509)   # hundreds, tens, units; 9 x 12 each
DIGIT_PLACES_Y = (49, 80)          # core, memory

# Areas that bitmap 163 blanks on every paint (x, y, width, height).
BLANK_OUTPUT = (11, 215, 403, 50)
BLANK_AGP = (250, 143, 184, 19)

TV_PANEL_AT = (158, 215)           # where bitmaps 142 and 160 are drawn
TV_PANEL_SIZE = (317, 51)
RES_BUTTON = (358, 234, 458, 244)  # resolution button on the TV panel

# Resolution choices in menu row order; skin picture at (1, 477 + 16 * row).
RESOLUTIONS = [(800, 600, 32), (640, 480, 32), (800, 600, 16),
               (640, 480, 16), (800, 600, 8), (640, 480, 8)]
RES_PICTURE_X, RES_PICTURE_Y0, RES_PICTURE_STEP = 1, 477, 16
RES_PICTURE_SIZE = (100, 10)

# Digit strip: glyph of digit d at (2, 3 + 12 d), its mask at (12, 3 + 12 d).
DIGIT_W, DIGIT_H = 9, 12
DIGIT_GLYPH_X, DIGIT_MASK_X, DIGIT_TOP0 = 2, 12, 3

# ---------------------------------------------------------------------------
# Colours.

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

BG = (33, 38, 45)              # page
BAR = (23, 27, 32)             # top row
BAR_LINE = (13, 15, 19)
BAR_SHINE = (45, 51, 60)
WELL = (26, 30, 36)            # inset group panels
WELL_DARK = (15, 18, 22)
WELL_LIGHT = (49, 56, 66)
SEPARATOR_DARK = (20, 23, 28)
SEPARATOR_LIGHT = (46, 52, 61)

CAPTION = (132, 146, 162)
LABEL = (170, 179, 190)
LABEL_LIT = (248, 251, 255)
DIM_TEXT = (104, 115, 128)
TITLE = (226, 232, 239)

BTN_FACE = (45, 52, 61)
BTN_SHINE = (62, 70, 81)
BTN_EDGE = (14, 16, 20)
BTN_SHADE = (37, 43, 51)

ACCENT = (56, 200, 232)
ACCENT_DEEP = (33, 112, 132)
LIT_FACE = (25, 61, 73)
LIT_SHINE = (36, 86, 101)
LED_OFF = (60, 68, 78)
LED_OFF_RIM = (22, 25, 30)
LED_ON = (170, 240, 255)

READOUT_BG = (9, 12, 15)
READOUT_RIM = (4, 5, 7)
DIGIT_COLOUR = (122, 226, 250)

FILLER = (18, 21, 25)          # unused parts of the skin below the face

# ---------------------------------------------------------------------------
# Fonts and text.

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(name, size):
    return ImageFont.truetype(FONT_DIR + name, size)


F_LABEL = font("DejaVuSansCondensed.ttf", 9)
F_CAPTION = font("DejaVuSansCondensed-Bold.ttf", 9)
F_TAB = font("DejaVuSans.ttf", 10)
F_TAB_LIT = font("DejaVuSans-Bold.ttf", 10)
F_TEXT = font("DejaVuSans.ttf", 10)
F_TEXT_COND = font("DejaVuSansCondensed.ttf", 10)
F_SMALL = font("DejaVuSansCondensed.ttf", 9)
F_TITLE = font("DejaVuSans-Bold.ttf", 20)
F_TITLE_BIG = font("DejaVuSans-Bold.ttf", 26)
F_VERSION = font("DejaVuSans.ttf", 11)
F_DIGIT = font("DejaVuSansMono-Bold.ttf", 13)
F_ICON16 = font("DejaVuSans-Bold.ttf", 11)
F_ICON32 = font("DejaVuSans-Bold.ttf", 21)

# Text edges keep this many coverage steps, so every edge colour is one of a
# few blends that the shared palette holds exactly.
TEXT_STEPS = 7


def text(img, xy, s, fnt, colour, anchor="ls"):
    """Draws hinted, anti-aliased text with its coverage cut to TEXT_STEPS."""
    probe = ImageDraw.Draw(Image.new("L", (1, 1)))
    left, top, right, bottom = probe.textbbox(xy, s, font=fnt, anchor=anchor)
    left, top = left - 1, top - 1
    mask = Image.new("L", (right - left + 2, bottom - top + 2), 0)
    ImageDraw.Draw(mask).text((xy[0] - left, xy[1] - top), s, font=fnt,
                              fill=255, anchor=anchor)
    mask = mask.point(lambda v: (v * TEXT_STEPS + 127) // 255 * 255 // TEXT_STEPS)
    img.paste(Image.new("RGB", mask.size, colour), (left, top), mask)


def text_tight(img, xy, s, fnt, colour):
    """Text whose word gaps are one pixel narrower, for a label that must
    fit a small button."""
    x, y = xy
    space = text_width(" ", fnt) - 1
    for word in s.split(" "):
        text(img, (x, y), word, fnt, colour)
        x += text_width(word, fnt) + space


def text_width(s, fnt):
    return int(round(fnt.getlength(s)))


# ---------------------------------------------------------------------------
# Drawing primitives (rectangles are left, top, right, bottom, exclusive).

def fill(img, rect, colour):
    l, t, r, b = rect
    if r > l and b > t:
        img.paste(colour, (l, t, r, b))


def hline(img, x0, x1, y, colour):
    fill(img, (x0, y, x1, y + 1), colour)


def vline(img, x, y0, y1, colour):
    fill(img, (x, y0, x + 1, y1), colour)


def put(img, x, y, colour):
    img.putpixel((x, y), colour)


def well(img, rect, face=WELL):
    """Inset panel: dark upper-left edge, light lower-right edge."""
    l, t, r, b = rect
    fill(img, rect, face)
    hline(img, l, r, t, WELL_DARK)
    vline(img, l, t, b, WELL_DARK)
    hline(img, l + 1, r, b - 1, WELL_LIGHT)
    vline(img, r - 1, t + 1, b, WELL_LIGHT)
    # soften the two corners where dark meets light
    put(img, r - 1, t, BG)
    put(img, l, b - 1, BG)


def separator(img, x0, x1, y):
    hline(img, x0, x1, y, SEPARATOR_DARK)
    hline(img, x0, x1, y + 1, SEPARATOR_LIGHT)


def rounded_body(img, rect, face, edge, shine, shade, corners="lrtb"):
    """A raised button body with one-pixel cut corners."""
    l, t, r, b = rect
    fill(img, (l + 1, t + 1, r - 1, b - 1), face)
    hline(img, l + 1, r - 1, t + 1, shine)
    hline(img, l + 1, r - 1, b - 2, shade)
    hline(img, l, r, t, edge)
    hline(img, l, r, b - 1, edge)
    vline(img, l, t, b, edge)
    vline(img, r - 1, t, b, edge)
    return (l, t, r, b)


def led(img, cx, cy, lit):
    """A 4 x 4 LED dot with its top-left pixel at (cx, cy)."""
    if lit:
        fill(img, (cx, cy, cx + 4, cy + 4), ACCENT)
        fill(img, (cx + 1, cy + 1, cx + 3, cy + 3), LED_ON)
        for x, y in ((cx, cy), (cx + 3, cy), (cx, cy + 3), (cx + 3, cy + 3)):
            put(img, x, y, ACCENT_DEEP)
    else:
        fill(img, (cx, cy, cx + 4, cy + 4), LED_OFF_RIM)
        fill(img, (cx + 1, cy + 1, cx + 3, cy + 3), LED_OFF)


def label_baseline(top, height, fnt):
    """Baseline that centres the capitals of fnt in a band."""
    ascent = fnt.getbbox("H", anchor="ls")[1]   # negative: cap top above baseline
    cap = -ascent
    return top + (height + cap) // 2


# ---------------------------------------------------------------------------
# Controls.

def draw_button(img, rect, label, kind, lit):
    """Draws one look of a control into img at rect (img already holds the
    face background there)."""
    l, t, r, b = rect
    w, h = r - l, b - t
    if kind == "tab":
        draw_tab(img, rect, label, lit)
        return
    if kind == "close":
        draw_close(img, rect, lit)
        return
    # body: one pixel of air above and below so stacked buttons stay apart
    body = (l, t + 1, r, b - 1) if h >= 13 else (l, t, r, b)
    bl, bt, br, bb = body
    if lit:
        rounded_body(img, body, LIT_FACE, ACCENT, LIT_SHINE, LIT_FACE)
        # glow: a deeper accent line inside the edge
        hline(img, bl + 1, br - 1, bt + 1, ACCENT_DEEP)
        hline(img, bl + 1, br - 1, bb - 2, ACCENT_DEEP)
        vline(img, bl + 1, bt + 1, bb - 1, ACCENT_DEEP)
        vline(img, br - 2, bt + 1, bb - 1, ACCENT_DEEP)
    else:
        rounded_body(img, body, BTN_FACE, BTN_EDGE, BTN_SHINE, BTN_SHADE)
    # cut corners show the face behind
    if kind != "segr":
        put(img, bl, bt, img.getpixel((bl, bt - 1)) if bt > t else BG)
        put(img, bl, bb - 1, img.getpixel((bl, bb)) if bb < b else BG)
    if kind != "segl":
        put(img, br - 1, bt, img.getpixel((br - 1, bt - 1)) if bt > t else BG)
        put(img, br - 1, bb - 1, img.getpixel((br - 1, bb)) if bb < b else BG)
    colour = LABEL_LIT if lit else LABEL
    fnt = F_LABEL
    base = label_baseline(bt, bb - bt, fnt)
    if kind in ("toggle", "segl", "segr"):
        # LED dot at the left, label after it
        dot_y = bt + (bb - bt - 4) // 2
        tw = text_width(label, fnt)
        if 4 + 4 + 3 + tw + 3 > w:
            # the longest label ("Apply at startup") needs the tight layout
            led(img, bl + 3, dot_y, lit)
            text_tight(img, (bl + 9, base), label, fnt, colour)
        else:
            led(img, bl + 4, dot_y, lit)
            text(img, (bl + 11, base), label, fnt, colour)
    else:
        tw = text_width(label, fnt)
        text(img, (bl + (w - tw + 1) // 2, base), label, fnt, colour)


def draw_tab(img, rect, label, lit):
    l, t, r, b = rect
    if lit:
        # the shown page's tab: lifted into the page, accent along the top
        fill(img, (l + 1, t + 2, r - 1, b), BG)
        hline(img, l + 2, r - 2, t + 1, ACCENT)
        hline(img, l + 1, r - 1, t + 2, ACCENT_DEEP)
        vline(img, l, t + 3, b, BAR_LINE)
        vline(img, r - 1, t + 3, b, BAR_LINE)
        put(img, l + 1, t + 1, ACCENT_DEEP)
        put(img, r - 2, t + 1, ACCENT_DEEP)
        fnt, colour = F_TAB_LIT, LABEL_LIT
        # small LED left of the label marks the page
        tw = text_width(label, fnt)
        tx = l + (r - l - tw) // 2 + 4
        led(img, tx - 10, t + 9, True)
    else:
        fill(img, (l, t, r, b), BAR)
        vline(img, l, t + 5, b - 4, BAR_SHINE)
        vline(img, r - 1, t + 5, b - 4, BAR_SHINE)
        fnt, colour = F_TAB, LABEL
        tw = text_width(label, fnt)
        tx = l + (r - l - tw) // 2 + 4
        led(img, tx - 10, t + 9, False)
    text(img, (tx, t + 15), label, fnt, colour)


def draw_close(img, rect, lit):
    l, t, r, b = rect
    if lit:
        rounded_body(img, rect, LIT_FACE, ACCENT, LIT_SHINE, LIT_FACE)
        for x, y in ((l, t), (r - 1, t), (l, b - 1), (r - 1, b - 1)):
            put(img, x, y, BAR)
        colour = LABEL_LIT
    else:
        rounded_body(img, rect, BAR, BAR_SHINE, BAR, BAR)
        for x, y in ((l, t), (r - 1, t), (l, b - 1), (r - 1, b - 1)):
            put(img, x, y, BAR)
        colour = LABEL
    # the cross: two diagonals, two pixels thick, in a 7 x 7 square
    cx, cy = l + 4, t + 4
    for i in range(7):
        for x, y in ((cx + i, cy + i), (cx + 6 - i, cy + i)):
            put(img, x, y, colour)
        if i < 6:
            put(img, cx + i + 1, cy + i, colour)
            put(img, cx + 5 - i, cy + i, colour)


def draw_thumb(img, x, y):
    """Slider thumb in a 5 x 16 block. The slider copies 4 x 16 of it with
    the first row above its client area, so the visible knob is columns
    0 to 3, rows 1 to 15."""
    fill(img, (x, y, x + 5, y + 16), FILLER)
    body = (x, y + 1, x + 4, y + 16)
    fill(img, body, (196, 206, 216))
    vline(img, x, y + 1, y + 16, (232, 238, 244))
    vline(img, x + 3, y + 1, y + 16, (112, 122, 134))
    hline(img, x, x + 4, y + 1, (232, 238, 244))
    hline(img, x, x + 4, y + 15, (80, 88, 98))
    # accent notch in the middle shows where the value sits
    vline(img, x + 1, y + 5, y + 12, ACCENT)
    vline(img, x + 2, y + 5, y + 12, ACCENT_DEEP)
    # the unused fifth column and first row repeat the edge
    vline(img, x + 4, y + 1, y + 16, (80, 88, 98))
    hline(img, x, x + 5, y, (232, 238, 244))


def draw_track(img, rect):
    """Slider track on the face: a thin groove at the height of the knob's
    middle, with small ticks under it."""
    l, t, r, b = rect
    gy = t + 6
    hline(img, l + 1, r - 1, gy, WELL_DARK)
    hline(img, l + 1, r - 1, gy + 1, (10, 12, 15))
    hline(img, l + 1, r - 1, gy + 2, (10, 12, 15))
    hline(img, l + 1, r - 1, gy + 3, WELL_LIGHT)
    vline(img, l, gy, gy + 4, WELL_DARK)
    vline(img, r - 1, gy, gy + 4, WELL_LIGHT)
    # ticks at every tenth of the thumb's run (centre 3 to 227)
    for i in range(11):
        x = l + 3 + (224 * i) // 10
        tick = 3 if i in (0, 5, 10) else 2
        vline(img, x, b - 4, b - 4 + tick, SEPARATOR_LIGHT)


def draw_readout_well(img, rect):
    l, t, r, b = rect
    fill(img, rect, READOUT_BG)
    hline(img, l, r, t, READOUT_RIM)
    vline(img, l, t, b, READOUT_RIM)
    hline(img, l + 1, r, b - 1, WELL_LIGHT)
    vline(img, r - 1, t + 1, b, WELL_LIGHT)


def resolution_text(mode):
    w, h, bits = mode
    return "%d \u00d7 %d, %d-bit" % (w, h, bits)


def draw_resolution_picture(img, x, y, mode):
    """100 x 10 face of the resolution button: a small drop-down field."""
    w, h = RES_PICTURE_SIZE
    fill(img, (x, y, x + w, y + h), READOUT_BG)
    hline(img, x, x + w, y, WELL_LIGHT)
    hline(img, x, x + w, y + h - 1, WELL_LIGHT)
    vline(img, x, y, y + h, WELL_LIGHT)
    vline(img, x + w - 1, y, y + h, WELL_LIGHT)
    text(img, (x + 4, y + 8), resolution_text(mode), F_SMALL, LABEL_LIT)
    # arrow
    ax, ay = x + w - 9, y + 3
    for i in range(3):
        hline(img, ax + i, ax + 5 - i, ay + i, ACCENT)


# ---------------------------------------------------------------------------
# Faces.

def draw_frame(img):
    """Page background with the top row (shared by Main and About)."""
    fill(img, (0, 0, FACE_W, FACE_H), BG)
    fill(img, (0, 0, FACE_W, 22), BAR)
    hline(img, 0, FACE_W, 22, BAR_LINE)
    hline(img, 0, FACE_W, 23, BAR_SHINE)


def draw_logo(img, x, y, size):
    """The program's mark: a rounded graphite tile with a gauge needle."""
    tile = icon_art(size)
    spot = img.crop((x, y, x + size, y + size))
    spot.paste(tile.convert("RGB"), (0, 0), tile.split()[3])
    # a handful of shades is plenty for the mark and keeps the palette small
    spot = spot.quantize(12, method=Image.Quantize.MEDIANCUT,
                         dither=Image.Dither.NONE).convert("RGB")
    img.paste(spot, (x, y))


def draw_main_background(img):
    """Everything of the Main face that bitmap 163 keeps."""
    draw_frame(img)
    # the name in the free upper-left area
    draw_logo(img, 16, 36, 32)
    text(img, (56, 56), "Marovex", F_TITLE, TITLE)
    text(img, (57, 71), "display driver settings", F_SMALL, DIM_TEXT)

    # Direct3D and OpenGL groups
    for (l, r, caption) in ((57, 123, "Direct3D"), (131, 226, "OpenGL")):
        well(img, (l, 100, r, 202))
        text(img, (l + 10, 112), caption, F_CAPTION, CAPTION)
        text(img, (l + 10, 146), "FSAA", F_SMALL, DIM_TEXT)

    # clocks: sliders, read-outs, apply / test / reset
    well(img, (241, 28, 531, 126))
    text(img, (251, 47), "Core clock", F_CAPTION, CAPTION)
    text(img, (251, 79), "Memory clock", F_CAPTION, CAPTION)
    for track in SLIDER_TRACKS:
        draw_track(img, track)
    for rw in READOUT_WELLS:
        draw_readout_well(img, rw)
    mw = text_width("MHz", F_SMALL)
    text(img, (504 - mw // 2, 73), "MHz", F_SMALL, DIM_TEXT)

    # overlay switch
    well(img, (292, 163, 418, 198))
    cw = text_width("Overlay", F_CAPTION)
    text(img, (355 - cw // 2, 174), "Overlay", F_CAPTION, CAPTION)

    # bottom: separator and a hint where the output pictures were
    separator(img, 11, 529, 207)
    text(img, (16, 236), "Move a clock slider, press Test, then OK applies the new speeds.",
         F_SMALL, DIM_TEXT)
    text(img, (16, 250), "Cancel discards every change; the tray icon brings this window back.",
         F_SMALL, DIM_TEXT)


def draw_small_toggle_row(img, x, y, labels, widths, h):
    for label, w in zip(labels, widths):
        draw_button(img, (x, y, x + w, y + h), label, "toggle", False)
        x += w + 2


def draw_output_and_agp_pictures(img):
    """The output-device buttons and the AGP row that the face carries and
    bitmap 163 leaves out."""
    x, y, w, h = BLANK_OUTPUT
    well(img, (x + 1, y + 1, x + 145, y + h - 1))
    text(img, (x + 9, y + 13), "Output", F_CAPTION, CAPTION)
    draw_small_toggle_row(img, x + 8, y + 18, ["Monitor"], [60], 14)
    draw_small_toggle_row(img, x + 70, y + 18, ["TV"], [30], 14)
    draw_small_toggle_row(img, x + 8, y + 32, ["Flat panel"], [92], 14)

    x, y, w, h = BLANK_AGP
    well(img, (x, y, x + w, y + h))
    text(img, (x + 6, y + 13), "AGP", F_CAPTION, CAPTION)
    draw_small_toggle_row(img, x + 28, y + 3, ["1x", "2x", "4x"], [26, 26, 26], 13)
    draw_small_toggle_row(img, x + 112, y + 3, ["Fast writes"], [68], 13)


def draw_tv_panel(img):
    """TV options (bitmap 142), drawn at (158, 215) over the bottom area."""
    well(img, (0, 0, 316, 50))
    text(img, (8, 13), "TV", F_CAPTION, CAPTION)
    draw_small_toggle_row(img, 8, 18, ["NTSC", "PAL"], [40, 40], 14)
    draw_small_toggle_row(img, 8, 33, ["Composite", "SVHS"], [56, 40], 14)
    draw_small_toggle_row(img, 104, 18, ["Scaling"], [50], 14)
    draw_small_toggle_row(img, 104, 33, ["Default"], [50], 14)
    # resolution field; the resolution button covers it once a mode is chosen
    rx, ry = RES_BUTTON[0] - TV_PANEL_AT[0], RES_BUTTON[1] - TV_PANEL_AT[1]
    text(img, (rx, ry - 5), "Resolution", F_CAPTION, CAPTION)
    fill(img, (rx, ry, rx + 100, ry + 10), READOUT_BG)
    hline(img, rx, rx + 100, ry, WELL_LIGHT)
    hline(img, rx, rx + 100, ry + 9, WELL_LIGHT)
    vline(img, rx, ry, ry + 10, WELL_LIGHT)
    vline(img, rx + 99, ry, ry + 10, WELL_LIGHT)
    text(img, (rx + 4, ry + 8), "choose\u2026", F_SMALL, DIM_TEXT)
    for i in range(3):
        hline(img, rx + 91 + i, rx + 96 - i, ry + 3 + i, ACCENT)


def lower_blocks():
    """Everything placed below the face: (what, left, top, right, bottom)."""
    blocks = []
    for cid, label, rect, lit_at, kind in BUTTONS:
        l, t, r, b = rect
        blocks.append(("lit look of %d" % cid, lit_at[0], lit_at[1],
                       lit_at[0] + r - l, lit_at[1] + b - t))
    blocks.append(("slider thumb", THUMB_CORNER[0], THUMB_CORNER[1],
                   THUMB_CORNER[0] + 5, THUMB_CORNER[1] + 16))
    for row in range(len(RESOLUTIONS)):
        y = RES_PICTURE_Y0 + RES_PICTURE_STEP * row
        blocks.append(("resolution picture %d" % row, RES_PICTURE_X, y,
                       RES_PICTURE_X + RES_PICTURE_SIZE[0], y + RES_PICTURE_SIZE[1]))
    return blocks


def check_layout():
    """Stops if two pictures below the face would be drawn over each other
    or one runs off the skin."""
    blocks = lower_blocks()
    for i, (a, al, at, ar, ab) in enumerate(blocks):
        if al < 0 or at < FACE_H or ar > FACE_W or ab > SKIN_H:
            raise SystemExit("%s lies outside the lower part of the skin" % a)
        for b, bl, bt, br, bb in blocks[i + 1:]:
            if al < br and bl < ar and at < bb and bt < ab:
                raise SystemExit("%s and %s overlap in the skin" % (a, b))


def build_main():
    """Returns (skin 159, bare face 163) in full colour."""
    check_layout()
    bare = Image.new("RGB", (FACE_W, FACE_H))
    draw_main_background(bare)

    face = bare.copy()
    draw_output_and_agp_pictures(face)

    skin = Image.new("RGB", (FACE_W, SKIN_H), FILLER)
    skin.paste(face, (0, 0))
    for cid, label, rect, lit_at, kind in BUTTONS:
        l, t, r, b = rect
        w, h = r - l, b - t
        normal = face.crop(rect)
        lit = face.crop(rect)
        draw_button(normal, (0, 0, w, h), label, kind, False)
        draw_button(lit, (0, 0, w, h), label, kind, True)
        skin.paste(normal, (l, t))
        skin.paste(lit, lit_at)
    # Both tabs show unlit on the face; the window starts with the Main
    # tab's normal look taken from its lit corner, since Main is shown first.
    draw_thumb(skin, *THUMB_CORNER)
    for row, mode in enumerate(RESOLUTIONS):
        draw_resolution_picture(skin, RES_PICTURE_X,
                                RES_PICTURE_Y0 + RES_PICTURE_STEP * row, mode)
    # the bare face carries the same tabs and controls as the skin, so the
    # two only differ inside the blanked areas
    bare_full = skin.crop((0, 0, FACE_W, FACE_H))
    bx, by, bw, bh = BLANK_OUTPUT
    bare_full.paste(bare.crop((bx, by, bx + bw, by + bh)), (bx, by))
    bx, by, bw, bh = BLANK_AGP
    bare_full.paste(bare.crop((bx, by, bx + bw, by + bh)), (bx, by))
    return skin, bare_full


def build_about():
    img = Image.new("RGB", (FACE_W, FACE_H))
    draw_frame(img)
    for cid, label, rect, lit_at, kind in BUTTONS:
        if kind in ("tab", "close"):
            l, t, r, b = rect
            look = img.crop(rect)
            draw_button(look, (0, 0, r - l, b - t), label, kind, cid == 1012)
            img.paste(look, (l, t))
    well(img, (40, 48, 499, 236))
    draw_logo(img, 70, 82, 48)
    text(img, (134, 112), "Marovex", F_TITLE_BIG, TITLE)
    text(img, (136, 132), "Version 1.0", F_VERSION, ACCENT)
    separator(img, 70, 469, 150)
    text(img, (70, 180),
         "Sets vertical sync, anti-aliasing, overlay and clock speeds of an NVIDIA display driver.",
         F_TEXT_COND, LABEL)
    text(img, (70, 206), "New clock speeds are tested before OK applies them.",
         F_SMALL, DIM_TEXT)
    return img


def build_tv_panels(bare):
    plain = bare.crop((TV_PANEL_AT[0], TV_PANEL_AT[1],
                       TV_PANEL_AT[0] + TV_PANEL_SIZE[0], TV_PANEL_AT[1] + TV_PANEL_SIZE[1]))
    panel = plain.copy()
    draw_tv_panel(panel)
    return panel, plain


def build_menu_face(mode, lit, height):
    img = Image.new("RGB", (92, height), WELL)
    if lit:
        fill(img, (0, 0, 92, 15), LIT_FACE)
        vline(img, 0, 0, 15, ACCENT)
        vline(img, 1, 0, 15, ACCENT_DEEP)
        colour = LABEL_LIT
    else:
        hline(img, 0, 92, 14, SEPARATOR_DARK)
        colour = LABEL
    text(img, (6, 11), resolution_text(mode), F_LABEL, colour)
    return img


def build_digits():
    """Returns (strip in full colour, the digit cells' glyph masks)."""
    img = Image.new("RGB", (24, 128), BLACK)
    fill(img, (DIGIT_MASK_X - 1, 0, 24, 128), WHITE)
    fill(img, (0, 0, DIGIT_MASK_X - 1, 128), BLACK)
    for d in range(10):
        top = DIGIT_TOP0 + 12 * d
        cell = Image.new("RGB", (DIGIT_W, DIGIT_H), READOUT_BG)
        text(cell, (0, 11), str(d), F_DIGIT, DIGIT_COLOUR)
        mask = Image.new("RGB", (DIGIT_W, DIGIT_H), WHITE)
        glyph = Image.new("RGB", (DIGIT_W, DIGIT_H), BLACK)
        for y in range(DIGIT_H):
            for x in range(DIGIT_W):
                p = cell.getpixel((x, y))
                if p != READOUT_BG:
                    glyph.putpixel((x, y), p)
                    mask.putpixel((x, y), BLACK)
        img.paste(glyph, (DIGIT_GLYPH_X, top))
        img.paste(mask, (DIGIT_MASK_X, top))
    return img


# ---------------------------------------------------------------------------
# Icon art.

def icon_art(size):
    """RGBA picture of the program's mark at 16, 32 or 48 pixels: a graphite
    tile with an accent gauge arc and needle."""
    s = 8
    big = Image.new("RGBA", (size * s, size * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    m = 0 if size <= 16 else size * s // 32
    rad = size * s // 5
    d.rounded_rectangle((m, m, size * s - 1 - m, size * s - 1 - m), rad,
                        fill=(44, 51, 61, 255), outline=(12, 14, 18, 255),
                        width=max(s, size * s // 24))
    # gauge: a half ring, accent up to the needle, grey beyond it
    n = size * s
    cx, cy, r = n * 0.5, n * 0.64, n * 0.37
    box = (cx - r, cy - r, cx + r, cy + r)
    aw = int(n * 0.15)
    d.arc(box, 180, 360, fill=(86, 97, 112, 255), width=aw)
    d.arc(box, 180, 305, fill=ACCENT + (255,), width=aw)
    ang = math.radians(305)
    rr = r * 0.78
    nx, ny = cx + rr * math.cos(ang), cy + rr * math.sin(ang)
    d.line((cx, cy, nx, ny), fill=(240, 246, 252, 255), width=int(n * 0.12))
    hub = n * 0.1
    d.ellipse((cx - hub, cy - hub, cx + hub, cy + hub), fill=(240, 246, 252, 255))
    small = big.resize((size, size), Image.BOX)
    return small


# ---------------------------------------------------------------------------
# Palette and file writers.

def build_palette(images):
    """One 256-entry palette holding every colour of the face art exactly:
    black first, white last, the rest ordered by brightness."""
    colours = set()
    for im in images:
        for count, c in im.getcolors(1 << 20):
            colours.add(c)
    colours.discard(BLACK)
    colours.discard(WHITE)
    ordered = sorted(colours, key=lambda c: (c[0] * 299 + c[1] * 587 + c[2] * 114, c))
    if len(ordered) > 254:
        raise SystemExit("the face art uses %d colours; the shared palette holds 254 "
                         "besides black and white" % len(ordered))
    # spare entries: a grey ramp, useful to palette devices and never used here
    spare = 254 - len(ordered)
    ramp = [(v, v, v) for v in
            (16 + (224 * i) // max(1, spare - 1) for i in range(spare))]
    return [BLACK] + ordered + ramp + [WHITE]


def to_indices(img, palette):
    lookup = {}
    for i, c in enumerate(palette):
        lookup.setdefault(c, i)
    w, h = img.size
    data = bytes(lookup[c] for c in img.getdata())
    return w, h, data


def rle8(rows):
    """Run-length encodes bottom-up rows of palette indices (BI_RLE8): runs
    of three or more as (count, index), other stretches in absolute mode,
    each row ended with (0, 0) and the picture with (0, 1)."""
    out = bytearray()
    for row in rows:
        i, n = 0, len(row)
        while i < n:
            j = i
            while j < n and j - i < 255 and row[j] == row[i]:
                j += 1
            if j - i >= 3:
                out += bytes([j - i, row[i]])
                i = j
                continue
            k = i
            while k < n and k - i < 255 and not (k + 2 < n and row[k] == row[k + 1] == row[k + 2]):
                k += 1
            if k - i < 3:
                for m in range(i, k):
                    out += bytes([1, row[m]])
            else:
                out += bytes([0, k - i]) + bytes(row[i:k])
                if (k - i) % 2:
                    out += b"\0"
            i = k
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def bmp8_bytes(img, palette):
    """An 8-bit bitmap with the shared palette, run-length encoded: the flat
    faces shrink to a tenth, and every Windows loader decodes it."""
    w, h, data = to_indices(img, palette)
    rows = [data[y * w:(y + 1) * w] for y in range(h - 1, -1, -1)]
    pixels = rle8(rows)
    table = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette)
    off = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    return head + info + table + pixels


def pack_bits(bits, w, h):
    """1-bit rows, bottom-up, each padded to four bytes. bits[y][x] is 0/1."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if bits[y][x]:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def pack_4bit(idx, w, h):
    stride = ((w * 4 + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            v = idx[y * w + x]
            row[x >> 1] |= v << 4 if x % 2 == 0 else v
        out += row
    return bytes(out)


def pack_8bit(idx, w, h):
    stride = (w + 3) & ~3
    out = bytearray()
    for y in range(h - 1, -1, -1):
        out += bytes(idx[y * w:(y + 1) * w]) + b"\0" * (stride - w)
    return bytes(out)


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def nearest(c, pal):
    best, bi = None, 0
    for i, p in enumerate(pal):
        dist = (c[0] - p[0]) ** 2 * 3 + (c[1] - p[1]) ** 2 * 4 + (c[2] - p[2]) ** 2 * 2
        if best is None or dist < best:
            best, bi = dist, i
    return bi


def icon_image(rgba, bits):
    """One classic icon image: BITMAPINFOHEADER, colour table, XOR bits and
    the AND mask (1 where the desktop shows through)."""
    w, h = rgba.size
    opaque = [[1 if rgba.getpixel((x, y))[3] >= 128 else 0 for x in range(w)] for y in range(h)]
    rgb = [rgba.getpixel((x, y))[:3] if opaque[y][x] else (0, 0, 0)
           for y in range(h) for x in range(w)]
    if bits == 4:
        pal = VGA16
        idx = [nearest(c, pal) for c in rgb]
        xor = pack_4bit(idx, w, h)
    else:
        # adaptive table from the picture's own colours
        pal = []
        for c in rgb:
            if c not in pal:
                pal.append(c)
        pal = sorted(pal, key=lambda c: (c[0] * 299 + c[1] * 587 + c[2] * 114, c))
        if len(pal) > 256:
            raise SystemExit("icon has more than 256 colours")
        pal = pal + [(0, 0, 0)] * (256 - len(pal))
        index = {}
        for i, c in enumerate(pal):
            index.setdefault(c, i)
        idx = [index[c] for c in rgb]
        xor = pack_8bit(idx, w, h)
    andmask = pack_bits([[1 - v for v in row] for row in opaque], w, h)
    table = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0,
                       len(xor) + len(andmask), 0, 0, 0, 0)
    return info + table + xor + andmask


def ico_bytes(images):
    """images: list of (size, bits, data)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bits, data in images:
        colours = 16 if bits == 4 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                               len(data), off + len(blobs))
        blobs += data
    return head + entries + blobs


def cur_bytes(shape, hot):
    """A 32 x 32 monochrome cursor. shape rows use '#' black, 'o' white,
    anything else transparent."""
    w = h = 32
    xor = [[1 if shape[y][x] == "o" else 0 for x in range(w)] for y in range(h)]
    andm = [[0 if shape[y][x] in "#o" else 1 for x in range(w)] for y in range(h)]
    table = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    xb, ab = pack_bits(xor, w, h), pack_bits(andm, w, h)
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, len(xb) + len(ab), 0, 0, 0, 0)
    data = info + table + xb + ab
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, hot[0], hot[1], len(data), 6 + 16)
    return head + entry + data


# ---------------------------------------------------------------------------
# Cursor shapes, built from parts so that finger outlines stay separate.

def hand_shape(parts, thumb=None):
    """parts: list of (kind, box, radius) with kind 'palm' or 'finger'; boxes
    are inclusive pixel boxes drawn with rounded corners of that radius;
    later parts lie over earlier ones. Returns 32 rows of
    '#'/'o'/'.'."""
    label = Image.new("L", (32, 32), 0)
    d = ImageDraw.Draw(label)
    for n, (kind, box, radius) in enumerate(parts, start=1):
        d.rounded_rectangle(box, radius, fill=n)
    kinds = {n: kind for n, (kind, box, radius) in enumerate(parts, start=1)}
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            v = label.getpixel((x, y))
            if not v:
                row += "."
                continue
            edge = False
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                nv = label.getpixel((nx, ny)) if 0 <= nx < 32 and 0 <= ny < 32 else 0
                if nv == 0:
                    edge = True
                elif nv != v and kinds[v] == "finger" and kinds[nv] == "finger" and nv > v:
                    edge = True          # a line between two touching fingers
            row += "#" if edge else "o"
        rows.append(row)
    return rows


def cursor_open_hand():
    return hand_shape([
        ("finger", (3, 12, 8, 21), 2),          # thumb, out to the left
        ("palm", (7, 13, 24, 28), 4),
        ("finger", (8, 4, 12, 17), 2),          # index
        ("finger", (12, 2, 16, 17), 2),         # middle (hot spot 14,8)
        ("finger", (16, 3, 20, 17), 2),         # ring
        ("finger", (20, 6, 24, 18), 2),         # little
    ])


def cursor_closed_hand():
    return hand_shape([
        ("palm", (7, 11, 24, 26), 4),
        ("finger", (8, 8, 12, 14), 2),
        ("finger", (12, 7, 16, 14), 2),
        ("finger", (16, 7, 20, 14), 2),
        ("finger", (20, 9, 24, 15), 2),
        ("finger", (5, 14, 10, 20), 2),         # thumb folded in front
    ])


def cursor_pointing_hand():
    return hand_shape([
        ("palm", (9, 13, 23, 28), 4),
        ("finger", (4, 14, 10, 20), 2),         # thumb
        ("finger", (9, 1, 13, 16), 2),          # index, tip at (11, 1)
        ("finger", (13, 10, 17, 17), 2),
        ("finger", (17, 11, 21, 18), 2),
        ("finger", (21, 12, 24, 19), 1),
    ])


# ---------------------------------------------------------------------------

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "res")
    out = os.path.normpath(out)
    os.makedirs(out, exist_ok=True)

    skin, bare = build_main()
    about = build_about()
    tv_panel, tv_plain = build_tv_panels(bare)
    digits = build_digits()
    menus = {}
    for row, mode in enumerate(RESOLUTIONS):
        h = 18 if row == 5 else 16
        menus[145 + row] = build_menu_face(mode, False, h)
        menus[151 + row] = build_menu_face(mode, True, h)

    bitmaps = {159: skin, 163: bare, 136: about, 142: tv_panel, 160: tv_plain, 158: digits}
    bitmaps.update(menus)
    order = sorted(bitmaps)
    palette = build_palette([bitmaps[i] for i in order])

    files = {}
    for rid in order:
        files[rid] = bmp8_bytes(bitmaps[rid], palette)

    icon_images = []
    for size in (32, 16):
        art = icon_art(size)
        icon_images.append((size, 8, icon_image(art, 8)))
    for size in (32, 16):
        art = icon_art(size)
        icon_images.append((size, 4, icon_image(art, 4)))
    files[128] = ico_bytes(icon_images)

    files[131] = cur_bytes(cursor_open_hand(), CURSOR_HOT_SPOTS[131])
    files[132] = cur_bytes(cursor_closed_hand(), CURSOR_HOT_SPOTS[132])
    files[138] = cur_bytes(cursor_pointing_hand(), CURSOR_HOT_SPOTS[138])

    print("%-5s %-32s %-9s %-4s %s" % ("id", "file", "size", "bpp", "content"))
    for rid, name, w, h, bpp, what in RESOURCES:
        data = files[rid]
        if rid in bitmaps and bitmaps[rid].size != (w, h):
            raise SystemExit("resource %d drawn at %s, table says %dx%d"
                             % (rid, bitmaps[rid].size, w, h))
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("%-5d %-32s %-9s %-4d %s" % (rid, name, "%dx%d" % (w, h), bpp, what))
    used = set()
    for rid in order:
        used.update(c for n, c in bitmaps[rid].getcolors(1 << 20))
    print("shared palette: %d of 256 entries used by the art" % len(used))


if __name__ == "__main__":
    main()
