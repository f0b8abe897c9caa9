#!/usr/bin/python3
"""Draws the launcher's pictures and icon, at every display scale it ships.

Writes, next to this script, for the 100 % set (the window's layout in
pixels at 96 dpi):
  background.png               858 x 518, truecolour (PNG colour type 2)
  close-{normal,mouseon,mousedown}.png            20 x 20, RGBA (type 6)
  {edit}-{normal,mouseon,mousedown,disabled}.png  171 x 165, RGBA
  {cut,join}-{normal,mouseon,mousedown,disabled}.png  171 x 78, RGBA
  icon-{16,24,32,48,64,128}.png and VidorraMain.ico (six sizes, 32 bits per pixel)
and the same pictures drawn for each larger scale P in SCALES (150, 200 and
300 %) as NAME@P.png: the layout's lengths times P / 100, with every edge
rounded as the launcher rounds it (ScaledEdge below), so that each picture
has the size of its control on the screen at that scale. The icon's sizes
at those scales (16 x P / 100 and so on) are icon-N.png like the others.

The files are committed; run this only to change them (with no arguments:
all of them; with percentages, e.g. `make-pictures.py 100 200`, only those
sets). Needs Pillow, a CJK font and icotool:
  bash scripts/setup.sh scripts/apt/optional/pictures.txt
"""
import math
import os
import struct
import subprocess
import sys
import zlib
from fractions import Fraction

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 4  # shapes are drawn at four times the size, then reduced, for smooth edges

# The display scales drawn, in per cent; 100 is the layout itself.
SCALES = (100, 150, 200, 300)

# The main window's layout at 96 dpi (MainFrm.cpp): client size, and each
# button's left, top, width and height.
CLIENT = (858, 518)
LAYOUT = {
    "close": (834, 4, 20, 20),
    "edit": (251, 170, 171, 165),
    "cut": (428, 170, 171, 78),
    "join": (428, 257, 171, 78),
}
ICON_SIZES = (16, 24, 32, 48, 64, 128)


def scaled_edge(value, percent):
    """An edge of the layout at a scale: floor(value * percent / 100 + 1/2), as ui::TScale::Edge."""
    return math.floor(value * Fraction(percent, 100) + Fraction(1, 2))


def scaled_size(name, percent):
    """The size of a button on the screen at a scale: its scaled right and bottom edges less its left and top."""
    left, top, width, height = LAYOUT[name]
    return (scaled_edge(left + width, percent) - scaled_edge(left, percent),
            scaled_edge(top + height, percent) - scaled_edge(top, percent))


def picture_name(stem, percent):
    return f"{stem}.png" if percent == 100 else f"{stem}@{percent}.png"

LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
LATIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
CJK = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"


def font(path, size):
    return ImageFont.truetype(path, size)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def gradient(size, top, bottom, diagonal=False):
    w, h = size
    img = Image.new("RGBA", size)
    px = img.load()
    for y in range(h):
        for x in range(w):
            t = (x / max(w - 1, 1) * 0.35 + y / max(h - 1, 1) * 0.65) if diagonal else y / max(h - 1, 1)
            px[x, y] = lerp(top, bottom, t)
    return img


def reduce(img, size):
    """Reduces a large RGBA drawing with premultiplied alpha, so edges keep their colour."""
    return img.convert("RGBa").resize(size, Image.LANCZOS).convert("RGBA")


def rounded_mask(size, radius):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, size[0] - 1, size[1] - 1), radius=radius, fill=255)
    return mask


def shade(colour, amount):
    """Lightens (amount > 0) or darkens (amount < 0) an RGB(A) colour."""
    c = colour[:3]
    if amount >= 0:
        c = lerp(c, (255, 255, 255), amount)
    else:
        c = lerp(c, (0, 0, 0), -amount)
    return c + tuple(colour[3:])


# ---------------------------------------------------------------- icons drawn on buttons

