"""Drawing helpers for the skin images: Pillow canvases drawn at four times
their size and scaled down (smooth edges), fonts from Debian's font
packages, text with letter spacing, recessed cells, and procedural
materials (wood, brushed metal, camouflage). Everything is seeded, so a run
writes the same bytes as the last one.
"""
import math

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor of the vector shapes

FONT_FILES = {
    "sans": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "cond": "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
    "condbold": "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
    "light": "/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf",
    "mono": "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
    "cjk": "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
}
_fonts = {}


def font(kind, size):
    key = (kind, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_FILES[kind], size)
    return _fonts[key]


def rgba(argb):
    """0xAARRGGBB as an (r, g, b, a) tuple; tuples pass through."""
    if isinstance(argb, tuple):
        return argb
    return (argb >> 16) & 255, (argb >> 8) & 255, argb & 255, (argb >> 24) & 255


def with_alpha(colour, alpha):
    r, g, b, _ = rgba(colour)
    return r, g, b, alpha


def mix(a, b, t):
    ca, cb = rgba(a), rgba(b)
    return tuple(round(ca[i] + (cb[i] - ca[i]) * t) for i in range(4))


def blank(w, h, colour=0x00000000):
    return Image.new("RGBA", (w, h), rgba(colour) if isinstance(colour, int) else colour)


class Vector:
    """A transparent layer drawn at SS times the size. Coordinates are in
    final pixels of the picture it goes onto; the layer covers w x h pixels
    from origin."""

    def __init__(self, w, h, origin=(0, 0)):
        self.w, self.h = w, h
        self.ox, self.oy = origin
        self.image = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    @classmethod
    def around(cls, box, margin=3):
        """A layer just big enough for box and a margin."""
        x0, y0 = int(math.floor(box[0])) - margin, int(math.floor(box[1])) - margin
        x1, y1 = int(math.ceil(box[2])) + margin, int(math.ceil(box[3])) + margin
        return cls(x1 - x0, y1 - y0, (x0, y0))

    def _x(self, x):
        return (x - self.ox) * SS

    def _y(self, y):
        return (y - self.oy) * SS

    def _box(self, box):
        x0, y0, x1, y1 = box
        return [self._x(x0), self._y(y0), self._x(x1) - 1, self._y(y1) - 1]

    def _circle(self, cx, cy, r):
        return [self._x(cx - r), self._y(cy - r), self._x(cx + r) - 1, self._y(cy + r) - 1]

    def _canvas(self, *colours):
        """Where to draw a shape of these colours: straight onto the layer
        when they are opaque, else onto a scratch layer composited after
        (Pillow's drawing replaces pixels, it does not blend)."""
        if all(c is None or rgba(c)[3] == 255 for c in colours):
            return self.draw, None
        scratch = Image.new("RGBA", self.image.size, (0, 0, 0, 0))
        return ImageDraw.Draw(scratch), scratch

    def _commit(self, scratch):
        if scratch is not None:
            self.image = Image.alpha_composite(self.image, scratch)
            self.draw = ImageDraw.Draw(self.image)

    def rect(self, box, fill=None, outline=None, width=1.0, radius=0.0):
        d, scratch = self._canvas(fill, outline)
        d.rounded_rectangle(self._box(box), radius=radius * SS, fill=_c(fill), outline=_c(outline),
                            width=max(1, round(width * SS)) if outline is not None else 0)
        self._commit(scratch)

    def ellipse(self, cx, cy, r, fill=None, outline=None, width=1.0):
        d, scratch = self._canvas(fill, outline)
        d.ellipse(self._circle(cx, cy, r), fill=_c(fill), outline=_c(outline),
                  width=max(1, round(width * SS)) if outline is not None else 0)
        self._commit(scratch)

    def arc(self, cx, cy, r, start, end, colour, width):
        """An arc of angles in degrees clockwise from twelve o'clock, with
        round caps."""
        if end <= start:
            return
        d, scratch = self._canvas(colour)
        d.arc(self._circle(cx, cy, r), start - 90, end - 90, fill=_c(colour), width=round(width * SS))
        for a in (start, end):
            px, py = polar(cx, cy, r - width / 2.0, a)
            d.ellipse(self._circle(px, py, width / 2.0), fill=_c(colour))
        self._commit(scratch)

    def line(self, points, colour, width, round_caps=True):
        d, scratch = self._canvas(colour)
        d.line([(self._x(x), self._y(y)) for x, y in points], fill=_c(colour), width=round(width * SS))
        if round_caps:
            for x, y in points:
                d.ellipse(self._circle(x, y, width / 2.0), fill=_c(colour))
        self._commit(scratch)

    def polygon(self, points, fill):
        d, scratch = self._canvas(fill)
        d.polygon([(self._x(x), self._y(y)) for x, y in points], fill=_c(fill))
        self._commit(scratch)

    def gradient_ellipse(self, cx, cy, r, top, bottom):
        """A disc whose colour runs from top to bottom."""
        mask = Image.new("L", self.image.size, 0)
        ImageDraw.Draw(mask).ellipse(self._circle(cx, cy, r), fill=255)
        self.paint(vertical_gradient(self.image.size[0], self.image.size[1], top, bottom,
                                     self._y(cy - r), self._y(cy + r)), mask)

    def gradient_rect(self, box, top, bottom, radius=0.0):
        mask = Image.new("L", self.image.size, 0)
        ImageDraw.Draw(mask).rounded_rectangle(self._box(box), radius=radius * SS, fill=255)
        self.paint(vertical_gradient(self.image.size[0], self.image.size[1], top, bottom,
                                     self._y(box[1]), self._y(box[3])), mask)

    def paint(self, layer, mask):
        """Composites layer over the drawing where mask says."""
        a = np.asarray(layer.getchannel("A"), dtype=np.float32) * (np.asarray(mask, dtype=np.float32) / 255.0)
        layer = layer.copy()
        layer.putalpha(Image.fromarray(np.round(a).astype(np.uint8), "L"))
        self.image = Image.alpha_composite(self.image, layer)
        self.draw = ImageDraw.Draw(self.image)

    def result(self):
        """The layer at its final size (premultiplied while scaling, so that
        edges keep their colour)."""
        return self.image.convert("RGBa").resize((self.w, self.h), Image.BOX).convert("RGBA")

    def onto(self, image):
        """Composites the layer onto the picture at its origin."""
        image.alpha_composite(self.result(), (self.ox, self.oy))
        return image


