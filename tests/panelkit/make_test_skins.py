#!/usr/bin/env python3
"""Writes the panel tests' skin images: small PNG film strips whose every
frame is one known opaque colour, so that a pixel read back from a window
tells which frame a widget drew. Also writes the resource script that puts
them into the test program, two broken images, and TestSkins.h with the
sizes and colours for the tests.

usage: make_test_skins.py <output folder>
"""
import os
import struct
import sys
import zlib


def png(width, height, pixel):
    """PNG bytes (8-bit RGBA, no resolution chunk) of pixel(x, y) -> 0xAARRGGBB."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for x in range(width):
            argb = pixel(x, y)
            rows += bytes(((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, (argb >> 24) & 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + chunk(b"IEND", b""))


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