def draw_film(d, box, colour, width):
    """A film frame with a play mark: the editor."""
    x0, y0, x1, y1 = box
    d.rounded_rectangle(box, radius=(x1 - x0) // 10, outline=colour, width=width)
    hole = (x1 - x0) // 9
    for i in range(4):
        hx = x0 + hole + i * ((x1 - x0 - 2 * hole) // 3) - hole // 2
        d.rectangle((hx, y0 + hole // 2, hx + hole, y0 + hole // 2 + hole // 2), fill=colour)
        d.rectangle((hx, y1 - hole, hx + hole, y1 - hole // 2), fill=colour)
    # Play triangle in the frame.
    cx, cy = (x0 + x1) // 2, (y0 + y1) // 2
    r = (y1 - y0) // 5
    d.polygon([(cx - r * 0.7, cy - r), (cx - r * 0.7, cy + r), (cx + r, cy)], fill=colour)


def draw_scissors(d, centre, size, colour, width):
    cx, cy = centre
    r = size * 0.22
    for dy in (-1, 1):
        ring = (cx - size * 0.42 - r, cy + dy * size * 0.28 - r, cx - size * 0.42 + r, cy + dy * size * 0.28 + r)
        d.ellipse(ring, outline=colour, width=width)
        d.line((cx - size * 0.42 + r * 0.8, cy + dy * size * 0.18, cx + size * 0.5, cy - dy * size * 0.22),
               fill=colour, width=width)


def draw_join(d, centre, size, colour, width):
    cx, cy = centre
    h = size * 0.34
    w = size * 0.36
    d.rounded_rectangle((cx - size * 0.5, cy - h - size * 0.08, cx - size * 0.5 + w, cy - size * 0.08),
                        radius=width, outline=colour, width=width)
    d.rounded_rectangle((cx - size * 0.5, cy + size * 0.08, cx - size * 0.5 + w, cy + h + size * 0.08),
                        radius=width, outline=colour, width=width)
    d.line((cx - size * 0.14, cy - h / 2 - size * 0.08, cx + size * 0.1, cy), fill=colour, width=width)
    d.line((cx - size * 0.14, cy + h / 2 + size * 0.08, cx + size * 0.1, cy), fill=colour, width=width)
    d.rounded_rectangle((cx + size * 0.14, cy - h / 2, cx + size * 0.5, cy + h / 2),
                        radius=width, fill=colour)


# ---------------------------------------------------------------- big buttons

BUTTONS = {
    # name: gradient top, gradient bottom, title, subtitle, icon, layout
    "edit": ((86, 140, 255, 255), (62, 84, 214, 255), "视频编辑", "Edit", "film", "tall"),
    "cut": ((32, 196, 160, 255), (18, 140, 126, 255), "视频剪切", "Cut", "scissors", "wide"),
    "join": ((255, 150, 72, 255), (236, 84, 104, 255), "视频合并", "Join", "join", "wide"),
}


def button(name, state, percent=100):
    top, bottom, title, subtitle, icon, layout = BUTTONS[name]
    w, h = scaled_size(name, percent)
    # One pixel of the layout in pixels of the drawing (SCALE at 100 %).
    u = SCALE * percent // 100
    W, H = w * SCALE, h * SCALE
    radius = 14 * u
    offset = u if state == "mousedown" else 0  # pressed: content sits one pixel lower

    if state == "mouseon":
        top, bottom = shade(top, 0.16), shade(bottom, 0.16)
    elif state == "mousedown":
        top, bottom = shade(top, -0.18), shade(bottom, -0.18)
    elif state == "disabled":
        grey = lambda c: (int(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]),) * 3 + (255,)
        top, bottom = shade(grey(top), -0.25), shade(grey(bottom), -0.35)

    face = gradient((W, H), top, bottom, diagonal=True)
    # A soft light across the upper half.
    gloss = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    gd = ImageDraw.Draw(gloss)
    gd.ellipse((-W * 0.3, -H * 0.9, W * 1.3, H * 0.45), fill=(255, 255, 255, 34 if state != "disabled" else 14))
    face = Image.alpha_composite(face, gloss)

    d = ImageDraw.Draw(face)
    ink = (255, 255, 255, 255) if state != "disabled" else (196, 198, 204, 255)
    stroke = 3 * u
    title_font = font(CJK, (20 if layout == "tall" else 17) * u)
    sub_font = font(LATIN, 11 * u)

    if layout == "tall":
        box = (W * 0.28, H * 0.16 + offset, W * 0.72, H * 0.50 + offset)
        draw_film(d, tuple(int(v) for v in box), ink, stroke)
        d.text((W / 2, H * 0.70 + offset), title, font=title_font, fill=ink, anchor="mm")
        d.text((W / 2, H * 0.86 + offset), subtitle, font=sub_font, fill=ink[:3] + (200,), anchor="mm")
    else:
        centre = (W * 0.2, H * 0.5 + offset)
        if icon == "scissors":
            draw_scissors(d, centre, H * 0.5, ink, stroke)
        else:
            draw_join(d, centre, H * 0.56, ink, stroke)
        d.text((W * 0.41, H * 0.42 + offset), title, font=title_font, fill=ink, anchor="lm")
        d.text((W * 0.42, H * 0.74 + offset), subtitle, font=sub_font, fill=ink[:3] + (200,), anchor="lm")

    # Border: a light rim when hovered, a thin dark rim otherwise.
    rim = (255, 255, 255, 230) if state == "mouseon" else (255, 255, 255, 70) if state != "disabled" else (255, 255, 255, 40)
    d.rounded_rectangle((u, u, W - 1 - u, H - 1 - u), radius=radius - u, outline=rim,
                        width=(2 if state == "mouseon" else 1) * u)

    mask = rounded_mask((W, H), radius)
    if state == "disabled":
        mask = mask.point(lambda a: a * 200 // 255)
    face.putalpha(Image.composite(face.getchannel("A"), Image.new("L", (W, H), 0), mask))
    return reduce(face, (w, h))


def close_button(state, percent=100):
    w, h = scaled_size("close", percent)
    u = SCALE * percent // 100
    W, H = w * SCALE, h * SCALE
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if state == "normal":
        ink = (222, 226, 240, 255)
    else:
        disc = (232, 17, 35, 255) if state == "mouseon" else (168, 12, 26, 255)
        d.ellipse((0, 0, W - 1, H - 1), fill=disc)
        ink = (255, 255, 255, 255)
    m = 6 * u
    d.line((m, m, W - m, H - m), fill=ink, width=int(1.8 * u))
    d.line((m, H - m, W - m, m), fill=ink, width=int(1.8 * u))
    return reduce(img, (w, h))


# ---------------------------------------------------------------- logo, icon and background

def logo(size):
    S = size * SCALE
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    face = gradient((S, S), (255, 158, 68, 255), (234, 64, 122, 255), diagonal=True)
    mask = rounded_mask((S, S), int(S * 0.24))
    img.paste(face, (0, 0), mask)
    d = ImageDraw.Draw(img)
    r = S * 0.26
    cx, cy = S * 0.53, S * 0.5
    d.polygon([(cx - r * 0.8, cy - r), (cx - r * 0.8, cy + r), (cx + r, cy)], fill=(255, 255, 255, 255))
    return reduce(img, (size, size))


def background(percent=100):
    w, h = scaled_edge(CLIENT[0], percent), scaled_edge(CLIENT[1], percent)
    k = 2 * percent // 100  # one pixel of the layout in pixels of the drawing
    W, H = w * 2, h * 2  # the background needs less oversampling
    img = gradient((W, H), (24, 28, 56, 255), (44, 22, 70, 255), diagonal=True)

    # A soft glow behind the buttons.
    glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glow)
    gd.ellipse((W * 0.22, H * 0.18, W * 0.78, H * 0.86), fill=(96, 120, 255, 70))
    glow = glow.filter(ImageFilter.GaussianBlur(45 * k))
    img = Image.alpha_composite(img, glow)

    d = ImageDraw.Draw(img)
    # A darker strip along the top, where a caption bar would be.
    d.rectangle((0, 0, W, 28 * k), fill=(12, 14, 32, 150))
    d.text((38 * k, 14 * k), "Vidorra", font=font(LATIN, 12 * k), fill=(200, 204, 226, 255), anchor="lm")

    # Logo and product name.
    mark = logo(22 * k).resize((44 * k, 44 * k), Image.LANCZOS)
    img.alpha_composite(mark, (40 * k, 56 * k))
    d.text((96 * k, 66 * k), "Vidorra", font=font(LATIN_BOLD, 30 * k), fill=(255, 255, 255, 255), anchor="lm")
    d.text((97 * k, 92 * k), "视频编辑  ·  剪切  ·  合并", font=font(CJK, 14 * k), fill=(176, 182, 214, 255),
           anchor="lm")

    # The prompt above the buttons, centred on them (x 251 .. 599).
    d.text((425 * k, 146 * k), "选择要开始的工作", font=font(CJK, 15 * k), fill=(214, 218, 240, 255), anchor="mm")

    # A hint below the buttons.
    d.text((425 * k, 392 * k), "程序结束后，本窗口会自动回来", font=font(CJK, 12 * k), fill=(150, 156, 192, 255),
           anchor="mm")

    # Footer. The 100 % picture drew its line white at alpha 28 into this
    # opaque picture; Pillow's reduction turns that into a line of about
    # (142, 137, 156), or at other sizes into white or into a line darker
    # than the background. The committed 100 % picture keeps it; the larger
    # sets draw the line it shows, opaque, one layout pixel thick.
    if percent == 100:
        d.line((40 * k, 470 * k, (858 - 40) * k, 470 * k), fill=(255, 255, 255, 28), width=k)
    else:
        d.rectangle((40 * k, 470 * k, (858 - 40) * k, 471 * k - 1), fill=(142, 137, 156, 255))
    d.text(((858 - 40) * k, 490 * k), "版本 10.0.0.1", font=font(CJK, 12 * k), fill=(140, 146, 180, 255),
           anchor="rm")

    return img.resize((w, h), Image.LANCZOS).convert("RGB")


def save(img, name):
    """Writes an 8-bit RGB (colour type 2) or RGBA (type 6) PNG, not interlaced.

    Rows are stored unfiltered: the launcher decodes these pictures at every
    start, and unfiltered rows decode fastest, at a size close to that of the
    usual encoders' adaptive filtering (for the larger sets even 9 % smaller
    than Pillow's optimised output).
    """
    channels = {"RGB": 3, "RGBA": 4}[img.mode]
    width, height = img.size
    raw = img.tobytes()
    stride = width * channels
    rows = b"".join(b"\x00" + raw[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2 if channels == 3 else 6, 0, 0, 0)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main(percents):
    for percent in percents:
        if percent not in SCALES:
            sys.exit(f"make-pictures: {percent} is not one of the scales drawn, {SCALES}")
        # Every length of the drawings is a whole number of their pixels.
        assert SCALE * percent % 100 == 0 and 2 * percent % 100 == 0
        save(background(percent), picture_name("background", percent))
        for state in ("normal", "mouseon", "mousedown"):
            save(close_button(state, percent), picture_name(f"close-{state}", percent))
        for name in BUTTONS:
            for state in ("normal", "mouseon", "mousedown", "disabled"):
                save(button(name, state, percent), picture_name(f"{name}-{state}", percent))
        for size in ICON_SIZES:
            scaled = size * percent // 100
            if percent == 100 or scaled not in {s * p // 100 for p in SCALES if p < percent for s in ICON_SIZES}:
                save(logo(scaled), f"icon-{scaled}.png")
    if 100 in percents:
        # The program's icon resource keeps the six sizes of the layout.
        icons = [os.path.join(HERE, f"icon-{size}.png") for size in ICON_SIZES]
        subprocess.run(["icotool", "-c", "-o", os.path.join(HERE, "VidorraMain.ico")] + icons, check=True)


if __name__ == "__main__":
    main([int(arg) for arg in sys.argv[1:]] or list(SCALES))