def _c(colour):
    if colour is None or isinstance(colour, tuple):
        return colour
    return rgba(colour)


def polar(cx, cy, r, degrees):
    a = math.radians(degrees)
    return cx + r * math.sin(a), cy - r * math.cos(a)


def vertical_gradient(w, h, top, bottom, y0=0, y1=None):
    y1 = h if y1 is None else y1
    t = np.clip((np.arange(h, dtype=np.float32) + 0.5 - y0) / max(1.0, y1 - y0), 0.0, 1.0)[:, None, None]
    a, b = np.array(rgba(top), np.float32), np.array(rgba(bottom), np.float32)
    rows = a + (b - a) * t
    return Image.fromarray(np.round(np.broadcast_to(rows, (h, w, 4))).astype(np.uint8), "RGBA")


def over(base, layer, x=0, y=0):
    """layer composited over base at x, y (in place)."""
    base.alpha_composite(layer, (int(x), int(y)))
    return base


def shadow(layer, radius, offset=(0, 1), alpha=0.6):
    """A soft shadow of layer's shape, as a layer of the same size."""
    a = layer.getchannel("A").filter(ImageFilter.GaussianBlur(radius))
    a = a.point(lambda v: int(v * alpha))
    out = Image.new("RGBA", layer.size, (0, 0, 0, 0))
    black = Image.new("RGBA", layer.size, (0, 0, 0, 255))
    out.paste(black, offset, a)
    return out


# Text ------------------------------------------------------------------

def text_size(s, f, tracking=0.0):
    if not s:
        return 0, 0
    width = sum(f.getlength(ch) for ch in s) + tracking * (len(s) - 1) if tracking else f.getlength(s)
    ascent, descent = f.getmetrics()
    return width, ascent + descent


