#!/usr/bin/python3
"""Draws every picture of Sonnelith from the sources in this folder.

    generate.py OUTDIR ICONDIR

writes the window pictures as 24-bit PNG files into OUTDIR, each twice: at
their natural size as <id>_<name>.png (tools/make-artwork.sh turns them into
the BMP resources) and at twice that size, for screens that draw two pixels
to the point, as <id>_<name>@2x.png; and the program icon as
sonnelith-<size>.png into ICONDIR.

The double-size pictures are drawn, not enlarged: every length, edge, blur
and type size is doubled and the SVG shapes are rendered at twice their size,
so they are as sharp as their natural-size twins and show the same thing at
the same places. Only the two pixel-art slider pictures are doubled pixel for
pixel, which keeps them exactly as drawn.

Shapes come from the SVG files beside this script and lettering is set in
DejaVu type, both rendered with rsvg-convert; the window background, the
button faces and the pixel-sized slider parts are drawn here with Pillow.
Nothing random is used, so every run gives the same bytes.
"""

import os
import subprocess
import sys
from io import BytesIO

from PIL import Image, ImageChops, ImageDraw, ImageFilter

ART = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- palette
GROUND = (226, 230, 232)       # window ground
PANEL = (194, 200, 204)        # raised panels, bottom bar, around the buttons
FIELD = (195, 201, 205)        # behind the static controls and the slider channel
CAPTION = (97, 100, 102)       # field captions
HEADING = (145, 150, 153)      # heading of the resource box
PANEL_EDGE = (163, 170, 175)
PANEL_LIGHT = (216, 221, 224)
ETCH_DARK = (153, 160, 165)
ETCH_LIGHT = (221, 225, 228)

GLYPH = (212, 237, 255)        # light blue of the button pictures
GLYPH_EDGE = (27, 80, 94)      # their outline, so they read on the teal

SS = 4                         # supersampling factor for smooth edges

# Type faces: (family, weight, size in pixels), all DejaVu.
LABEL_FACE = ("DejaVu Sans", "bold", 12)              # words on the buttons
CAPTION_FACE = ("DejaVu Sans Condensed", "bold", 10)  # field captions
HEADING_FACE = ("DejaVu Sans Condensed", "normal", 10)
MARK_FACE = ("DejaVu Sans", "200", 17)                # ExtraLight wordmark
TITLE_FACE = ("DejaVu Sans", "200", 58)
TAGLINE_FACE = ("DejaVu Sans", "normal", 14)
SMALL_FACE = ("DejaVu Sans", "normal", 11)


# ---------------------------------------------------------------- helpers
def rsvg(args, svg=None):
    """Runs rsvg-convert (on the given SVG text, if any) and returns the
    picture as an RGBA image."""
    png = subprocess.run(["rsvg-convert"] + args, input=svg, check=True,
                         stdout=subprocess.PIPE).stdout
    return Image.open(BytesIO(png)).convert("RGBA")


def render_svg(name, width=None, height=None, zoom=1):
    """Renders an SVG from this folder to an RGBA image, at its own size
    times zoom unless a size is given."""
    size = ["-w", str(width), "-h", str(height)] if width else []
    if zoom != 1:
        size += ["-z", str(zoom)]
    return rsvg(size + [os.path.join(ART, name)])


def check_fonts():
    """Pango quietly falls back to another face when one is missing, so make
    sure the DejaVu faces are the ones found."""
    for pattern, expect in (("DejaVu Sans:bold", "DejaVuSans-Bold.ttf"),
                            ("DejaVu Sans:weight=40", "DejaVuSans-ExtraLight.ttf"),
                            ("DejaVu Sans Condensed:bold", "DejaVuSansCondensed-Bold.ttf"),
                            ("DejaVu Sans Condensed", "DejaVuSansCondensed.ttf")):
        found = subprocess.run(["fc-match", "-f", "%{file}", pattern], check=True,
                               stdout=subprocess.PIPE, text=True).stdout
        if os.path.basename(found) != expect:
            sys.exit(f"generate.py: font {pattern!r} resolves to {found!r}, not {expect}")


