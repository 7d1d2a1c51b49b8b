#!/usr/bin/env python3
"""Draws the title picture, the progress bar, the button, the mouse pointer and
the background into assets/gfx/, and the program's icon into
src/program/skerrion2-icon.tga (compiled into the program, not packed).

Run once by hand after a change; the TGA files it writes are committed.
Usage: tools/make_title_assets.py [ASSETS_DIR]
"""
import math
import os
import struct
import sys

SUPERSAMPLE = 4


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def over(dst, src, alpha):
    return mix(dst, src, alpha)


def save_tga(path, width, height, pixels):
    """32-bit uncompressed TGA, bottom-left origin; pixels are (r, g, b, a) rows, top first."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 0x08)
    body = bytearray()
    for y in range(height - 1, -1, -1):
        for r, g, b, a in pixels[y * width:(y + 1) * width]:
            body += bytes((b, g, r, a))
    with open(path, "wb") as out:
        out.write(header + body)


def render(width, height, shade):
    """Averages SUPERSAMPLE x SUPERSAMPLE samples of shade(x, y) -> (r, g, b, a) per pixel."""
    pixels = []
    n = SUPERSAMPLE
    for py in range(height):
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if acc[3] > 0:
                rgb = [c / acc[3] for c in acc[:3]]
            else:
                rgb = [0.0, 0.0, 0.0]
            pixels.append(tuple(int(round(max(0.0, min(1.0, c)) * 255)) for c in rgb + [a]))
    return pixels


def bezier(p0, p1, p2, t):
    u = 1 - t
    return (u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0], u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1])


def curve_distance(x, y, p0, p1, p2, steps=24):
    """Distance to a quadratic curve and the curve parameter of the closest point."""
    best = (1e9, 0.0)
    prev = bezier(p0, p1, p2, 0.0)
    for i in range(1, steps + 1):
        t1 = i / steps
        cur = bezier(p0, p1, p2, t1)
        dx, dy = cur[0] - prev[0], cur[1] - prev[1]
        length2 = dx * dx + dy * dy or 1e-9
        s = max(0.0, min(1.0, ((x - prev[0]) * dx + (y - prev[1]) * dy) / length2))
        d = math.hypot(x - prev[0] - s * dx, y - prev[1] - s * dy)
        if d < best[0]:
            best = (d, (i - 1 + s) / steps)
        prev = cur
    return best


HORIZON = 84.0
SUN = (188.0, 70.0, 17.0)
TRUNK = ((92.0, 98.0), (88.0, 66.0), (108.0, 38.0))
CROWN = TRUNK[2]
FRONDS = [((-38, 10), (-20, -14)), ((-30, 22), (-18, -4)), ((36, 14), (20, -12)), ((28, 26), (18, -2)),
          ((-8, 28), (-6, 6)), ((12, -6), (2, -14)), ((-22, -4), (-12, -14))]


def title_pixel(x, y):
    if y < HORIZON:
        colour = mix((0.10, 0.22, 0.48), (0.98, 0.70, 0.42), (y / HORIZON) ** 1.6)
        d = math.hypot(x - SUN[0], y - SUN[1])
        colour = over(colour, (1.0, 0.93, 0.55), max(0.0, 1.0 - max(0.0, d - SUN[2]) / 1.2))
        colour = over(colour, (1.0, 0.85, 0.5), 0.35 * max(0.0, 1.0 - d / (SUN[2] * 3)))
    else:
        depth = (y - HORIZON) / (128.0 - HORIZON)
        colour = mix((0.16, 0.42, 0.55), (0.04, 0.18, 0.32), depth)
        wave = math.sin(x * 0.21 + y * 1.7) * math.sin(x * 0.05 - y * 0.9)
        colour = over(colour, (0.55, 0.80, 0.85), max(0.0, wave - 0.55) * 1.6)
        glitter = max(0.0, 1.0 - abs(x - SUN[0]) / (10 + 20 * depth)) * (0.5 + 0.5 * math.sin(y * 2.3 + x * 0.3))
        colour = over(colour, (1.0, 0.88, 0.55), 0.7 * glitter * (1 - depth))

    # The island: a low dune with a dark wet rim.
    island = ((x - 92.0) / 62.0) ** 2 + ((y - 100.0) / 13.0) ** 2
    if island < 1.0 and y < 100.0:
        colour = mix((0.93, 0.80, 0.52), (0.72, 0.56, 0.32), (y - 87.0) / 13.0)
    elif island < 1.25 and y < 101.5 and y >= 96.0:
        colour = over(colour, (0.85, 0.93, 0.95), 0.6)

    distance, t = curve_distance(x, y, *TRUNK)
    if distance < 3.2 - 1.6 * t:
        stripe = 0.5 + 0.5 * math.sin(t * 60.0)
        colour = mix((0.45, 0.30, 0.16), (0.30, 0.19, 0.10), stripe)
    for tip, bend in FRONDS:
        end = (CROWN[0] + tip[0], CROWN[1] + tip[1])
        mid = (CROWN[0] + bend[0], CROWN[1] + bend[1])
        distance, t = curve_distance(x, y, CROWN, mid, end, 12)
        if distance < 3.4 * (1.0 - t) + 0.4:
            colour = mix((0.16, 0.50, 0.18), (0.08, 0.32, 0.10), t + 0.3 * math.sin(t * 40.0))
    if math.hypot(x - CROWN[0] - 2, y - CROWN[1] - 3) < 3.2:
        colour = (0.35, 0.22, 0.10)
    return colour + (1.0,)


def bar_pixel(x, y):
    """Rows 0-15: the empty frame; rows 16-31: the fill."""
    local = y % 16.0
    inset = min(x, 256.0 - x, local, 16.0 - local)
    if y < 16:
        if inset < 1.0:
            return (0.05, 0.10, 0.15, 1.0)
        if inset < 2.5:
            return (0.85, 0.80, 0.60, 1.0)
        return (0.05, 0.12, 0.20, 0.55)
    if inset < 2.5:
        return (0.0, 0.0, 0.0, 0.0)
    shine = 1.0 - abs(local - 6.0) / 8.0
    return mix((0.90, 0.55, 0.10), (1.0, 0.92, 0.50), shine) + (1.0,)


BUTTON_W, BUTTON_H = 192, 48


def button_pixel(x, y):
    """Three looks stacked: normal, under the pointer, pressed; rounded, with a rim."""
    look = int(y // BUTTON_H)
    ly = y - look * BUTTON_H
    r = 12.0
    cx = min(max(x, r), BUTTON_W - r)
    cy = min(max(ly, r), BUTTON_H - r)
    d = math.hypot(x - cx, ly - cy)
    if d > r:
        return (0.0, 0.0, 0.0, 0.0)
    top, bottom = [((0.20, 0.42, 0.62), (0.08, 0.20, 0.36)),
                   ((0.30, 0.58, 0.80), (0.12, 0.30, 0.50)),
                   ((0.08, 0.20, 0.36), (0.18, 0.38, 0.58))][look]
    colour = mix(top, bottom, ly / BUTTON_H)
    if d > r - 2.5:
        colour = (0.95, 0.85, 0.55) if look != 2 else (0.75, 0.65, 0.40)
    return colour + (1.0 if d < r - 0.5 else 0.9,)


def pointer_pixel(x, y):
    """An arrow with its tip at the top left, white with a dark outline."""
    # Inside the arrow: between the left edge, the diagonal and the bottom notch.
    def inside(px, py, grow):
        if px < -grow or py < -grow:
            return False
        if py > 20 + grow:
            return False
        if px > py * 0.72 + grow:
            return False
        if py > 15 and px > (py - 15) * 0.3 + 6.5 + grow and px < 11.5 + grow and py > px * 1.0 + 8:
            return True
        return py - px * 1.25 < 20 + grow or px < 5 + grow
    if inside(x - 1.0, y - 1.0, 0.0):
        return (1.0, 1.0, 1.0, 1.0)
    if inside(x - 1.0, y - 1.0, 1.5):
        return (0.05, 0.05, 0.08, 1.0)
    return (0.0, 0.0, 0.0, 0.0)


def background_pixel(x, y):
    """A dim sea under a night sky, for the screens to stand on."""
    if y < 150.0:
        colour = mix((0.02, 0.05, 0.14), (0.10, 0.16, 0.30), y / 150.0)
        star = math.sin(x * 12.9898 + y * 78.233) * 43758.5453
        if star - math.floor(star) > 0.996:
            colour = (0.8, 0.8, 0.9)
    else:
        depth = (y - 150.0) / 106.0
        colour = mix((0.06, 0.16, 0.26), (0.02, 0.06, 0.12), depth)
        wave = math.sin(x * 0.11 + y * 0.9) * math.sin(x * 0.031 - y * 0.47)
        colour = over(colour, (0.20, 0.34, 0.44), max(0.0, wave - 0.6) * 1.2)
    return colour + (1.0,)


FLAG_W, FLAG_H = 120, 80


def flag_pixel(x, y):
    """Rows: English, German; columns: normal, under the pointer, pressed."""
    look, language = int(x // FLAG_W), int(y // FLAG_H)
    lx, ly = x - look * FLAG_W, y - language * FLAG_H
    border = 4.0
    if min(lx, ly, FLAG_W - lx, FLAG_H - ly) < border:
        return ((0.10, 0.12, 0.16), (0.95, 0.80, 0.35), (0.70, 0.58, 0.25))[look] + (1.0,)
    fx, fy = (lx - border) / (FLAG_W - 2 * border), (ly - border) / (FLAG_H - 2 * border)
    if language == 0:
        # St George's cross.
        colour = (0.80, 0.10, 0.15) if abs(fx - 0.5) < 0.08 or abs(fy - 0.5) < 0.12 else (0.97, 0.97, 0.97)
    else:
        colour = ((0.05, 0.05, 0.05), (0.85, 0.05, 0.05), (1.0, 0.80, 0.0))[min(2, int(fy * 3))]
    if look == 2:
        colour = tuple(c * 0.75 for c in colour)
    return colour + (1.0,)


ICON = 64
# The square of the title picture the icon shows: the palm on its island.
ICON_VIEW = (46.0, 16.0, 100.0)


def icon_pixel(x, y):
    """The title's palm in a tile with rounded corners."""
    corner = 10.0
    cx = min(max(x, corner), ICON - corner)
    cy = min(max(y, corner), ICON - corner)
    if math.hypot(x - cx, y - cy) > corner:
        return (0.0, 0.0, 0.0, 0.0)
    left, top, size = ICON_VIEW
    return title_pixel(left + x * size / ICON, top + y * size / ICON)


