"""The film strips the widgets draw: knobs, buttons, switches, lamps, the
level meter, the digit glyphs, fader thumbs and the progress bar. One look
for both plug-ins and every material: dark hardware with an orange accent
for amplitude and a blue one for the filter.
"""
import functools

import paint
from paint import Vector, draw_text, font, over, polar

AMBER = 0xFFFF8B3D
BLUE = 0xFF5EC4F6
GREEN = 0xFF46E07A
LABEL = 0xFFDDE3E9
LCD = 0xFF9ADCFF

KNOB_FRAMES = 61
SWEEP = 135.0  # degrees each side of twelve o'clock


def strip(frames, vertical=False):
    """Frames of one size side by side, or top to bottom."""
    w, h = frames[0].size
    out = paint.blank(w * (1 if vertical else len(frames)), h * (len(frames) if vertical else 1))
    for k, f in enumerate(frames):
        out.paste(f, (0, k * h) if vertical else (k * w, 0))
    return out


def knob_frame(size, value, accent, bipolar):
    """One knob: a body with a pointer inside a track arc lit from the
    arc's start (or its centre, for a bipolar knob) to the value."""
    s = size
    c = s / 2.0
    big = s >= 30
    track_r = c - (1.6 if big else 1.0)
    track_w = 2.6 if big else 1.6
    body_r = c - (6.8 if big else 3.6)
    angle = -SWEEP + 2 * SWEEP * value

    v = Vector(s, s)
    v.arc(c, c, track_r, -SWEEP, SWEEP, 0xFF262C34, track_w)
    origin = 0.0 if bipolar else -SWEEP
    lo, hi = min(origin, angle), max(origin, angle)
    if hi - lo > 0.5:
        v.arc(c, c, track_r, lo, hi, accent, track_w)
    elif bipolar:
        px, py = polar(c, c, track_r - track_w / 2, 0.0)
        v.ellipse(px, py, track_w / 2, fill=accent)
    ring = v.result()

    body = Vector(s, s)
    body.ellipse(c, c + (1.0 if big else 0.6), body_r + 0.6, fill=0xFF000000)
    shade = paint.shadow(body.result(), 1.6 if big else 0.8, (0, 1), 0.7)
    body = Vector(s, s)
    body.gradient_ellipse(c, c, body_r, 0xFF5A646F, 0xFF1C2127)
    body.gradient_ellipse(c, c, body_r - (1.6 if big else 1.0), 0xFF3A424C, 0xFF252B32)
    body.arc(c, c, body_r - 0.4, -50, 50, 0x30FFFFFF, 0.8)
    inner, outer = (body_r * 0.32, body_r - 2.2) if big else (body_r * 0.15, body_r - 1.1)
    p0, p1 = polar(c, c, inner, angle), polar(c, c, outer, angle)
    body.line([p0, p1], 0xFFF4F6F8, 2.3 if big else 1.5)
    out = paint.blank(s, s)
    over(out, shade)
    over(out, ring)
    over(out, body.result())
    return out


@functools.lru_cache(maxsize=None)
def knob_strip(size, accent, bipolar=False):
    frames = [knob_frame(size, k / (KNOB_FRAMES - 1.0), accent, bipolar) for k in range(KNOB_FRAMES)]
    return strip(frames, vertical=True)


def button_frame(w, h, label, state, label_font=None, accent=AMBER, radius=3.0, lines=None, tint=None):
    """A push button: raised face (normal, hover) or sunk face (pressed)
    with its label; lines gives a two-line label."""
    v = Vector(w, h)
    v.rect((0, 0, w, h), fill=0xFF07080A, radius=radius)
    if state == "pressed":
        v.gradient_rect((1, 1, w - 1, h - 1), 0xFF1A1E23, 0xFF262B31, radius - 1)
    else:
        top, bottom = (0xFF4A535E, 0xFF2E343C) if state == "hover" else (0xFF3E4651, 0xFF272C33)
        if tint is not None:
            top, bottom = paint.mix(top, tint, 0.35), paint.mix(bottom, tint, 0.3)
        v.gradient_rect((1, 1, w - 1, h - 1), top, bottom, radius - 1)
        v.rect((2, 1, w - 2, 2), fill=0x28FFFFFF, radius=0.5)
    img = v.result()
    colour = accent if state == "pressed" else (0xFFFFFFFF if state == "hover" else LABEL)
    dy = 1 if state == "pressed" else 0
    f = label_font or font("condbold", 9)
    texts = lines or [label]
    line_h = f.getmetrics()[0] + f.getmetrics()[1] - 1
    total = line_h * len(texts)
    y = (h - total) / 2.0 + dy - 0.5
    for t in texts:
        top_pad = f.getbbox("A")[1]
        draw_text(img, w / 2.0, round(y - top_pad / 2.0), t, f, colour, tracking=0.4, anchor="c",
                  shadow_colour=0x90000000 if state != "pressed" else None)
        y += line_h
    return img


def button(w, h, label, hover=False, **kw):
    states = ["normal", "pressed"] + (["hover"] if hover else [])
    return strip([button_frame(w, h, label, s, **kw) for s in states])