def rr_mask(size, box, radius):
    """Antialiased mask of a rounded rectangle; box holds inclusive pixel
    bounds (x0, y0, x1, y1), radius is in pixels (may be fractional)."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    x0, y0, x1, y1 = box
    ImageDraw.Draw(big).rounded_rectangle(
        (x0 * SS, y0 * SS, (x1 + 1) * SS - 1, (y1 + 1) * SS - 1),
        radius=round(radius * SS), fill=255)
    return big.reduce(SS)


def inset(box, d):
    return (box[0] + d, box[1] + d, box[2] - d, box[3] - d)


def scaled(box, s):
    """A box of inclusive pixel bounds at natural size, at s times the size:
    each pixel becomes s x s pixels."""
    return (box[0] * s, box[1] * s, (box[2] + 1) * s - 1, (box[3] + 1) * s - 1)


def face_at(face, s):
    family, weight, px = face
    return (family, weight, px * s)


def ring(size, box, radius, width=1):
    """Mask of the band of the given width just inside a rounded rectangle."""
    outer = rr_mask(size, box, radius)
    inner = rr_mask(size, inset(box, width), max(radius - width, 0))
    return ImageChops.subtract(outer, inner)


def top_edge(mask, dy=1):
    """The part of a mask that is not covered by itself moved down by dy:
    its upper rim."""
    moved = ImageChops.offset(mask, 0, dy)
    ImageDraw.Draw(moved).rectangle((0, 0, mask.width, dy - 1), fill=0)
    return ImageChops.subtract(mask, moved)


def bottom_edge(mask, dy=1):
    moved = ImageChops.offset(mask, 0, -dy)
    ImageDraw.Draw(moved).rectangle((0, mask.height - dy, mask.width, mask.height), fill=0)
    return ImageChops.subtract(mask, moved)


def scale_mask(mask, factor):
    return mask.point(lambda v: round(v * factor))


def fill(img, colour, mask):
    """Paints a colour through a mask."""
    img.paste(Image.new("RGB", img.size, colour), (0, 0), mask)


def vgradient(size, top, bottom, y0=0, y1=None, s=1):
    """Image with a vertical gradient running from row y0 to row y1, both
    counted in natural-size rows; the image is s times that size."""
    w, h = size
    if y1 is None:
        y1 = h // s - 1
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        row = (y + 0.5) / s - 0.5 if s != 1 else y
        t = min(max((row - y0) / max(y1 - y0, 1), 0.0), 1.0)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        for x in range(w):
            px[x, y] = c
    return img


DEJAVU_CAP_HEIGHT = 1493 / 2048     # height of the capitals, in em


def xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def text_alpha(text, face):
    """Coverage of a line of text set by rsvg-convert (Pango), on a canvas
    with the baseline near 2 x size; face is (family, weight, size in px).
    The baseline is nudged so that the tops of the capitals fall on a pixel
    edge, which keeps small captions crisp."""
    family, weight, px = face
    w, h = round(len(text) * px + 4 * px), 3 * px
    baseline = 2 * px + (DEJAVU_CAP_HEIGHT * px) % 1
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}">'
           f'<text x="{px}" y="{baseline:.3f}" font-family="{family}" font-weight="{weight}" '
           f'font-size="{px}px" fill="#000">{xml_escape(text)}</text></svg>')
    return rsvg([], svg.encode("utf-8")).getchannel("A")


def text_mask(size, text, face, left, cap_top):
    """Mask of a line of text whose ink starts at x = left and whose
    capitals start at y = cap_top (the first row where a capital H is at
    least half covered)."""
    alpha = text_alpha(text, face)
    ink_left = alpha.getbbox()[0]
    cap = text_alpha("H", face).point(lambda v: 255 if v >= 128 else 0).getbbox()[1]
    mask = Image.new("L", size, 0)
    mask.paste(alpha, (left - ink_left, cap_top - cap))
    return mask


def text_width(text, face):
    box = text_alpha(text, face).getbbox()
    return box[2] - box[0]


def outlined(mask, spread=1, strength=1.0):
    """Mask of a thin outline around the given mask."""
    grown = mask.filter(ImageFilter.MaxFilter(2 * spread + 1))
    return scale_mask(grown, strength)


# ---------------------------------------------------------------- slider
def doubled(img, s):
    """Pixel art at s times its size, each pixel an s x s square."""
    return img if s == 1 else img.resize((img.width * s, img.height * s), Image.NEAREST)


def slider_channel(s=1):
    """133: a groove four pixels high across a plain field."""
    w, h = 63, 20
    img = Image.new("RGB", (w, h), FIELD)
    px = img.load()
    rows = {8: (112, 128, 143), 9: (141, 156, 170), 10: (247, 249, 251), 11: (232, 237, 241)}
    for y, c in rows.items():
        for x in range(2, w - 2):
            px[x, y] = c
        # soften the ends of the groove
        for x in (1, w - 2):
            px[x, y] = tuple((a + b) // 2 for a, b in zip(c, FIELD))
    return doubled(img, s)


def slider_thumb(s=1):
    """135: an upright bar, green at the ends and pale blue-white between."""
    art = [
        "-oooooo-",
        "oLGGGGDo",
        "oLGGGGDo",
        "oLgggdDo",
        "osssssso",
        "oWPPPPBo",
        "oWPPPPBo",
        "oWrrrrBo",
        "oWPPPPBo",
        "oWrrrrBo",
        "oWPPPPBo",
        "osssssso",
        "oLGGGGDo",
        "oLGGGGDo",
        "oLgggdDo",
        "-oooooo-",
    ]
    colours = {
        "-": FIELD,
        "o": (38, 96, 62),        # outline, dark green
        "L": (158, 222, 128),     # green, lit edge
        "G": (92, 182, 82),       # green
        "g": (72, 156, 68),       # green, lower row
        "d": (60, 136, 58),
        "D": (48, 120, 52),       # green, shaded edge
        "s": (86, 128, 132),      # seam between green and the grip
        "W": (252, 254, 255),     # grip, lit edge
        "P": (226, 238, 248),     # grip, pale blue-white
        "r": (170, 192, 212),     # grip ridges
        "B": (188, 206, 224),     # grip, shaded edge
    }
    img = Image.new("RGB", (8, 16))
    px = img.load()
    for y, row in enumerate(art):
        for x, ch in enumerate(row):
            px[x, y] = colours[ch]
    return doubled(img, s)


# ---------------------------------------------------------------- buttons
FACES = {
    # frame: (border, top of face, bottom of face, rim light, glyph drop)
    "normal": ((66, 124, 131), (170, 216, 218), (112, 176, 183), (214, 240, 240), 0),
    "pressed": ((98, 104, 108), (142, 148, 152), (176, 181, 184), (122, 128, 132), 1),
    "hover": ((70, 138, 144), (196, 234, 234), (136, 202, 207), (236, 252, 252), 0),
}


def glyph_layer(size, glyph, at, label=None, label_at=None, s=1):
    """The light-blue picture (and label) of a button with its dark outline,
    as an RGBA layer; size and places are natural-size, the layer s times
    as large."""
    size = (size[0] * s, size[1] * s)
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    layer.alpha_composite(glyph, (at[0] * s, at[1] * s))
    mask = layer.getchannel("A")
    if label:
        lmask = text_mask(size, label, face_at(LABEL_FACE, s), label_at[0] * s, label_at[1] * s)
        txt = Image.new("RGBA", size, GLYPH + (0,))
        txt.putalpha(lmask)
        layer.alpha_composite(txt)
        mask = ImageChops.lighter(mask, lmask)
    edge = outlined(mask, s, 0.8)
    out = Image.new("RGBA", size, GLYPH_EDGE + (0,))
    out.putalpha(edge)
    # a soft shadow under the outline lifts the picture off the face
    shadow = Image.new("RGBA", size, (20, 60, 70, 0))
    shadow.putalpha(scale_mask(ImageChops.offset(edge, 0, s).filter(ImageFilter.BoxBlur(s)), 0.35))
    result = Image.new("RGBA", size, (0, 0, 0, 0))
    result.alpha_composite(shadow)
    result.alpha_composite(out)
    result.alpha_composite(layer)
    return result


def button_frame(size, look, pic, s=1):
    w, h = size
    border, top, bottom, rim, drop = FACES[look]
    radius = 6 if h >= 30 else 5
    box = (1, 1, w - 2, h - 2)
    size = (w * s, h * s)
    img = Image.new("RGB", size, PANEL)
    fill(img, border, rr_mask(size, scaled(box, s), radius * s))
    face = rr_mask(size, scaled(inset(box, 1), s), (radius - 1) * s)
    img.paste(vgradient(size, top, bottom, 2, h - 3, s), (0, 0), face)
    # rim light along the top (a shadow when pressed) and a darker lower rim
    fill(img, rim, scale_mask(top_edge(face, s), 0.9))
    if look != "pressed":
        fill(img, tuple(round(c * 0.88) for c in bottom), scale_mask(bottom_edge(face, s), 0.6))
    drop *= s
    layer = ImageChops.offset(pic, 0, drop)
    if drop:
        ImageDraw.Draw(layer).rectangle((0, 0, w * s, drop - 1), fill=(0, 0, 0, 0))
    base = img.convert("RGBA")
    base.alpha_composite(layer)
    return base.convert("RGB")


def button_strip(size, glyph_file, glyph_at, label=None, label_at=None, s=1):
    glyph = render_svg("glyphs/" + glyph_file, zoom=s)
    pic = glyph_layer(size, glyph, glyph_at, label, label_at, s)
    w, h = size
    strip = Image.new("RGB", (3 * w * s, h * s), PANEL)
    for i, look in enumerate(("normal", "pressed", "hover")):
        strip.paste(button_frame(size, look, pic, s), (i * w * s, 0))
    return strip


def labelled_layout(glyph_w, label, frame_w=72):
    """Places an icon and a word side by side, centred in a wide frame."""
    gap = 4
    total = glyph_w + gap + text_width(label, LABEL_FACE)
    x = (frame_w - total) // 2
    return x, x + glyph_w + gap


# ---------------------------------------------------------------- background
CAPTIONS = [
    ("Input file", 38, 46),
    ("Scanning range (%)", 38, 189),
    ("Average segment (sec.)", 39, 218),
    ("Grain density (per sec.)", 38, 260),
    ("Grain length (millisec.)", 38, 291),
    ("Output file", 328, 46),
    ("Time", 328, 85),
    ("Volume (%)", 329, 124),
    ("Fade in/out (seconds)", 328, 154),
    ("Required disk space", 347, 228),
    ("Available disk space", 347, 251),
    ("Required memory", 347, 274),
]

# Where the window's controls stand (x, y, w, h).  The picture must show the
# plain panel colour under and around all of them.
CONTROLS = [
    (102, 41, 126, 20), (392, 41, 126, 20),                        # file names
    (232, 39, 33, 24), (522, 39, 33, 24),                          # folder buttons
    (179, 185, 21, 18), (179, 215, 21, 18), (171, 257, 29, 18),    # value labels
    (171, 288, 29, 18), (467, 120, 21, 18), (467, 150, 21, 18),
    (201, 180, 71, 23), (201, 210, 71, 23), (201, 252, 71, 23),    # sliders
    (201, 283, 71, 23), (491, 115, 71, 23), (491, 145, 71, 23),
    (392, 80, 57, 21), (453, 80, 101, 21),                         # time, presets
    (491, 224, 48, 18), (491, 247, 48, 18), (491, 270, 48, 18),    # resources
    (66, 101, 174, 18), (66, 130, 174, 18),                        # input info
    (15, 352, 72, 32), (93, 352, 33, 32), (133, 352, 33, 32),      # command bar
    (429, 352, 72, 32), (506, 352, 33, 32), (545, 352, 33, 32),
]

# Where a text may spread when the desktop's font is too wide for its place
# (kTextRooms in ui/main_window/main_window_template.h): plain panel too.
TEXT_ROOMS = [
    (141, 185, 59, 18), (163, 215, 37, 18), (161, 257, 39, 18),      # value labels
    (158, 288, 42, 18), (390, 120, 98, 18), (441, 150, 47, 18),
    (451, 80, 121, 21),                                              # presets
    (454, 224, 94, 18), (454, 247, 94, 18), (454, 270, 94, 18),      # resources
    (44, 101, 216, 18), (44, 130, 216, 18),                          # input info
]


def raised_panel(img, box, radius=8, s=1):
    size = img.size
    body = rr_mask(size, scaled(box, s), radius * s)
    # soft shadow, a little below the panel
    shadow = ImageChops.offset(body, 0, 2 * s).filter(ImageFilter.GaussianBlur(3 * s))
    fill(img, (120, 130, 138), scale_mask(shadow, 0.45))
    fill(img, PANEL_EDGE, body)
    inner = rr_mask(size, scaled(inset(box, 1), s), (radius - 1) * s)
    fill(img, PANEL, inner)
    fill(img, PANEL_LIGHT, top_edge(inner, s))


def scaled_ring(size, box, radius, s):
    """ring() of a natural-size box, drawn s times as large."""
    return ring(size, scaled(box, s), radius * s, s)


def etched_box(img, box, radius=5, s=1):
    size = img.size
    light = scaled_ring(size, (box[0] + 1, box[1] + 1, box[2] + 1, box[3] + 1), radius, s)
    fill(img, ETCH_LIGHT, light)
    fill(img, ETCH_DARK, scaled_ring(size, box, radius, s))


def band(draw, box, colour, s):
    """A natural-size rectangle or line of pixels, s times as large."""
    draw.rectangle(scaled(box, s), fill=colour)


def background(s=1):
    size = (594 * s, 410 * s)
    img = Image.new("RGB", size, GROUND)

    raised_panel(img, (20, 21, 283, 319), s=s)
    raised_panel(img, (310, 21, 573, 319), s=s)

    # the bar of command buttons along the bottom, across the whole width
    bar = Image.new("L", size, 0)
    band(ImageDraw.Draw(bar), (0, 348, 593, 386), 255, s)
    shadow = ImageChops.offset(bar, 0, 2 * s).filter(ImageFilter.GaussianBlur(2 * s))
    fill(img, (120, 130, 138), scale_mask(shadow, 0.35))
    draw = ImageDraw.Draw(img)
    band(draw, (0, 348, 593, 386), PANEL, s)
    band(draw, (0, 348, 593, 348), PANEL_EDGE, s)
    band(draw, (0, 349, 593, 349), PANEL_LIGHT, s)
    band(draw, (0, 386, 593, 386), PANEL_EDGE, s)

    # box of the input information lines
    etched_box(img, (40, 83, 263, 163), s=s)

    # box of the resource figures, its heading set into the top line
    etched_box(img, (330, 187, 551, 301), s=s)
    head = "Required Resources"
    hx = 343
    band(draw, (hx - 4, 185, hx + text_width(head, HEADING_FACE) + 3, 190), PANEL, s)
    fill(img, HEADING, text_mask(size, head, face_at(HEADING_FACE, s), hx * s, 184 * s))

    # captions
    for text, x, y in CAPTIONS:
        fill(img, CAPTION, text_mask(size, text, face_at(CAPTION_FACE, s), x * s, y * s))

    # a quiet wordmark in the middle of the command bar
    mark = "Sonnelith"
    mark_w = text_width(mark, MARK_FACE)
    mx = 297 - mark_w // 2
    my = 360
    emboss = text_mask(size, mark, face_at(MARK_FACE, s), mx * s, (my + 1) * s)
    letters = text_mask(size, mark, face_at(MARK_FACE, s), mx * s, my * s)
    fill(img, (223, 227, 230), emboss)
    fill(img, (138, 146, 152), letters)
    # grains trailing off on either side of it
    cy = my + 6
    for i, r in enumerate((1.6, 1.25, 0.95, 0.7)):
        for side in (-1, 1):
            cx = 297 + side * (mark_w // 2 + 10 + 8 * i)
            dot = Image.new("L", (size[0] * SS, size[1] * SS), 0)
            k = SS * s
            ImageDraw.Draw(dot).ellipse(((cx - r) * k, (cy - r) * k, (cx + r) * k, (cy + r) * k), fill=255)
            fill(img, (150, 158, 164), dot.reduce(SS))
    check_background(img, s)
    return img


def check_background(img, s):
    px = img.load()
    for x, y, w, h in CONTROLS + TEXT_ROOMS:
        x, y, w, h = x * s, y * s, w * s, h * s
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                if px[xx, yy] != PANEL:
                    sys.exit(f"background: pixel ({xx}, {yy}) under the control at "
                             f"({x}, {y}, {w}, {h}) is {px[xx, yy]}, not the panel colour")


# ---------------------------------------------------------------- about
def about(s=1):
    img = render_svg("about-scene.svg", zoom=s).convert("RGB")
    size = img.size

    # the product name with a faint glow
    title = text_mask(size, "Sonnelith", face_at(TITLE_FACE, s), 246 * s, 58 * s)
    glow = title.filter(ImageFilter.GaussianBlur(6 * s))
    fill(img, (150, 200, 255), scale_mask(glow, 0.45))
    fill(img, (240, 247, 255), title)

    # a line of grains under it, swelling and dying away like a sound
    grains = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    d = ImageDraw.Draw(grains)
    k = SS * s
    for i in range(46):
        x = 249 + i * 6.9
        t = i / 45
        env = (t / 0.12) if t < 0.12 else (1 - (t - 0.12) / 0.88) ** 1.6
        r = 0.5 + 1.5 * env
        y = 143
        d.ellipse(((x - r) * k, (y - r) * k, (x + r) * k, (y + r) * k), fill=255)
    fill(img, (160, 205, 245), scale_mask(grains.reduce(SS), 0.8))

    tagline = "Ambient soundscapes from a single sound"
    fill(img, (196, 220, 244), text_mask(size, tagline, face_at(TAGLINE_FACE, s), 249 * s, 121 * s))

    version = "Version 1.0"
    small = face_at(SMALL_FACE, s)
    fill(img, (178, 204, 234),
         text_mask(size, version, small, 570 * s - text_width(version, small), 12 * s))
    notice = "\u00a9 2026 Korvatek. All rights reserved."
    fill(img, (160, 190, 226), text_mask(size, notice, small, 14 * s, 200 * s))

    check_about(img, s)
    return img


def check_about(img, s):
    """The OK button sits in the bottom-right corner: it must be plain."""
    w, h = img.size
    corner = img.crop((w - 80 * s, h - 45 * s, w, h))
    if len(corner.getcolors(16) or []) != 1:
        sys.exit("about: the bottom-right corner is not plain")


# ---------------------------------------------------------------- icon
def icons(outdir):
    source = os.path.join(ART, "../icon/sonnelith.svg")
    for s in (16, 32, 48, 64, 128, 256):
        if s == 16:
            img = render_svg("icon-16.svg")
        elif s == 48:
            # 1.5 pixels a unit puts the odd grid lines on half pixels; moving
            # the drawing by half a pixel lands the bars on whole pixels
            with open(source, encoding="utf-8") as f:
                svg = f.read().replace('viewBox="0 0 32 32"', 'viewBox="-0.33333 -0.33333 32 32"')
            img = rsvg(["-w", "48", "-h", "48"], svg.encode("utf-8"))
        else:
            img = render_svg("../icon/sonnelith.svg", s, s)
        img.save(os.path.join(outdir, f"sonnelith-{s}.png"), optimize=False)


# ---------------------------------------------------------------- main
def pictures(s):
    """Every window picture, s times its natural size, by file name."""
    made = {
        "133_slider_channel": slider_channel(s),
        "135_slider_thumb": slider_thumb(s),
        "136_restore": button_strip((33, 32), "restore.svg", (6, 6), s=s),
        "137_folder": button_strip((33, 24), "folder.svg", (7, 5), s=s),
        "140_play": button_strip((33, 32), "note.svg", (6, 6), s=s),
        "142_about": button_strip((33, 32), "exclaim.svg", (6, 6), s=s),
        "143_web": button_strip((33, 32), "globe.svg", (6, 6), s=s),
        "144_background": background(s),
        "147_about": about(s),
    }
    gx, tx = labelled_layout(20, "Start")
    made["138_start"] = button_strip((72, 32), "gear.svg", (gx, 6), "Start", (tx, 11), s)
    gx, tx = labelled_layout(20, "Guide")
    made["141_guide"] = button_strip((72, 32), "question.svg", (gx, 6), "Guide", (tx, 11), s)
    return made


def main():
    outdir, icondir = sys.argv[1], sys.argv[2]
    check_fonts()
    natural = pictures(1)
    for name, img in sorted(natural.items()):
        img.convert("RGB").save(os.path.join(outdir, name + ".png"), optimize=False)
    for name, img in sorted(pictures(2).items()):
        if img.size != (2 * natural[name].width, 2 * natural[name].height):
            sys.exit(f"generate.py: {name}@2x is {img.size}, not twice {natural[name].size}")
        img.convert("RGB").save(os.path.join(outdir, name + "@2x.png"), optimize=True)
    icons(icondir)


if __name__ == "__main__":
    main()