def save_ini(path, skins):
    with open(path, "w", newline="\n") as out:
        out.write("\n".join("[Skin %d]\nleft=%d\ntop=%d\nwidth=%d\nheight=%d\n" % ((i,) + skin)
                             for i, skin in enumerate(skins)))


def main():
    assets = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "assets")
    gfx = os.path.join(assets, "gfx")
    os.makedirs(gfx, exist_ok=True)
    save_tga(os.path.join(gfx, "title.tga"), 256, 128, render(256, 128, title_pixel))
    save_tga(os.path.join(gfx, "progressbar.tga"), 256, 32, render(256, 32, bar_pixel))
    save_tga(os.path.join(gfx, "button.tga"), BUTTON_W, BUTTON_H * 3, render(BUTTON_W, BUTTON_H * 3, button_pixel))
    save_ini(os.path.join(gfx, "button.tga.ini"), [(0, BUTTON_H * i, BUTTON_W, BUTTON_H) for i in range(3)])
    save_tga(os.path.join(gfx, "pointer.tga"), 32, 32, render(32, 32, pointer_pixel))
    save_ini(os.path.join(gfx, "pointer.tga.ini"), [(0, 0, 32, 32)])
    save_tga(os.path.join(gfx, "flags.tga"), FLAG_W * 3, FLAG_H * 2, render(FLAG_W * 3, FLAG_H * 2, flag_pixel))
    save_ini(os.path.join(gfx, "flags.tga.ini"),
             [(FLAG_W * look, FLAG_H * language, FLAG_W, FLAG_H) for language in range(2) for look in range(3)])
    icon = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "program", "skerrion2-icon.tga")
    save_tga(icon, ICON, ICON, render(ICON, ICON, icon_pixel))
    global SUPERSAMPLE
    SUPERSAMPLE = 1  # smooth enough as it is
    save_tga(os.path.join(gfx, "background.tga"), 512, 256, render(512, 256, background_pixel))
    save_ini(os.path.join(gfx, "background.tga.ini"), [(0, 0, 512, 256)])


if __name__ == "__main__":
    main()
