"""Draws a program icon of the standalone tools as a Windows .ico with 16,
32 and 48 pixel images.

    make_icon.py host <out.ico>       the standalone host: keys under a wave
    make_icon.py converter <out.ico>  the converter front end: a font file
                                      turning into a wave

Pillow from Debian; the output is the same on every run.
"""
import math
import sys

from PIL import Image, ImageDraw

SIZES = (16, 32, 48)
SCALE = 8  # drawn large and reduced, for smooth edges


def rounded_plate(draw, size, fill, outline):
    r = size * 0.18
    draw.rounded_rectangle((size * 0.04, size * 0.04, size * 0.96, size * 0.96), radius=r, fill=fill,
                           outline=outline, width=max(1, int(size * 0.03)))


def wave(draw, size, box, colour, width, cycles=1.5):
    left, top, right, bottom = box
    mid = (top + bottom) / 2
    amp = (bottom - top) / 2
    points = []
    steps = 64
    for i in range(steps + 1):
        t = i / steps
        x = left + (right - left) * t
        # A decaying tone, as a sampled note looks.
        y = mid - amp * math.sin(2 * math.pi * cycles * t) * (1.0 - 0.45 * t)
        points.append((x, y))
    draw.line(points, fill=colour, width=width, joint="curve")


def keys(draw, size, box):
    left, top, right, bottom = box
    white = 5
    w = (right - left) / white
    for i in range(white):
        draw.rectangle((left + i * w + size * 0.01, top, left + (i + 1) * w - size * 0.01, bottom),
                       fill=(246, 244, 236, 255))
    for i in (1, 2, 4):
        x = left + i * w
        draw.rectangle((x - w * 0.3, top, x + w * 0.3, top + (bottom - top) * 0.6), fill=(24, 26, 30, 255))


def host(size):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    rounded_plate(draw, size, (34, 40, 52, 255), (12, 14, 18, 255))
    wave(draw, size, (size * 0.16, size * 0.14, size * 0.84, size * 0.5), (255, 170, 40, 255),
         max(1, int(size * 0.07)))
    keys(draw, size, (size * 0.14, size * 0.56, size * 0.86, size * 0.86))
    return image


def converter(size):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    rounded_plate(draw, size, (30, 58, 74, 255), (10, 20, 26, 255))
    # A file with a folded corner, then an arrow to a wave.
    f = (size * 0.14, size * 0.16, size * 0.46, size * 0.62)
    fold = size * 0.1
    draw.polygon([(f[0], f[1]), (f[2] - fold, f[1]), (f[2], f[1] + fold), (f[2], f[3]), (f[0], f[3])],
                 fill=(236, 240, 244, 255))
    draw.polygon([(f[2] - fold, f[1]), (f[2], f[1] + fold), (f[2] - fold, f[1] + fold)], fill=(170, 184, 196, 255))
    for i in range(3):
        y = f[1] + size * (0.2 + 0.09 * i)
        draw.line((f[0] + size * 0.05, y, f[2] - size * 0.06, y), fill=(90, 110, 130, 255),
                  width=max(1, int(size * 0.035)))
    ax = size * 0.52
    draw.polygon([(ax, size * 0.34), (ax + size * 0.12, size * 0.40), (ax, size * 0.46)], fill=(255, 170, 40, 255))
    wave(draw, size, (size * 0.18, size * 0.68, size * 0.84, size * 0.88), (120, 220, 255, 255),
         max(1, int(size * 0.06)), cycles=2.5)
    wave(draw, size, (size * 0.66, size * 0.22, size * 0.88, size * 0.58), (120, 220, 255, 255),
         max(1, int(size * 0.05)), cycles=1.0)
    return image


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("host", "converter"):
        sys.exit(__doc__)
    draw = host if sys.argv[1] == "host" else converter
    big = draw(48 * SCALE)
    images = [big.resize((s, s), Image.LANCZOS) for s in SIZES]
    images[-1].save(sys.argv[2], format="ICO", sizes=[(s, s) for s in SIZES], append_images=images[:-1])


if __name__ == "__main__":
    main()
