#!/usr/bin/python3
"""Draws every picture Glimmer shows and writes it to art/images/.

Run from anywhere:  /usr/bin/python3 art/draw_art.py

Everything here is drawn from primitives and the DejaVu fonts, so the output is
the same on every run; rerun it after changing any drawing.
"""
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "art", "images")

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
CONDENSED = os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf")
WIDE = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
BORDER = (0x40, 0x40, 0x40)
GREEN = (0x00, 0xFF, 0x00)
ORANGE = (0xFF, 0x9A, 0x1F)
EMBER = (0xFF, 0x6A, 0x00)

# Drawn shapes are rendered this many times larger and box-filtered down, which
# gives clean anti-aliased edges without blurring the lettering (text is always
# drawn at final size so FreeType's hinting keeps the stems on whole pixels).
SS = 4


# ---------------------------------------------------------------- lettering

_fonts = {}


def font(path, size):
    key = (path, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(path, size)
    return _fonts[key]


def line_mask(text, fnt, tracking=0):
    """The text's coverage, cropped to its ink.

    Drawn letter by letter on whole pixels: at button sizes the font's own
    kerning pulls pairs like "LT" into each other, and even spacing reads better.
    """
    asc, desc = fnt.getmetrics()
    width = int(fnt.getlength(text) + (tracking + 1) * len(text)) + 8
    mask = Image.new("L", (width, asc + desc + 4), 0)
    d = ImageDraw.Draw(mask)
    x = 2.0
    for ch in text:
        d.text((round(x), 2), ch, font=fnt, fill=255)
        x += fnt.getlength(ch) + tracking
    box = mask.getbbox()
    return mask.crop(box) if box else mask.crop((0, 0, 1, 1))


def block_mask(lines, path, size, tracking=0, gap=None):
    """Several centred lines stacked, cropped to their ink."""
    fnt = font(path, size)
    masks = [line_mask(t, fnt, tracking) for t in lines]
    if len(masks) == 1:
        return masks[0]
    # Caps share one height, so a fixed gap reads evenly.
    if gap is None:
        gap = max(2, round(size * 0.2))
    w = max(m.width for m in masks)
    h = sum(m.height for m in masks) + gap * (len(masks) - 1)
    out = Image.new("L", (w, h), 0)
    y = 0
    for m in masks:
        out.paste(m, ((w - m.width) // 2, y))
        y += m.height + gap
    return out


def fit_size(lines, path, max_w, max_h, tracking=0):
    """Largest font size at which these lines fit the box."""
    for size in range(80, 5, -1):
        m = block_mask(lines, path, size, tracking)
        if m.width <= max_w and m.height <= max_h:
            return size
    return 6


def fit_block(lines, path, max_w, max_h, tracking=0):
    return block_mask(lines, path, fit_size(lines, path, max_w, max_h, tracking), tracking)


def paste_centred(img, mask, colour, box=None, dy=0):
    x0, y0, x1, y1 = box or (0, 0, img.width, img.height)
    x = x0 + (x1 - x0 - mask.width) // 2
    y = y0 + (y1 - y0 - mask.height + 1) // 2 + dy
    img.paste(Image.new(img.mode, mask.size, colour), (x, y), mask)
    return x, y


def button_room(size):
    """Width and height the lettering may use inside a button's border."""
    w, h = size
    return w - (8 if w > 40 else 4), h


def best_layout(size, label, fill):
    """(font size, tracking, lines) giving the tallest letters for this button.

    `label` may list alternatives (strings, or tuples for stacked lines);
    open tracking is kept unless it costs the lettering height.
    """
    room_w, h = button_room(size)
    options = label if isinstance(label, list) else [label]
    best = None
    for opt in options:
        lines = (opt,) if isinstance(opt, str) else opt
        room_h = round(h * fill) if len(lines) == 1 else h - 5
        for track in (1, 0):
            pt = fit_size(lines, CONDENSED, room_w, room_h, track)
            if best is None or pt > best[0]:
                best = (pt, track, lines)
    return best


def text_button(size, lines, pt, track, colour=WHITE, border=True, bg=BLACK):
    """A black button with its label centred in crisp capitals."""
    w, h = size
    img = Image.new("RGB", size, bg)
    if border:
        ImageDraw.Draw(img).rectangle((0, 0, w - 1, h - 1), outline=BORDER)
    paste_centred(img, block_mask(lines, CONDENSED, pt, track), colour)
    return img


def button_group(buttons, fill=0.62, colour=WHITE):
    """Buttons shown side by side share one letter size, the largest all can take."""
    layouts = {name: best_layout(size, label, fill) for name, (size, label) in buttons.items()}
    pt = min(l[0] for l in layouts.values())
    out = {}
    for name, (size, _) in buttons.items():
        _, _, lines = layouts[name]
        room_w, _ = button_room(size)
        # At the shared size, keep the open tracking wherever it still fits.
        track = 1 if block_mask(lines, CONDENSED, pt, 1).width <= room_w else 0
        out[name] = text_button(size, lines, pt, track, colour)
    return out


# ---------------------------------------------------------------- helpers

def supersampled(size, bg=(0, 0, 0, 0), mode="RGBA"):
    w, h = size
    img = Image.new(mode, (w * SS, h * SS), bg)
    return img, ImageDraw.Draw(img)


def shrink(img, size):
    return img.resize(size, Image.BOX)


def s(*vals):
    """Final-pixel coordinates to supersampled ones."""
    return [v * SS for v in vals]


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line((0, y, w - 1, y), fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def radial_glow(size, centre, radius, colour, strength=1.0):
    """A soft round light, as an RGB image meant for ImageChops.add."""
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    cx, cy = centre
    for y in range(h):
        for x in range(w):
            r = math.hypot(x - cx, y - cy) / radius
            if r < 1:
                k = strength * (1 - r) ** 2
                px[x, y] = tuple(round(c * k) for c in colour)
    return img


def glow(mask, colour, radius, strength=1.0):
    """Blurred colour from a coverage mask, to add beneath lettering."""
    blur = mask.filter(ImageFilter.GaussianBlur(radius))
    if strength != 1.0:
        blur = blur.point(lambda v: min(255, round(v * strength)))
    layer = Image.new("RGB", mask.size, colour)
    black = Image.new("RGB", mask.size, BLACK)
    return Image.composite(layer, black, blur)


def padded_mask(mask, size, pos):
    out = Image.new("L", size, 0)
    out.paste(mask, pos)
    return out


def save(img, name):
    path = os.path.join(OUT, name)
    img.save(path, optimize=True)
    return path


# ---------------------------------------------------------------- buttons

def draw_buttons():
    groups = [
        {"btn_main_menu.png": ((57, 27), [("MAIN", "MENU"), "MAIN MENU"]),
         "btn_more_menu.png": ((65, 27), [("MORE", "MENU"), "MORE MENU"])},
        {"btn_open_pcx.png": ((97, 27), "OPEN PCX"),
         "btn_view_pcx.png": ((97, 27), "VIEW PCX")},
        {"btn_screenshots.png": ((97, 25), "SCREENSHOTS"),
         "btn_chat.png": ((97, 25), "CHAT")},
        {"btn_fragvault.png": ((121, 19), "FRAGVAULT"),
         "btn_ut_site.png": ((121, 19), "UT OFFICIAL SITE"),
         "btn_glimmer_page.png": ((121, 19), "GLIMMER PAGE"),
         "btn_help.png": ((121, 19), "HELP")},
        {"btn_ok.png": ((81, 25), "OK"),
         "btn_help_web.png": ((81, 23), "HELP")},
        {"btn_news.png": ((97, 25), "NEWS"),
         "btn_updates.png": ((97, 25), "UPDATES"),
         "btn_files.png": ((97, 25), "FILES")},
        {"btn_splash_fragvault.png": ((84, 15), "FRAGVAULT"),
         "btn_enter.png": ((63, 15), "ENTER")},
        {"btn_login_ok.png": ((76, 26), "OK"),
         "btn_cancel.png": ((76, 26), "CANCEL")},
    ]
    out = {}
    for g in groups:
        out.update(button_group(g))

    # The close box is too small for padding; the X gets nearly the whole face.
    x = Image.new("RGB", (14, 17), BLACK)
    d = ImageDraw.Draw(x)
    d.rectangle((0, 0, 13, 16), outline=BORDER)
    paste_centred(x, fit_block(("X",), CONDENSED, 10, 10), WHITE)
    out["btn_close_x.png"] = x
    return out


def draw_chat_hover():
    # Same face and letter size as the chat button, so the swap reads as a state change.
    pt = min(best_layout((97, 25), text, 0.62)[0] for text in ("SCREENSHOTS", "COMING SOON"))
    img = text_button((97, 25), ("COMING SOON",), pt, 0, colour=ORANGE)
    # GIF keeps at most 256 colours; the orange ramp needs only a few dozen.
    return img.convert("P", palette=Image.ADAPTIVE, colors=32)


# ---------------------------------------------------------------- banners

def lettering_with_glow(size, lines, path, max_w, max_h, colour, glow_colour,
                        glow_radius, glow_strength, tracking=0, bg=None, dy=0):
    img = bg.copy() if bg is not None else Image.new("RGB", size, BLACK)
    m = fit_block(lines, path, max_w, max_h, tracking)
    x = (size[0] - m.width) // 2
    y = (size[1] - m.height + 1) // 2 + dy
    full = padded_mask(m, size, (x, y))
    img = ImageChops.add(img, glow(full, glow_colour, glow_radius, glow_strength))
    img.paste(Image.new("RGB", size, colour), (0, 0), full)
    return img


def draw_banner_vertical():
    # Laid out sideways, then turned so it reads top to bottom.
    w, h = 212, 56
    bg = Image.new("RGB", (w, h), BLACK)
    # Darker at the ends so the word seems lit from the middle of the strip.
    bg = ImageChops.add(bg, radial_glow((w, h), (w / 2, h / 2), 130, (40, 24, 6)))
    img = lettering_with_glow((w, h), ("GLIMMER",), WIDE, w - 20, 30, WHITE,
                              EMBER, 4, 0.9, tracking=3, bg=bg)
    d = ImageDraw.Draw(img)
    # Fine rules along both long edges frame the word like a spine label.
    for y, c in ((4, BORDER), (h - 5, BORDER)):
        d.line((10, y, w - 11, y), fill=c)
    d.line((w // 2 - 24, h - 5, w // 2 + 23, h - 5), fill=ORANGE)
    return img.rotate(-90, expand=True)


def draw_banner_fragvault():
    w, h = 121, 28
    img = lettering_with_glow((w, h), ("FRAGVAULT",), WIDE, w - 10, 16, WHITE,
                              (90, 90, 90), 2, 0.8, tracking=1)
    d = ImageDraw.Draw(img)
    d.line((4, h - 3, w - 5, h - 3), fill=BORDER)
    d.line((w // 2 - 14, h - 3, w // 2 + 13, h - 3), fill=ORANGE)
    return img


def draw_banner_glimmer():
    w, h = 193, 36
    bg = radial_glow((w, h), (w / 2, h / 2), 110, (36, 20, 4))
    return lettering_with_glow((w, h), ("GLIMMER",), WIDE, w - 16, 24, WHITE,
                               EMBER, 3.5, 0.85, tracking=3, bg=bg)


# ---------------------------------------------------------------- icons

def draw_import_icon(size, label):
    """An arrow dropping into an open tray."""
    w, h = size
    img, d = supersampled(size, (0, 0, 0, 255))
    grey = (150, 150, 150, 255)
    # Tray: a U with a lip, drawn as a thick outline.
    lw = 2
    top = h * (0.52 if label else 0.55)
    bottom = h * (0.78 if label else 0.88)
    left, right = w * 0.12, w * 0.88
    d.line(s(left, top, left, bottom, right, bottom, right, top), fill=grey,
           width=lw * SS, joint="curve")
    d.line(s(left, top, left + w * 0.14, top), fill=grey, width=lw * SS)
    d.line(s(right - w * 0.14, top, right, top), fill=grey, width=lw * SS)
    # Arrow: shaft and head, white so it leads the eye.
    cx = w / 2
    shaft_w = w * 0.16
    head_w = w * 0.46
    a_top = h * 0.08
    head_y = h * (0.36 if label else 0.42)
    tip = h * (0.66 if label else 0.74)
    d.rectangle(s(cx - shaft_w / 2, a_top, cx + shaft_w / 2, head_y + 1), fill=WHITE)
    d.polygon(s(cx - head_w / 2, head_y, cx + head_w / 2, head_y, cx, tip), fill=WHITE)
    img = shrink(img, size).convert("RGB")
    if label:
        m = fit_block(("PCX",), CONDENSED, w - 8, 8, tracking=1)
        paste_centred(img, m, ORANGE, box=(0, round(h * 0.80), w, h))
    return img


def draw_delete_icon():
    w, h = 39, 42
    img, d = supersampled((w, h), (0, 0, 0, 255))
    grey = (170, 170, 170, 255)
    dark = (60, 60, 60, 255)
    # Lid with its handle.
    d.rounded_rectangle(s(8, 8, 31, 11), radius=SS, fill=grey)
    d.rounded_rectangle(s(15.5, 4.5, 23.5, 9), radius=SS, outline=grey, width=2 * SS)
    # Body tapers slightly toward the bottom.
    d.polygon(s(10, 13, 29, 13, 27, 37, 12, 37), fill=grey)
    d.polygon(s(12, 15, 27, 15, 25.5, 35, 13.5, 35), fill=(25, 25, 25, 255))
    for x0, x1 in ((15.5, 15.8), (19.5, 19.5), (23.5, 23.2)):
        d.line(s(x0, 17, x1, 33), fill=dark, width=2 * SS)
    img = shrink(img, (w, h)).convert("RGB")
    # A red cross over the bin says "gone", not "bin".
    over, od = supersampled((w, h))
    red = (230, 40, 30, 255)
    od.line(s(17, 19, 35, 37), fill=(0, 0, 0, 255), width=8 * SS)
    od.line(s(35, 19, 17, 37), fill=(0, 0, 0, 255), width=8 * SS)
    od.line(s(18, 20, 34, 36), fill=red, width=4 * SS)
    od.line(s(34, 20, 18, 36), fill=red, width=4 * SS)
    over = shrink(over, (w, h))
    img.paste(over, (0, 0), over)
    return img


def draw_view_icon():
    """An eye: almond outline, iris and a highlight."""
    w, h = 32, 32
    img, d = supersampled((w, h), (0, 0, 0, 255))
    # The almond is two circular arcs; build it as the overlap of two discs.
    r = 15
    upper = Image.new("L", img.size, 0)
    lower = Image.new("L", img.size, 0)
    ImageDraw.Draw(upper).ellipse(s(16 - r, 8, 16 + r, 8 + 2 * r), fill=255)
    ImageDraw.Draw(lower).ellipse(s(16 - r, 24 - 2 * r, 16 + r, 24), fill=255)
    almond = ImageChops.multiply(upper, lower)
    inner = almond.filter(ImageFilter.MinFilter(2 * SS + 1))
    white = Image.new("RGBA", img.size, (235, 235, 235, 255))
    img.paste(white, (0, 0), almond)
    img.paste(Image.new("RGBA", img.size, (0, 0, 0, 255)), (0, 0), inner)
    # Iris clipped to the almond so it never pokes through the lids.
    iris = Image.new("L", img.size, 0)
    ImageDraw.Draw(iris).ellipse(s(9.5, 9.5, 22.5, 22.5), fill=255)
    iris = ImageChops.multiply(iris, inner)
    img.paste(Image.new("RGBA", img.size, ORANGE + (255,)), (0, 0), iris)
    d.ellipse(s(13, 13, 19, 19), fill=(0, 0, 0, 255))
    d.ellipse(s(17.5, 11.5, 20.5, 14.5), fill=(255, 255, 255, 255))
    return shrink(img, (w, h)).convert("RGB")


# ---------------------------------------------------------------- screenshot

def draw_sample_screenshot():
    """A dim arena corridor, ray-cast per pixel, with a simple HUD."""
    W, H = 300, 225
    K = 2  # samples per pixel edge
    w, h = W * K, H * K
    cx, cy = w / 2, h * 0.50
    f = w * 0.62
    eye = 0.55                          # eye height above the floor
    ceil = 1.25                         # ceiling height above the eye
    half = 1.15                         # half the corridor's width
    far = 10.0                          # the end wall
    buf = Image.new("RGB", (w, h))
    px = buf.load()

    def fog(z):
        return 1.0 / (1.0 + 0.16 * z)

    for v in range(h):
        dy = -(v + 0.5 - cy) / f
        for u in range(w):
            dx = (u + 0.5 - cx) / f
            t = far
            hit = "end"
            if dx < 0 and -half / dx < t:
                t, hit = -half / dx, "left"
            elif dx > 0 and half / dx < t:
                t, hit = half / dx, "right"
            if dy < 0 and -eye / dy < t:
                t, hit = -eye / dy, "floor"
            elif dy > 0 and ceil / dy < t:
                t, hit = ceil / dy, "ceiling"
            x, y, z = dx * t, dy * t, t
            k = fog(z)
            if hit in ("left", "right"):
                # Steel panels with seams every 2 m and a lit trim strip.
                yy = y + eye
                seam = (z % 2.0) < 0.06 or abs(yy - 1.05) < 0.025
                if 0.18 < yy < 0.24:
                    col = (255, 120, 30)          # warm guide light
                    k = 0.35 + 0.65 * k
                elif seam:
                    col = (28, 30, 36)
                elif yy < 0.18:
                    col = (60, 58, 56)
                else:
                    band = 0.9 + 0.1 * math.cos((z % 2.0) * math.pi)
                    base = 96 if hit == "left" else 82
                    col = (round(base * band), round((base + 6) * band), round((base + 16) * band))
            elif hit == "floor":
                tile = (math.floor(x / 0.6) + math.floor(z / 0.6)) & 1
                seam = (x % 0.6) < 0.03 or (z % 0.6) < 0.03
                col = (22, 22, 24) if seam else ((70, 66, 60) if tile else (58, 55, 50))
                # Pooled light under each ceiling lamp.
                pool = math.exp(-((z % 3.0) - 1.5) ** 2 * 3 - x * x * 2)
                col = tuple(min(255, round(c + 60 * pool)) for c in col)
            elif hit == "ceiling":
                lamp = abs(x) < 0.28 and 1.2 < (z % 3.0) < 1.8
                if lamp:
                    col = (235, 240, 255)
                    k = 0.5 + 0.5 * k
                else:
                    beam = (z % 1.5) < 0.12
                    col = (30, 30, 34) if beam else (46, 46, 52)
            else:
                # The far end opens onto a glowing doorway.
                yy = y + eye
                if abs(x) < 0.45 and yy < 1.15:
                    g = 1 - yy / 1.15
                    col = lerp((255, 170, 60), (255, 90, 10), g)
                    k = 0.9
                elif abs(x) < 0.55 and yy < 1.25:
                    col = (40, 38, 36)
                else:
                    col = (70, 72, 80)
            px[u, v] = tuple(min(255, round(c * k)) for c in col)

    img = buf.resize((W, H), Image.BOX)
    # Light spilling out of the doorway.
    spill = radial_glow((W, H), (W / 2, cy / K + 2), 55, (120, 55, 10), 0.9)
    img = ImageChops.add(img, spill)
    d = ImageDraw.Draw(img)

    # Weapon: held low on the right, its barrel foreshortened towards the centre.
    gun, gd = supersampled((W, H))
    gd.polygon(s(196, 225, 216, 186, 256, 178, 290, 225), fill=(46, 48, 54, 255))    # body
    gd.polygon(s(216, 186, 224, 172, 258, 166, 256, 178), fill=(96, 98, 108, 255))   # top face
    gd.polygon(s(224, 172, 212, 152, 226, 148, 240, 169), fill=(70, 72, 82, 255))    # barrel
    gd.line(s(214, 153, 226, 171), fill=(150, 154, 166, 255), width=SS)               # its highlight
    gd.ellipse(s(209, 145, 227, 155), fill=(22, 22, 26, 255))                          # muzzle
    gd.ellipse(s(213, 147.5, 223, 152.5), fill=(6, 6, 8, 255))
    gd.line(s(256, 178, 290, 225), fill=(26, 26, 30, 255), width=2 * SS)
    for i in range(3):                                                                # vents
        y = 194 + i * 9
        gd.polygon(s(228 - i * 4, y, 246 - i * 3, y - 3, 247 - i * 3, y + 1, 229 - i * 4, y + 4),
                   fill=(255, 120, 30, 255))
    gun = shrink(gun, (W, H))
    img.paste(gun, (0, 0), gun)
    d = ImageDraw.Draw(img)

    # HUD panels: translucent dark plates with a thin edge.
    def plate(box):
        region = img.crop(box)
        region = Image.blend(region, Image.new("RGB", region.size, (0, 8, 16)), 0.65)
        img.paste(region, box[:2])
        d.rectangle((box[0], box[1], box[2] - 1, box[3] - 1), outline=(40, 110, 160))

    hud = (90, 200, 255)
    plate((6, 196, 78, 219))
    # Health cross.
    d.rectangle((12, 204, 22, 210), fill=hud)
    d.rectangle((15, 201, 19, 213), fill=hud)
    m = fit_block(("100",), WIDE, 48, 15)
    paste_centred(img, m, hud, box=(26, 196, 78, 219))

    plate((196, 196, 294, 219))
    m = fit_block(("48",), WIDE, 40, 15)
    paste_centred(img, m, hud, box=(196, 196, 238, 219))
    # Shells left in the clip, one bar each.
    for i in range(8):
        x = 242 + i * 6
        d.rectangle((x, 202, x + 3, 213), fill=hud if i < 6 else (30, 60, 80))

    plate((236, 6, 294, 22))
    m = fit_block(("FRAGS 12",), CONDENSED, 52, 8)
    paste_centred(img, m, hud, box=(236, 6, 294, 22))

    # Crosshair with a gap, so the target stays visible.
    c = GREEN
    mx, my = W // 2, H // 2
    for a, b in ((-9, -4), (4, 9)):
        d.line((mx + a, my, mx + b, my), fill=c)
        d.line((mx, my + a, mx, my + b), fill=c)
    d.point((mx, my), fill=c)
    return img


# ---------------------------------------------------------------- logo

def figure_layers(size):
    """An armoured trooper holding a rifle, as three coverage masks (supersampled):
    the body, the rifle across it, and the hands gripping the rifle."""
    w, h = size
    layers = [Image.new("L", (w * SS, h * SS), 0) for _ in range(3)]
    body, rifle, hands = (ImageDraw.Draw(m) for m in layers)
    F = 255
    cx = w / 2
    # Legs planted apart, knee guards, chunky boots.
    body.polygon(s(cx - 21, 134, cx - 4, 134, cx - 9, 180, cx - 22, 180), fill=F)
    body.polygon(s(cx + 4, 134, cx + 21, 134, cx + 24, 180, cx + 11, 180), fill=F)
    body.ellipse(s(cx - 22, 150, cx - 8, 164), fill=F)
    body.ellipse(s(cx + 9, 150, cx + 23, 164), fill=F)
    body.rounded_rectangle(s(cx - 28, 176, cx - 7, 187), radius=3 * SS, fill=F)
    body.rounded_rectangle(s(cx + 9, 176, cx + 31, 187), radius=3 * SS, fill=F)
    # Hips and a torso broad at the chest.
    body.polygon(s(cx - 23, 116, cx + 23, 116, cx + 21, 138, cx - 21, 138), fill=F)
    body.polygon(s(cx - 28, 72, cx + 28, 72, cx + 21, 120, cx - 21, 120), fill=F)
    # Upper arms, then the shoulder pads over them.
    body.polygon(s(cx + 28, 80, cx + 42, 84, cx + 36, 112, cx + 24, 108), fill=F)
    body.polygon(s(cx - 42, 84, cx - 28, 80, cx - 22, 98, cx - 36, 102), fill=F)
    body.ellipse(s(cx - 45, 65, cx - 15, 91), fill=F)
    body.ellipse(s(cx + 15, 65, cx + 45, 91), fill=F)
    # Neck, helmet and crest.
    body.rectangle(s(cx - 7, 62, cx + 7, 74), fill=F)
    body.rounded_rectangle(s(cx - 14, 36, cx + 14, 66), radius=10 * SS, fill=F)
    body.polygon(s(cx - 3, 30, cx + 3, 30, cx + 5, 40, cx - 5, 40), fill=F)

    # Rifle held diagonally, muzzle up past the left shoulder.
    x0, y0, x1, y1 = cx + 36, 117, cx - 34, 91
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length      # along the barrel
    nx, ny = uy, -ux                                     # towards the ground
    if ny < 0:
        nx, ny = -nx, -ny

    def at(t, off):
        return (x0 + ux * t + nx * off, y0 + uy * t + ny * off)

    rifle.polygon(s(*at(0, -5), *at(length, -4), *at(length, 5), *at(0, 6)), fill=F)
    rifle.line(s(*at(length, 0), *at(length + 30, -1)), fill=F, width=4 * SS)
    rifle.polygon(s(*at(-14, -4), *at(2, -5), *at(2, 7), *at(-12, 14)), fill=F)        # stock
    rifle.polygon(s(*at(30, 5), *at(38, 5), *at(40, 18), *at(31, 18)), fill=F)        # magazine
    rifle.polygon(s(*at(44, -5), *at(60, -5), *at(58, -9), *at(46, -9)), fill=F)      # sight
    # Gloved hands on the grip and the fore-end.
    for t in (12, 58):
        gx, gy = at(t, 1)
        hands.rounded_rectangle(s(gx - 5, gy - 5, gx + 5, gy + 6), radius=3 * SS, fill=F)
    return layers


def lit_layer(img, mask, fill, rim, cool):
    """Paints one silhouette layer with a warm rim on the upper right edges
    and a faint cool one on the left, which is what gives the flat shapes depth."""
    size = img.size
    k = 3 * SS // 2
    warm = ImageChops.subtract(mask, ImageChops.offset(mask, -k, k))
    side = ImageChops.subtract(mask, ImageChops.offset(mask, SS, 0))
    for m, colour in ((mask, fill), (side, cool), (warm, rim)):
        img.paste(Image.new("RGB", size, colour), (0, 0), shrink(m, size))


def draw_logo():
    W, H = 178, 227
    img = vertical_gradient((W, H), (6, 6, 8), (0, 0, 0))
    img = ImageChops.add(img, radial_glow((W, H), (W / 2, 118), 95, (120, 60, 10), 1.0))

    body, rifle, hands = figure_layers((W, H))
    cx = W / 2

    # Floor shadow first, so the boots stand on it.
    sh, sd = supersampled((W, H))
    sd.ellipse(s(cx - 44, 181, cx + 46, 192), fill=(0, 0, 0, 200))
    sh = shrink(sh, (W, H))
    img.paste(sh, (0, 0), sh)

    lit_layer(img, body, (12, 12, 14), (235, 135, 30), (52, 60, 78))

    # Armour seams over the body, under the rifle.
    det, dd = supersampled((W, H))
    seam = (46, 46, 52, 255)
    dd.line(s(cx - 24, 84, cx + 24, 84), fill=seam, width=SS)
    dd.line(s(cx, 74, cx, 116), fill=seam, width=SS)
    dd.line(s(cx - 20, 124, cx + 20, 124), fill=seam, width=SS)
    dd.arc(s(cx - 41, 69, cx - 19, 87), 200, 330, fill=seam, width=SS)
    dd.arc(s(cx + 19, 69, cx + 41, 87), 210, 340, fill=seam, width=SS)
    dd.line(s(cx - 10, 60, cx + 10, 60), fill=seam, width=SS)
    det = shrink(det, (W, H))
    img.paste(det, (0, 0), det)

    lit_layer(img, rifle, (30, 30, 34), (255, 160, 60), (60, 66, 84))
    lit_layer(img, hands, (16, 16, 18), (235, 135, 30), (52, 60, 78))

    # Visor slit, glowing.
    vis, vd = supersampled((W, H))
    vd.rounded_rectangle(s(cx - 10, 47, cx + 10, 51), radius=2 * SS, fill=(255, 170, 60, 255))
    vis = shrink(vis, (W, H))
    img = ImageChops.add(img, glow(vis.getchannel("A"), EMBER, 2.5, 0.8))
    img.paste(vis, (0, 0), vis)

    # The splash window lays its close button over the top right corner of the logo and its
    # ENTER button over the bottom right: the lettering keeps clear of both.
    title = fit_block(("GLIMMER",), WIDE, W - 44, 20, tracking=2)
    tx = (W - title.width) // 2
    tmask = padded_mask(title, (W, H), (tx, 6))
    img = ImageChops.add(img, glow(tmask, EMBER, 3, 0.8))
    img.paste(Image.new("RGB", (W, H), WHITE), (0, 0), tmask)

    by = fit_block(("BY", "FRAGVAULT"), CONDENSED, 70, 22, tracking=2)
    paste_centred(img, by, (200, 200, 200), box=(6, H - 27, 80, H - 4))
    d = ImageDraw.Draw(img)
    d.line((8, H - 31, 78, H - 31), fill=BORDER)
    d.line((31, H - 31, 55, H - 31), fill=ORANGE)
    d.rectangle((0, 0, W - 1, H - 1), outline=BORDER)
    return img


# ---------------------------------------------------------------- program icon

def spark_points(cx, cy, r_long, r_short, r_waist):
    """An eight-pointed star: four long rays, four short ones."""
    pts = []
    for i in range(16):
        a = math.pi / 2 - i * math.pi / 8
        if i % 4 == 0:
            r = r_long
        elif i % 4 == 2:
            r = r_short
        else:
            r = r_waist
        pts.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    return pts


def draw_program_icon(n):
    """A warm spark over a dark rounded tile, drawn for one size.

    Each size is drawn on its own rather than scaled: the small ones drop the
    picture-frame outline and make the spark fatter so it still reads.
    """
    small = n <= 16
    mid = n <= 32
    img, d = supersampled((n, n))
    u = n / 128.0                         # layout is in 128-px units
    rad = 26 * u if not small else 3
    tile_top, tile_bottom = (34, 34, 40), (8, 8, 10)
    # Vertical gradient tile clipped to a rounded square.
    tile = vertical_gradient((n * SS, n * SS), tile_top, tile_bottom).convert("RGBA")
    shape = Image.new("L", tile.size, 0)
    ImageDraw.Draw(shape).rounded_rectangle(s(0, 0, n - 0.01, n - 0.01), radius=rad * SS, fill=255)
    img.paste(tile, (0, 0), shape)
    if not small:
        d.rounded_rectangle(s(0.5, 0.5, n - 0.5, n - 0.5), radius=rad * SS,
                            outline=(70, 70, 78, 255), width=max(1, round(2 * u)) * SS)
    if not mid:
        # A picture frame behind the spark says "pictures".
        d.rounded_rectangle(s(22 * u, 34 * u, 92 * u, 94 * u), radius=4 * SS,
                            outline=(120, 120, 128, 255), width=round(5 * u) * SS)
        d.polygon(s(30 * u, 86 * u, 50 * u, 62 * u, 64 * u, 76 * u, 72 * u, 68 * u,
                    84 * u, 86 * u), fill=(90, 90, 98, 255))
    img = shrink(img, (n, n))

    # Spark, centred on the tile for the small sizes, up at the frame corner for the big one.
    if small:
        # On a pixel centre, so the long rays land on single crisp columns.
        cx, cy, rl, rs, rw = 7.5, 7.5, 7.4, 4.0, 2.0
    elif mid:
        cx, cy, rl, rs, rw = 15.5, 15.5, 14.5, 7.5, 3.4
    else:
        cx, cy, rl, rs, rw = 84, 42, 38, 19, 8.5
    big = Image.new("L", (n * SS, n * SS), 0)
    ImageDraw.Draw(big).polygon([(x * SS, y * SS) for x, y in spark_points(cx, cy, rl, rs, rw)],
                                fill=255)
    spark = shrink(big, (n, n))
    if not small:
        halo = glow(spark, EMBER, max(1.0, n / 24), 1.0)
        rgb = ImageChops.add(img.convert("RGB"), halo)
        img = Image.merge("RGBA", (*rgb.split(), img.getchannel("A")))
    # Orange body with a hot white core.
    img.paste(Image.new("RGBA", (n, n), ORANGE + (255,)), (0, 0), spark)
    core = Image.new("L", (n * SS, n * SS), 0)
    ImageDraw.Draw(core).polygon(
        [(x * SS, y * SS) for x, y in spark_points(cx, cy, rl * 0.55, rs * 0.5, rw * 0.55)], fill=255)
    core = shrink(core, (n, n))
    img.paste(Image.new("RGBA", (n, n), (255, 244, 210, 255)), (0, 0), core)
    return img


# ---------------------------------------------------------------- main

def main():
    os.makedirs(OUT, exist_ok=True)
    images = draw_buttons()
    images["chat2.gif"] = draw_chat_hover()
    images["icon_import.png"] = draw_import_icon((39, 42), True)
    images["icon_delete.png"] = draw_delete_icon()
    images["banner.png"] = draw_banner_vertical()
    images["icon_view.png"] = draw_view_icon()
    images["icon_import32.png"] = draw_import_icon((32, 32), False)
    images["sample_screenshot.png"] = draw_sample_screenshot()
    images["banner_fragvault.png"] = draw_banner_fragvault()
    images["banner_glimmer.png"] = draw_banner_glimmer()
    images["logo.png"] = draw_logo()
    images["glimmer.png"] = draw_program_icon(128)
    images["glimmer-32.png"] = draw_program_icon(32)
    images["glimmer-16.png"] = draw_program_icon(16)
    total = 0
    for name in sorted(images):
        total += os.path.getsize(save(images[name], name))
    print("wrote %d files to %s (%d bytes)" % (len(images), OUT, total))
    return 0


if __name__ == "__main__":
    sys.exit(main())