def icon_button(w, h, draw_icon, hover=False):
    """A push button whose face carries a drawn icon instead of a label."""
    frames = []
    for state in ["normal", "pressed"] + (["hover"] if hover else []):
        img = button_frame(w, h, "", state)
        v = Vector(w, h)
        draw_icon(v, state)
        over(img, v.result())
        frames.append(img)
    return strip(frames)


@functools.lru_cache(maxsize=None)
def panic_button(size=17):
    """A round red stop button: normal, pressed."""
    frames = []
    for pressed in (False, True):
        c = size / 2.0
        v = Vector(size, size)
        v.ellipse(c, c, c, fill=0xFF07080A)
        if pressed:
            v.gradient_ellipse(c, c, c - 1, 0xFF6A1710, 0xFF9A2A1C)
        else:
            v.gradient_ellipse(c, c, c - 1, 0xFFE8553F, 0xFF9E2617)
            v.arc(c, c, c - 1.6, -55, 55, 0x50FFFFFF, 0.9)
        s = 3.0
        d = 1 if pressed else 0
        v.rect((c - s, c - s + d, c + s, c + s + d), fill=0xFFFFE9E2 if not pressed else 0xFFFFB8A8, radius=0.8)
        frames.append(v.result())
    return strip(frames)


def power_toggle(size=20, accent=AMBER):
    """An on/off switch with a power symbol: off, on."""
    frames = []
    for on in (False, True):
        c = size / 2.0
        v = Vector(size, size)
        v.rect((0, 0, size, size), fill=0xFF07080A, radius=4)
        v.gradient_rect((1, 1, size - 1, size - 1), 0xFF3A424C, 0xFF252A31, 3)
        colour = accent if on else 0xFF7D8792
        if on:
            v.ellipse(c, c, 6.6, fill=paint.with_alpha(accent, 50))
        v.arc(c, c + 0.5, 5.0, 35, 325, colour, 1.6)
        v.line([(c, c - 5.5), (c, c - 0.8)], colour, 1.6)
        frames.append(v.result())
    return strip(frames)


def square_toggle(size=8, accent=AMBER):
    """The slot selector: off, on."""
    frames = []
    for on in (False, True):
        v = Vector(size, size)
        v.rect((0, 0, size, size), fill=0xFF06070A, radius=1.6)
        if on:
            v.gradient_rect((1, 1, size - 1, size - 1), 0xFFFFB27A, accent, 1.0)
        else:
            v.gradient_rect((1, 1, size - 1, size - 1), 0xFF3A414A, 0xFF2A3037, 1.0)
        frames.append(v.result())
    return strip(frames)


def check_box(size=14, accent=AMBER):
    """A check box: off, on."""
    frames = []
    for on in (False, True):
        v = Vector(size, size)
        v.rect((0, 0, size, size), fill=0xFF06070A, radius=2.5)
        v.gradient_rect((1, 1, size - 1, size - 1), 0xFF2A3037 if not on else 0xFF3A2A1E,
                        0xFF1D2227 if not on else 0xFF2A1F17, 2)
        if on:
            v.line([(3.6, 7.4), (5.9, 9.8), (10.6, 4.2)], accent, 1.9)
        frames.append(v.result())
    return strip(frames)


@functools.lru_cache(maxsize=None)
def led(size, colour, dim):
    """A lamp: off, on."""
    frames = []
    for on in (False, True):
        c = size / 2.0
        v = Vector(size, size)
        if on:
            v.ellipse(c, c, c, fill=paint.with_alpha(colour, 70))
        v.ellipse(c, c, c - 0.6, fill=0xFF050607)
        v.gradient_ellipse(c, c, c - 1.4, paint.mix(colour, 0xFFFFFFFF, 0.45) if on else dim,
                           colour if on else paint.mix(dim, 0xFF000000, 0.4))
        v.ellipse(c - 0.9, c - 0.9, max(0.6, size / 9.0), fill=0xB0FFFFFF if on else 0x30FFFFFF)
        frames.append(v.result())
    return strip(frames)


@functools.lru_cache(maxsize=None)
def meter(w=116, h=7):
    """The level meter: unlit, lit (green to amber to red segments)."""
    frames = []
    segments = w // 4
    for lit in (False, True):
        v = Vector(w, h)
        v.rect((0, 0, w, h), fill=0xFF06080A, radius=1.0)
        for k in range(segments):
            t = k / (segments - 1.0)
            if t < 0.7:
                colour = paint.mix(0xFF35D46A, 0xFFB8E04A, t / 0.7)
            elif t < 0.88:
                colour = paint.mix(0xFFF2D23A, 0xFFFF9A2E, (t - 0.7) / 0.18)
            else:
                colour = 0xFFFF4A38
            x = 1 + k * 4
            v.rect((x, 1, x + 3, h - 1), fill=colour if lit else 0xFF1B2027, radius=0.4)
        frames.append(v.result())
    return strip(frames)


GLYPHS = " 0123456789-+"  # the digit display's order: blank, 0-9, minus, plus


