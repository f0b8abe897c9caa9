#!/usr/bin/python3
"""Draws the launcher's pictures and icon.

Writes, next to this script:
  background.png               858 x 518, truecolour (PNG colour type 2)
  close-{normal,mouseon,mousedown}.png            20 x 20, RGBA (type 6)
  {edit}-{normal,mouseon,mousedown,disabled}.png  171 x 165, RGBA
  {cut,join}-{normal,mouseon,mousedown,disabled}.png  171 x 78, RGBA
  icon-{16,24,32,48,64,128}.png and VidorraMain.ico (six sizes, 32 bits per pixel)

The files are committed; run this only to change them. Needs Pillow, a CJK
font and icotool:
  bash scripts/setup.sh scripts/apt/optional/pictures.txt
"""
import math
import os
import struct
import subprocess
import zlib

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 4  # shapes are drawn at four times the size, then reduced, for smooth edges

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
    # name: size, gradient top, gradient bottom, title, subtitle, icon, layout
    "edit": ((171, 165), (86, 140, 255, 255), (62, 84, 214, 255), "视频编辑", "Edit", "film", "tall"),
    "cut": ((171, 78), (32, 196, 160, 255), (18, 140, 126, 255), "视频剪切", "Cut", "scissors", "wide"),
    "join": ((171, 78), (255, 150, 72, 255), (236, 84, 104, 255), "视频合并", "Join", "join", "wide"),
}


def button(name, state):
    (w, h), top, bottom, title, subtitle, icon, layout = BUTTONS[name]
    W, H = w * SCALE, h * SCALE
    radius = 14 * SCALE
    offset = SCALE if state == "mousedown" else 0  # pressed: content sits one pixel lower

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
    stroke = 3 * SCALE
    title_font = font(CJK, (20 if layout == "tall" else 17) * SCALE)
    sub_font = font(LATIN, 11 * SCALE)

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
    d.rounded_rectangle((SCALE, SCALE, W - 1 - SCALE, H - 1 - SCALE), radius=radius - SCALE, outline=rim,
                        width=(2 if state == "mouseon" else 1) * SCALE)

    mask = rounded_mask((W, H), radius)
    if state == "disabled":
        mask = mask.point(lambda a: a * 200 // 255)
    face.putalpha(Image.composite(face.getchannel("A"), Image.new("L", (W, H), 0), mask))
    return reduce(face, (w, h))


def close_button(state):
    w = h = 20
    W, H = w * SCALE, h * SCALE
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if state == "normal":
        ink = (222, 226, 240, 255)
    else:
        disc = (232, 17, 35, 255) if state == "mouseon" else (168, 12, 26, 255)
        d.ellipse((0, 0, W - 1, H - 1), fill=disc)
        ink = (255, 255, 255, 255)
    m = 6 * SCALE
    d.line((m, m, W - m, H - m), fill=ink, width=int(1.8 * SCALE))
    d.line((m, H - m, W - m, m), fill=ink, width=int(1.8 * SCALE))
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


def background():
    w, h = 858, 518
    W, H = w * 2, h * 2  # the background needs less oversampling
    img = gradient((W, H), (24, 28, 56, 255), (44, 22, 70, 255), diagonal=True)

    # A soft glow behind the buttons.
    glow = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glow)
    gd.ellipse((W * 0.22, H * 0.18, W * 0.78, H * 0.86), fill=(96, 120, 255, 70))
    glow = glow.filter(ImageFilter.GaussianBlur(90))
    img = Image.alpha_composite(img, glow)

    d = ImageDraw.Draw(img)
    # A darker strip along the top, where a caption bar would be.
    d.rectangle((0, 0, W, 28 * 2), fill=(12, 14, 32, 150))
    d.text((38 * 2, 14 * 2), "Vidorra", font=font(LATIN, 12 * 2), fill=(200, 204, 226, 255), anchor="lm")

    # Logo and product name.
    mark = logo(44).resize((88, 88), Image.LANCZOS)
    img.alpha_composite(mark, (40 * 2, 56 * 2))
    d.text((96 * 2, 66 * 2), "Vidorra", font=font(LATIN_BOLD, 30 * 2), fill=(255, 255, 255, 255), anchor="lm")
    d.text((97 * 2, 92 * 2), "视频编辑  ·  剪切  ·  合并", font=font(CJK, 14 * 2), fill=(176, 182, 214, 255),
           anchor="lm")

    # The prompt above the buttons, centred on them (x 251 .. 599).
    d.text((425 * 2, 146 * 2), "选择要开始的工作", font=font(CJK, 15 * 2), fill=(214, 218, 240, 255), anchor="mm")

    # A hint below the buttons.
    d.text((425 * 2, 392 * 2), "程序结束后，本窗口会自动回来", font=font(CJK, 12 * 2), fill=(150, 156, 192, 255),
           anchor="mm")

    # Footer.
    d.line((40 * 2, 470 * 2, (858 - 40) * 2, 470 * 2), fill=(255, 255, 255, 28), width=2)
    d.text(((858 - 40) * 2, 490 * 2), "版本 10.0.0.1", font=font(CJK, 12 * 2), fill=(140, 146, 180, 255),
           anchor="rm")

    return img.resize((w, h), Image.LANCZOS).convert("RGB")


def save(img, name):
    """Writes an 8-bit RGB (colour type 2) or RGBA (type 6) PNG, not interlaced.

    Rows are stored unfiltered: the launcher decodes these pictures at every
    start, and unfiltered rows decode fastest, at a size close to that of the
    usual encoders' adaptive filtering.
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


def main():
    save(background(), "background.png")
    for state in ("normal", "mouseon", "mousedown"):
        save(close_button(state), f"close-{state}.png")
    for name in BUTTONS:
        for state in ("normal", "mouseon", "mousedown", "disabled"):
            save(button(name, state), f"{name}-{state}.png")
    sizes = (16, 24, 32, 48, 64, 128)
    icons = []
    for size in sizes:
        path = f"icon-{size}.png"
        save(logo(size), path)
        icons.append(os.path.join(HERE, path))
    subprocess.run(["icotool", "-c", "-o", os.path.join(HERE, "VidorraMain.ico")] + icons, check=True)


if __name__ == "__main__":
    main()