def draw_text(image, x, y, s, f, colour, tracking=0.0, anchor="l", shadow_colour=None):
    """Draws s with its top-left at x, y ("l"), centred on x ("c") or
    ending at x ("r"); y is the top of the font's line box. Returns the
    box it covers (x0, y0, x1, y1) in whole pixels."""
    w, h = text_size(s, f, tracking)
    if anchor == "c":
        x -= w / 2.0
    elif anchor == "r":
        x -= w
    x = round(x)
    def put(px, py, c):
        # Coverage first, then the colour composited through it: drawing
        # text straight onto RGBA pixels would darken its edges.
        mask = Image.new("L", image.size, 0)
        d = ImageDraw.Draw(mask)
        if tracking:
            cx = px
            for ch in s:
                d.text((cx, py), ch, font=f, fill=255)
                cx += f.getlength(ch) + tracking
        else:
            d.text((px, py), s, font=f, fill=255)
        r, g, b, a = rgba(c)
        layer = Image.new("RGBA", image.size, (r, g, b, 0))
        layer.putalpha(mask.point(lambda v: v * a // 255))
        image.alpha_composite(layer)

    if shadow_colour is not None:
        put(x, y + 1, shadow_colour)
    put(x, y, colour)
    ink = f.getbbox(s) if not tracking else (0, f.getbbox(s)[1], w, f.getbbox(s)[3])
    return x + ink[0], y + ink[1], math.ceil(x + ink[2]), y + ink[3] + (1 if shadow_colour is not None else 0)


def vertical_text(image, cx, cy, s, f, colour, tracking=0.0):
    """Text running bottom to top, centred on cx, cy. Returns its box."""
    w, h = text_size(s, f, tracking)
    layer = blank(math.ceil(w) + 2, h + 2)
    draw_text(layer, 1, 1, s, f, colour, tracking)
    layer = layer.rotate(90, expand=True)
    x0, y0 = round(cx - layer.width / 2.0), round(cy - layer.height / 2.0)
    over(image, layer, x0, y0)
    bbox = layer.getbbox() or (0, 0, 0, 0)
    return x0 + bbox[0], y0 + bbox[1], x0 + bbox[2], y0 + bbox[3]


# Panels and cells --------------------------------------------------------

def panel(image, box, radius, fill_top, fill_bottom, edge=0x14FFFFFF, shadow_alpha=0.5):
    """A raised panel: soft shadow, gradient face, light top edge."""
    x0, y0, x1, y1 = box
    v = Vector.around(box, 6)
    v.rect(box, fill=0xFF000000, radius=radius)
    over(image, shadow(v.result(), 2.5, (0, 1), shadow_alpha), v.ox, v.oy)
    v = Vector.around(box, 1)
    v.gradient_rect(box, fill_top, fill_bottom, radius)
    v.rect(box, outline=0xFF0A0C0F, width=1, radius=radius)
    v.rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1), outline=edge, width=1, radius=max(0, radius - 1))
    v.onto(image)


def recess(image, box, radius=2.0, fill=0xFF0B0E12, rim=0x1EFFFFFF, inner_shadow=0x90000000):
    """A dark cell sunk into the panel: dark face, shadow along the top,
    a faint light lip along the bottom."""
    x0, y0, x1, y1 = box
    v = Vector.around(box, 2)
    v.rect((x0, y0 + 1, x1, y1 + 1), fill=rim, radius=radius)
    v.rect(box, fill=fill, radius=radius)
    v.rect((x0 + 0.5, y0 + 0.5, x1 - 0.5, y0 + 2.0), fill=inner_shadow, radius=min(radius, 0.75))
    v.onto(image)


def light_field(image, box, radius=2.0):
    """A light input field for dark text (the zone combos)."""
    x0, y0, x1, y1 = box
    v = Vector.around(box, 2)
    v.rect((x0, y0 + 1, x1, y1 + 1), fill=0x22FFFFFF, radius=radius)
    v.rect(box, fill=0xFF05070A, radius=radius)
    v.gradient_rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1), 0xFFAAB6C2, 0xFFD6DEE6, max(0, radius - 1))
    v.onto(image)


