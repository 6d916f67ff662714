"""Drawing for skin images: a canvas of straight-alpha RGBA floats with
anti-aliased shapes (coverage from signed distances), composited "over",
and a PNG writer. Pure Python, so any machine with python3 makes the skins.
"""
import math
import struct
import zlib


def png(width, height, argb):
    """PNG bytes (8-bit RGBA, no resolution chunk) of a row-major list of
    0xAARRGGBB values."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for v in argb[y * width:(y + 1) * width]:
            rows += bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255, (v >> 24) & 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + chunk(b"IEND", b""))


def rgba(argb):
    return ((argb >> 16) & 255) / 255.0, ((argb >> 8) & 255) / 255.0, (argb & 255) / 255.0, ((argb >> 24) & 255) / 255.0


def mix(a, b, t):
    """The colour t of the way from argb a to argb b."""
    ca, cb = rgba(a), rgba(b)
    c = [ca[i] + (cb[i] - ca[i]) * t for i in range(4)]
    return (round(c[3] * 255) << 24) | (round(c[0] * 255) << 16) | (round(c[1] * 255) << 8) | round(c[2] * 255)


class Canvas:
    def __init__(self, width, height, fill=0x00000000):
        self.width, self.height = width, height
        self.px = [list(rgba(fill)) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        """Composites colour (argb or an (r, g, b, a) tuple) over the pixel."""
        if coverage <= 0.0 or x < 0 or y < 0 or x >= self.width or y >= self.height:
            return
        r, g, b, a = colour if isinstance(colour, tuple) else rgba(colour)
        a *= min(coverage, 1.0)
        p = self.px[y * self.width + x]
        out = a + p[3] * (1.0 - a)
        if out <= 0.0:
            return
        for i, c in enumerate((r, g, b)):
            p[i] = (c * a + p[i] * p[3] * (1.0 - a)) / out
        p[3] = out

    def shape(self, x0, y0, x1, y1, distance, colour):
        """Fills where distance(px, py) (signed, negative inside) says, over
        the pixel box x0..x1, y0..y1. colour may be a function of (x, y)."""
        for y in range(max(0, int(y0) - 1), min(self.height, int(y1) + 2)):
            for x in range(max(0, int(x0) - 1), min(self.width, int(x1) + 2)):
                d = distance(x + 0.5, y + 0.5)
                coverage = 0.5 - d
                if coverage > 0.0:
                    self.blend(x, y, colour(x, y) if callable(colour) else colour, coverage)

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(x0, y0, x1, y1, lambda x, y: max(x0 - x, x - x1, y0 - y, y - y1), colour)

    def round_rect(self, x0, y0, x1, y1, radius, colour):
        cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

        def distance(x, y):
            qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
            outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
            return outside + min(max(qx, qy), 0.0) - radius

        self.shape(x0, y0, x1, y1, distance, colour)

    def disc(self, cx, cy, radius, colour):
        self.shape(cx - radius, cy - radius, cx + radius, cy + radius,
                   lambda x, y: math.hypot(x - cx, y - cy) - radius, colour)

    def ring(self, cx, cy, inner, outer, colour, start=None, end=None):
        """A ring between two radii; with start and end (radians, clockwise
        from twelve o'clock) only that arc of it."""
        mid, half = (inner + outer) / 2.0, (outer - inner) / 2.0

        def distance(x, y):
            d = abs(math.hypot(x - cx, y - cy) - mid) - half
            if start is None:
                return d
            angle = math.atan2(x - cx, cy - y)
            if start <= angle <= end:
                return d
            # Beyond the arc: the distance to its nearer end cap.
            caps = [(cx + mid * math.sin(a), cy - mid * math.cos(a)) for a in (start, end)]
            return min(math.hypot(x - px, y - py) for px, py in caps) - half

        self.shape(cx - outer, cy - outer, cx + outer, cy + outer, distance, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        """A round-capped stroke."""
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9

        def distance(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - width / 2.0

        r = width / 2.0 + 1
        self.shape(min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r, distance, colour)

    def paste(self, other, x, y):
        for j in range(other.height):
            for i in range(other.width):
                p = other.px[j * other.width + i]
                self.blend(x + i, y + j, tuple(p), 1.0)

    def argb(self):
        out = []
        for r, g, b, a in self.px:
            out.append((round(a * 255) << 24) | (round(r * 255) << 16) | (round(g * 255) << 8) | round(b * 255))
        return out

    def png(self):
        return png(self.width, self.height, self.argb())


def strip(frames, columns=None):
    """Canvases of one size side by side (columns=None), or in a grid with
    that many columns, as one canvas."""
    columns = columns or len(frames)
    w, h = frames[0].width, frames[0].height
    rows = (len(frames) + columns - 1) // columns
    out = Canvas(w * columns, h * rows)
    for k, f in enumerate(frames):
        out.paste(f, (k % columns) * w, (k // columns) * h)
    return out
