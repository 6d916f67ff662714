#!/usr/bin/env python3
"""Writes the panel tests' skin images: small PNG film strips whose every
frame is one known opaque colour, so that a pixel read back from a window
tells which frame a widget drew. Also writes the resource script that puts
them into the test program, two broken images, TestSkins.h with the sizes
and colours for the tests, and a drawn skin of every widget kind for the
screenshot people look at (the SHOW_ images).

usage: make_test_skins.py <output folder>
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import skinkit  # noqa: E402
from skinkit import Canvas, mix, strip  # noqa: E402


def png(width, height, pixel):
    """PNG bytes of pixel(x, y) -> 0xAARRGGBB."""
    return skinkit.png(width, height, [pixel(x, y) for y in range(height) for x in range(width)])


def frame_colours(count, seed):
    """count distinct opaque colours, far enough apart to survive rounding."""
    colours = []
    for k in range(count):
        r = (seed * 37 + k * 53) % 200 + 40
        g = (seed * 91 + k * 29) % 200 + 40
        b = (k * 4) % 250
        colours.append(0xFF000000 | r << 16 | g << 8 | b)
    return colours


class Strip:
    """Frames of frame_w x frame_h in a grid of columns x rows, row by row."""

    def __init__(self, name, frame_w, frame_h, columns, rows, seed):
        self.name, self.frame_w, self.frame_h = name, frame_w, frame_h
        self.columns, self.rows = columns, rows
        self.colours = frame_colours(columns * rows, seed)

    def pixel(self, x, y):
        return self.colours[(y // self.frame_h) * self.columns + x // self.frame_w]

    def image(self):
        return png(self.frame_w * self.columns, self.frame_h * self.rows, self.pixel)


# Two tones in a checker of 10-pixel squares: a probe tells the background
# from the clear colour and a tile's edge from its middle.
BACKGROUND_W, BACKGROUND_H = 320, 240
BACKGROUND_DARK, BACKGROUND_LIGHT = 0xFF2A3440, 0xFF3C4A58
TILE_W, TILE_H = 64, 48
TILE_COLOURS = [0xFF803020, 0xFF208040, 0xFF203080, 0xFF808020]  # quadrants: TL, TR, BL, BR
BIG_W, BIG_H = 480, 360
BIG_COLOUR = 0xFF405060

STRIPS = [
    Strip("BUTTON3", 40, 20, 3, 1, 1),   # normal, pressed, hover
    Strip("BUTTON2", 40, 20, 2, 1, 2),   # normal, pressed
    Strip("TOGGLE", 24, 16, 2, 1, 3),    # off, on
    Strip("LED", 12, 12, 2, 1, 4),       # off, on
    Strip("METER", 116, 8, 2, 1, 5),     # unlit, lit
    Strip("KNOB", 20, 20, 1, 61, 6),     # 61 frames in one column
    Strip("KNOBGRID", 16, 16, 8, 8, 7),  # 64 frames, 8 per row
    Strip("THUMB", 18, 10, 1, 1, 8),     # a fader's thumb
    Strip("DIGITS", 7, 11, 13, 1, 9),    # blank, 0-9, minus, plus
]

# The showcase skin: what the widgets look like drawn with real images.
ACCENT = 0xFFFF9A2E
SHOW_W, SHOW_H = 440, 290
SHOW_FADER_X, SHOW_FADER_Y = 236, 26  # where the fader's track is engraved
THUMB_W, THUMB_H = 24, 14


def show_knob(value):
    c = Canvas(42, 42)
    c.disc(21, 22.5, 19.5, 0x66000000)  # shadow
    start, end = -math.radians(135), math.radians(135)
    c.ring(21, 21, 16.5, 19.5, 0xFF30363D, start, end)
    angle = start + (end - start) * value
    if value > 0:
        c.ring(21, 21, 16.5, 19.5, ACCENT, start, angle)
    c.disc(21, 21, 14, lambda x, y: mix(0xFF66707A, 0xFF2A3036, y / 42.0))
    c.ring(21, 21, 13, 14, 0x55FFFFFF, -math.radians(60), math.radians(60))  # top light
    c.line(21 + 4 * math.sin(angle), 21 - 4 * math.cos(angle), 21 + 11.5 * math.sin(angle),
           21 - 11.5 * math.cos(angle), 2.4, 0xFFF2F2F2)
    return c


def show_button(face_top, face_bottom, inset):
    c = Canvas(64, 24)
    c.round_rect(0, 0.5, 64, 24, 5, 0xFF0E1013)
    c.round_rect(1, 1, 63, 23, 4, lambda x, y: mix(face_top, face_bottom, y / 24.0))
    if not inset:
        c.round_rect(2, 1.5, 62, 3, 1, 0x33FFFFFF)
    c.disc(12, 12, 3, ACCENT if inset else 0xFF5C4630)
    c.rect(20, 11, 50, 13, 0xFF8D969F if not inset else 0xFFB8C0C8)
    return c


def show_toggle(on):
    c = Canvas(40, 20)
    c.round_rect(1, 2, 39, 18, 8, 0xFF8A4A12 if on else 0xFF262B31)
    c.round_rect(1, 2, 39, 18, 8, 0x22FFFFFF)
    c.disc(30 if on else 10, 10, 7, lambda x, y: mix(0xFFF4F4F4 if on else 0xFFB0B6BC, 0xFF9AA0A6, y / 20.0))
    return c


def show_led(on):
    c = Canvas(14, 14)
    if on:
        c.disc(7, 7, 7, 0x554CFF6A)
    c.disc(7, 7, 4.6, 0xFF0C0F0C)
    c.disc(7, 7, 3.8, 0xFF4CFF6A if on else 0xFF1D3320)
    c.disc(6, 6, 1.3, 0xCCFFFFFF if on else 0x33FFFFFF)
    return c


def show_meter(lit):
    c = Canvas(116, 8)
    c.rect(0, 0, 116, 8, 0xFF0C0E10)
    for k in range(29):
        x = k * 4
        t = k / 28.0
        colour = mix(0xFF3DDC68, 0xFFF5D33B, t / 0.75) if t < 0.75 else mix(0xFFF5D33B, 0xFFFF4A3A, (t - 0.75) / 0.25)
        c.rect(x + 0.5, 1, x + 3, 7, colour if lit else 0xFF22272C)
    return c


def show_thumb():
    c = Canvas(THUMB_W, THUMB_H)
    c.round_rect(0, 0.5, THUMB_W, THUMB_H, 3, 0xFF0E1013)
    c.round_rect(1, 1, THUMB_W - 1, THUMB_H - 1, 2.5, lambda x, y: mix(0xFFD5DADF, 0xFF7E868D, y / THUMB_H))
    c.rect(3, THUMB_H / 2 - 0.6, THUMB_W - 3, THUMB_H / 2 + 0.6, 0xFF1A1D20)
    return c


# Segments of a 7 x 11 glyph: a (top), b, c (right), d (bottom), e, f (left), g.
SEGMENTS = {"a": (1.8, 1, 5.2, 1), "b": (5.6, 1.6, 5.6, 4.9), "c": (5.6, 6.1, 5.6, 9.4), "d": (1.8, 10, 5.2, 10),
            "e": (1.4, 6.1, 1.4, 9.4), "f": (1.4, 1.6, 1.4, 4.9), "g": (1.8, 5.5, 5.2, 5.5)}
GLYPH_SEGMENTS = ["", "abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg", "g", "g"]


def show_digit(k):
    c = Canvas(7, 11, 0xFF17130D)
    for name, (x0, y0, x1, y1) in SEGMENTS.items():
        on = name in GLYPH_SEGMENTS[k]
        c.line(x0, y0, x1, y1, 1.25, 0xFFFFB347 if on else 0xFF2E2517)
    if k == 12:  # plus: the middle bar crossed
        c.line(3.5, 3.6, 3.5, 7.4, 1.25, 0xFFFFB347)
    return c


def show_background():
    c = Canvas(SHOW_W, SHOW_H)
    c.rect(0, 0, SHOW_W, SHOW_H, lambda x, y: mix(0xFF262B31, 0xFF15181B, y / SHOW_H))
    for x0, y0, x1, y1 in ((10, 10, 226, 96), (10, 104, 226, 280), (270, 10, 430, 280)):
        c.round_rect(x0, y0, x1, y1, 6, 0x33000000)
        c.round_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 5, 0x10FFFFFF)
    # The fader's engraved track, its thumb's centre line over the travel.
    cx = SHOW_FADER_X + THUMB_W / 2.0
    c.round_rect(cx - 2.5, SHOW_FADER_Y + 2, cx + 2.5, SHOW_FADER_Y + 216 + THUMB_H - 2, 2.5, 0xFF0A0C0E)
    for k in range(9):
        y = SHOW_FADER_Y + THUMB_H / 2.0 + 216 * k / 8.0
        c.rect(cx + 8, y - 0.5, cx + 14, y + 0.5, 0xFF59626B)
    # Insets behind the list and the waveform view.
    c.rect(280, 52, 420, 172, 0xFF0F1215)
    c.rect(280, 200, 420, 270, 0xFF0F1215)
    return c


def showcase():
    return {
        "SHOW_BACKGROUND": show_background().png(),
        "SHOW_KNOB": strip([show_knob(k / 60.0) for k in range(61)], columns=1).png(),
        "SHOW_BUTTON": strip([show_button(0xFF4C545D, 0xFF32383E, False), show_button(0xFF262A2F, 0xFF363C43, True),
                              show_button(0xFF5C6670, 0xFF3C434A, False)]).png(),
        "SHOW_TOGGLE": strip([show_toggle(False), show_toggle(True)]).png(),
        "SHOW_LED": strip([show_led(False), show_led(True)]).png(),
        "SHOW_METER": strip([show_meter(False), show_meter(True)]).png(),
        "SHOW_THUMB": show_thumb().png(),
        "SHOW_DIGITS": strip([show_digit(k) for k in range(13)]).png(),
    }


def background(x, y):
    return BACKGROUND_LIGHT if (x // 10 + y // 10) % 2 else BACKGROUND_DARK


def tile(x, y):
    return TILE_COLOURS[(2 if y >= TILE_H // 2 else 0) + (1 if x >= TILE_W // 2 else 0)]


def header(strips):
    lines = [
        "// Written by make_test_skins.py: the sizes and colours of the test skins.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        "namespace skins {",
        "",
        f"constexpr int kBackgroundWidth = {BACKGROUND_W}, kBackgroundHeight = {BACKGROUND_H};",
        f"constexpr uint32_t kBackgroundDark = 0x{BACKGROUND_DARK:08X}, kBackgroundLight = 0x{BACKGROUND_LIGHT:08X};",
        "// The background's colour at a point: a checker of 10-pixel squares.",
        "constexpr uint32_t BackgroundAt(int x, int y) { return (x / 10 + y / 10) % 2 ? kBackgroundLight : kBackgroundDark; }",
        f"constexpr int kTileWidth = {TILE_W}, kTileHeight = {TILE_H};",
        "// Top-left, top-right, bottom-left and bottom-right quadrants of the tile.",
        "constexpr uint32_t kTileColours[4] = {" + ", ".join(f"0x{c:08X}" for c in TILE_COLOURS) + "};",
        f"constexpr int kBigWidth = {BIG_W}, kBigHeight = {BIG_H};",
        f"constexpr uint32_t kBigColour = 0x{BIG_COLOUR:08X};",
        f"constexpr int kShowFaderX = {SHOW_FADER_X}, kShowFaderY = {SHOW_FADER_Y};",
        "",
        "struct Strip {",
        "    const wchar_t* name;",
        "    int frameWidth, frameHeight, columns, rows;",
        "    const uint32_t* colours; // one per frame, row by row",
        "};",
        "",
    ]
    for s in strips:
        ident = s.name.title().replace("_", "")
        lines.append(f"constexpr uint32_t k{ident}Colours[{len(s.colours)}] = {{")
        for i in range(0, len(s.colours), 8):
            lines.append("    " + ", ".join(f"0x{c:08X}" for c in s.colours[i:i + 8]) + ",")
        lines.append("};")
        lines.append(f"constexpr Strip k{ident} = {{L\"{s.name}\", {s.frame_w}, {s.frame_h}, {s.columns}, {s.rows}, "
                     f"k{ident}Colours}};")
        lines.append("")
    lines.append("} // namespace skins")
    return "\n".join(lines) + "\n"


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    images = {
        "BACKGROUND": png(BACKGROUND_W, BACKGROUND_H, background),
        "TILE": png(TILE_W, TILE_H, tile),
        "BIGPANEL": png(BIG_W, BIG_H, lambda x, y: BIG_COLOUR),
    }
    for s in STRIPS:
        images[s.name] = s.image()
    images.update(showcase())
    good = images["BUTTON3"]
    # A PNG signature followed by nothing that decodes, and a good image cut
    # in half.
    images["BROKEN"] = b"\x89PNG\r\n\x1a\n" + bytes((i * 7 + 3) & 255 for i in range(200))
    images["TRUNCATED"] = good[: len(good) // 2]

    script = ["// Written by make_test_skins.py."]
    for name, data in images.items():
        path = os.path.join(out, name.lower() + ".png")
        with open(path, "wb") as f:
            f.write(data)
        script.append(f'{name} PNG "{name.lower()}.png"')
    with open(os.path.join(out, "TestSkins.rc"), "w") as f:
        f.write("\n".join(script) + "\n")
    with open(os.path.join(out, "TestSkins.h"), "w") as f:
        f.write(header(STRIPS))


if __name__ == "__main__":
    main()