def combo_arrow(image, x, y, w, h, colour, divider=None):
    """The down arrow a combo of that box would draw (the combo itself
    draws it transparent), with a divider left of it."""
    e = (h // 4) * 2
    v = Vector.around((x, y, x + w, y + h), 1)
    if divider is not None:
        v.rect((x + w - e - 6, y + 3, x + w - e - 5, y + h - 3), fill=divider)
    v.polygon([(x + w - e - 3, y + 4.5), (x + w - 3, y + 4.5), (x + w - e / 2.0 - 3, y + h - 4.5)], colour)
    v.onto(image)


# Noise and materials -------------------------------------------------------

def value_noise(w, h, cell, seed, octaves=1, persistence=0.5):
    """Smooth noise in 0..1: random values on a grid of cell pixels,
    interpolated bicubically, summed over octaves."""
    rng = np.random.default_rng(seed)
    total = np.zeros((h, w), np.float32)
    amplitude, weight = 1.0, 0.0
    for _ in range(octaves):
        gw, gh = max(2, int(w / cell) + 3), max(2, int(h / cell) + 3)
        grid = rng.random((gh, gw), dtype=np.float32)
        big = Image.fromarray(grid, "F").resize((int(gw * cell), int(gh * cell)), Image.BICUBIC)
        c = int(cell)
        total += amplitude * np.asarray(big, np.float32)[c:c + h, c:c + w]
        weight += amplitude
        amplitude *= persistence
        cell = max(1.0, cell / 2.0)
    return np.clip(total / weight, 0.0, 1.0)


def colour_map(t, stops):
    """Maps an array of 0..1 through colour stops [(position, argb), ...]
    to an RGB float array."""
    pos = np.array([p for p, _ in stops], np.float32)
    cols = np.array([rgba(c)[:3] for _, c in stops], np.float32)
    out = np.empty(t.shape + (3,), np.float32)
    for i in range(3):
        out[..., i] = np.interp(t, pos, cols[:, i])
    return out


def to_image(rgb):
    return Image.fromarray(np.round(np.clip(rgb, 0, 255)).astype(np.uint8), "RGB").convert("RGBA")


def wood(w, h, seed, light, dark, grain=0.9):
    """Planks of wood running left to right: growth rings bent by noise,
    fine lengthwise fibres and pores, and plank seams."""
    rng = np.random.default_rng(seed)
    y = np.arange(h, dtype=np.float32)[:, None]
    x = np.arange(w, dtype=np.float32)[None, :]
    # Growth rings: flat-sawn figure, stretched along the plank and bent by
    # slow noise, with a soft light early wood and a narrow dark late wood.
    warp = value_noise(w, h, 140, seed, 3) - 0.5
    drift = value_noise(w, h, 420, seed + 1, 2) - 0.5
    rings = y * 0.075 + warp * 2.2 + drift * 5.0 + np.sin(x * 0.006 + seed) * 0.6
    phase = rings - np.floor(rings)
    t = np.clip((phase - 0.62) / 0.38, 0, 1) ** 1.6 * 0.8 + (0.5 + 0.5 * np.sin(rings * 2 * math.pi)) * 0.2
    fibres = rng.random((h, w // 40 + 2), dtype=np.float32)
    fibres = np.asarray(Image.fromarray(fibres, "F").resize((w, h), Image.BILINEAR), np.float32)
    fine = rng.random((h, w // 6 + 2), dtype=np.float32)
    fine = np.asarray(Image.fromarray(fine, "F").resize((w, h), Image.BILINEAR), np.float32)
    tone = value_noise(w, h, 60, seed + 3, 2) - 0.5
    v = np.clip(t * grain * 0.75 + (fibres - 0.5) * 0.22 + (fine - 0.5) * 0.16 + tone * 0.25 + 0.12, 0, 1)
    rgb = colour_map(v, [(0.0, light), (1.0, dark)])
    plank = 61  # seams between planks
    for k in range(1, h // plank + 1):
        yy = k * plank
        rgb[max(0, yy - 1):yy, :] *= 0.55
        rgb[yy:yy + 1, :] *= 1.08
    return to_image(rgb)


def brushed_metal(w, h, seed, base=0xFFB8BDC2, spread=38.0):
    """Horizontal brushing: noise stretched along x, with a soft sheen."""
    rng = np.random.default_rng(seed)
    rows = rng.normal(0.0, 1.0, (h, w // 16 + 2)).astype(np.float32)
    streaks = np.asarray(Image.fromarray(rows, "F").resize((w, h), Image.BILINEAR), np.float32)
    fine = rng.normal(0.0, 1.0, (h, w // 3 + 2)).astype(np.float32)
    fine = np.asarray(Image.fromarray(fine, "F").resize((w, h), Image.BILINEAR), np.float32)
    x = np.arange(w, dtype=np.float32)[None, :]
    y = np.arange(h, dtype=np.float32)[:, None]
    sheen = 0.5 + 0.5 * np.cos((x / w - 0.35) * math.pi * 1.4) * np.cos((y / h - 0.4) * 1.2)
    r, g, b, _ = rgba(base)
    level = (streaks * 0.55 + fine * 0.25) * spread * 0.35 + (sheen - 0.5) * spread
    rgb = np.stack([np.full((h, w), c, np.float32) for c in (r, g, b)], axis=-1) + level[..., None]
    return to_image(rgb)


def camouflage(w, h, seed, colours):
    """Woodland camouflage: thresholded noise fields stacked in layers."""
    rgb = np.zeros((h, w, 3), np.float32)
    rgb[...] = rgba(colours[0])[:3]
    for k, colour in enumerate(colours[1:]):
        n = value_noise(w, h, 46 - k * 6, seed + k * 7, 3, 0.55)
        mask = n > 0.56 - k * 0.015
        rgb[mask] = rgba(colour)[:3]
    grain = value_noise(w, h, 2, seed + 99) - 0.5
    rgb += grain[..., None] * 16.0
    return to_image(rgb)


def fine_noise(w, h, seed, amount):
    """A faint grain layer (alpha) to break up flat gradients."""
    rng = np.random.default_rng(seed)
    n = rng.random((h, w), dtype=np.float32)
    a = np.round(np.abs(n - 0.5) * 2 * amount).astype(np.uint8)
    v = np.where(n > 0.5, 255, 0).astype(np.uint8)
    return Image.merge("RGBA", [Image.fromarray(v, "L")] * 3 + [Image.fromarray(a, "L")])


def gradient_image(w, h, top, bottom):
    return vertical_gradient(w, h, top, bottom)