@functools.lru_cache(maxsize=None)
def digits(colour=LCD):
    """13 glyphs of 7 x 11 on transparent cells, drawn crisp (no scaling)."""
    f = font("mono", 11)
    frames = []
    for ch in GLYPHS:
        cell = paint.blank(7, 11)
        if ch != " ":
            glow = paint.blank(7, 11)
            draw_text(glow, 3.5, -1, ch, f, paint.with_alpha(colour, 255), anchor="c")
            over(cell, paint.shadow(glow, 0.8, (0, 0), 0.0))
            draw_text(cell, 3.5, -1, ch, f, colour, anchor="c")
        frames.append(cell)
    return strip(frames)


def fader_thumb(w, h):
    v = Vector(w, h)
    v.rect((0, 0, w, h), fill=0xFF07080A, radius=1.5)
    v.gradient_rect((0.8, 0.8, w - 0.8, h - 0.8), 0xFFE2E6EA, 0xFF8C949C, 1.2)
    v.rect((1.5, h / 2.0 - 0.5, w - 1.5, h / 2.0 + 0.5), fill=AMBER)
    return v.result()


def scroll_thumb(w=6, h=23):
    v = Vector(w, h)
    v.rect((0, 0, w, h), fill=0xFF07080A, radius=2.5)
    v.gradient_rect((0.8, 0.8, w - 0.8, h - 0.8), 0xFF9AA4AE, 0xFF5D6670, 2)
    for k in (-3, 0, 3):
        v.rect((1.5, h / 2.0 + k - 0.4, w - 1.5, h / 2.0 + k + 0.4), fill=0xFF2C3238)
    return v.result()


def progress(w=288, h=12):
    """The export progress bar: unlit track, lit bar."""
    frames = []
    for lit in (False, True):
        v = Vector(w, h)
        v.rect((0, 0, w, h), fill=0xFF06080A, radius=3)
        if lit:
            v.gradient_rect((1, 1, w - 1, h - 1), 0xFFFFB27A, 0xFFE8641E, 2)
            v.rect((2, 1.5, w - 2, 3.5), fill=0x40FFFFFF, radius=1)
        else:
            v.gradient_rect((1, 1, w - 1, h - 1), 0xFF161A1F, 0xFF20262C, 2)
        frames.append(v.result())
    return strip(frames)


def arrow_button(w, h, up):
    """A small step button with an arrow: normal, pressed."""
    frames = []
    for pressed in (False, True):
        v = Vector(w, h)
        v.rect((0, 0, w, h), fill=0xFF07080A, radius=1.5)
        v.gradient_rect((0.8, 0.8, w - 0.8, h - 0.8), 0xFF3E4651 if not pressed else 0xFF1A1E23,
                        0xFF272C33 if not pressed else 0xFF262B31, 1)
        colour = AMBER if pressed else LABEL
        cx, cy = w / 2.0, h / 2.0
        if up:
            v.polygon([(cx - 3, cy + 1.6), (cx + 3, cy + 1.6), (cx, cy - 1.8)], colour)
        else:
            v.polygon([(cx - 3, cy - 1.6), (cx + 3, cy - 1.6), (cx, cy + 1.8)], colour)
        frames.append(v.result())
    return strip(frames)


def emblem(v, cx, cy, r, colour, glow=False):
    """The Korvo mark: a ring broken by a sound wave."""
    if glow:
        v.ellipse(cx, cy, r + 2.2, fill=paint.with_alpha(colour, 40))
    v.arc(cx, cy, r, 40, 320, colour, 2.4)
    pts = []
    for k in range(29):
        t = k / 28.0
        x = cx - r * 0.55 + t * r * 1.55
        env = (1.0 - abs(t - 0.45) * 1.8)
        pts.append((x, cy - max(0.0, env) * r * 0.55 * (1 if k % 2 else -1) * 0.9))
    v.line(pts, colour, 1.5)


@functools.lru_cache(maxsize=None)
def logo_button():
    """The About button: the mark and the word "korvo"; normal, pressed,
    hover."""
    frames = []
    for state in ("normal", "pressed", "hover"):
        img = paint.blank(77, 38)
        v = Vector(77, 38)
        # A faint plate: the button's extent, lit under the pointer.
        plate = {"normal": 0x40000000, "pressed": 0x90000000, "hover": 0x38FFFFFF}[state]
        v.rect((0, 0, 77, 38), fill=plate, radius=6)
        v.rect((0, 0, 77, 38), outline=0x18FFFFFF, width=1, radius=6)
        dy = 1 if state == "pressed" else 0
        colour = {"normal": AMBER, "pressed": 0xFFC9642A, "hover": 0xFFFFA766}[state]
        emblem(v, 17, 19 + dy, 9.5, colour, glow=state == "hover")
        over(img, v.result())
        word = {"normal": 0xFFEEF1F4, "pressed": 0xFFB8BEC6, "hover": 0xFFFFFFFF}[state]
        draw_text(img, 31, 10 + dy, "korvo", font("bold", 14), word, tracking=0)
        frames.append(img)
    return strip(frames)
