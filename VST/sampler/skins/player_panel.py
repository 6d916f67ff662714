"""The bank player's pictures: seven 593 x 242 backgrounds, one per UI
style (default, default Chinese, army, black, wood, metal, black wood),
each its own material under the same layout, plus the player's widget
strips and its About picture (300 x 200). The keys of the on-screen
keyboard are part of every background, on the keyboard widget's geometry
(84-pixel octaves of 12-pixel white keys, 9 x 38 black keys).
"""
import paint
import widgets as w
from layout import Labeller, Language, inflate
from paint import Vector, draw_text, font, over

WIDTH, HEIGHT = 593, 242


def at(x, y, fw, fh):
    return x, y, x + fw, y + fh


def digit(x, y, cells):
    return x, y, x + 7 * cells, y + 11


WIDGETS = {
    "panicButton": at(556, 21, 17, 17),
    "logoButton": at(11, 3, 77, 38),
    "upButton": at(393, 64, 12, 9),
    "downButton": at(393, 85, 12, 9),
    "volumeKnob": at(424, 58, 42, 42),
    "panKnob": at(477, 58, 42, 42),
    "sendKnob": at(530, 58, 42, 42),
    "attackKnob": at(412, 109, 42, 42),
    "decayKnob": at(455, 109, 42, 42),
    "sustainKnob": at(498, 109, 42, 42),
    "releaseKnob": at(541, 109, 42, 42),
    "voicesDisplay": digit(476, 8, 3),
    "attackDisplay": digit(420, 150, 4),
    "decayDisplay": digit(462, 150, 4),
    "sustainDisplay": digit(505, 150, 4),
    "releaseDisplay": digit(547, 150, 4),
    "channelDigit": digit(84, 84, 2),
    "outputDigit": digit(186, 84, 2),
    "layerDigit": digit(268, 84, 2),
    "bendDigit": digit(358, 84, 2),
    "midiLight": at(373, 65, 8, 8),
    "diskLight": at(540, 11, 7, 7),
    "leftMeter": at(438, 22, 116, 7),
    "rightMeter": at(438, 30, 116, 7),
    "nameDisplay": (91, 63, 364, 76),
    "pitchFader": at(15, 191, 11, 7 + 34),
    "modulationFader": at(35, 191, 11, 7 + 34),
    "keyboard": (64, 182, 579, 239),
    "logoPicture": (125, 0, 305, 45),
    "productPicture": (30, 110, 390, 160),
}

# The pictures may be absent or smaller than their boxes: labels keep off
# them all the same, but the background under them is ours to draw.
COVERED = {"logoPicture", "productPicture", "keyboard"}

TEXTS = {
    "instrument": ("Instrument", "乐器"),
    "midi": ("MIDI", "MIDI"),
    "channel": ("Channel", "通道"),
    "output": ("Output", "输出"),
    "layer": ("Layer", "层"),
    "bend": ("Bend", "弯音"),
    "volume": ("Volume", "音量"),
    "pan": ("Pan", "声像"),
    "reverb": ("Reverb", "混响"),
    "attack": ("Attack", "起音"),
    "decay": ("Decay", "衰减"),
    "sustain": ("Sustain", "延音"),
    "release": ("Release", "释音"),
    "voices": ("Voices", "复音"),
    "disk": ("Disk", "磁盘"),
    "panic": ("Panic", "急停"),
    "pitch": ("Bend", "弯音"),
    "mod": ("Mod", "调制"),
    "left": ("L", "L"),
    "right": ("R", "R"),
    "player": ("KORVO PLAYER", "KORVO PLAYER"),
}


class Style:
    def __init__(self, material, label, title, plate, recess=0xFF07090C, shadow=0x80000000, screws=False,
                 plate_edge=0x16FFFFFF):
        self.material, self.label, self.title, self.plate = material, label, title, plate
        self.recess, self.shadow, self.screws, self.plate_edge = recess, shadow, screws, plate_edge


def default_material():
    image = paint.blank(WIDTH, HEIGHT, 0xFF14181D)
    over(image, paint.fine_noise(WIDTH, HEIGHT, 21, 6))
    image.paste(paint.gradient_image(WIDTH, 46, 0xFF262C34, 0xFF171B20), (0, 0))
    return image


def black_material():
    image = paint.gradient_image(WIDTH, HEIGHT, 0xFF1A1B1D, 0xFF060607)
    # A fine carbon weave: alternating diagonal cells.
    v = paint.blank(WIDTH, HEIGHT)
    import numpy as np
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
    cell = ((x // 3 + y // 3) % 2).astype(np.float32)
    shade = (np.sin((x + y) * 0.9) * 0.5 + 0.5) * cell
    a = (shade * 20).astype(np.uint8)
    v = paint.Image.merge("RGBA", [paint.Image.fromarray(np.full((HEIGHT, WIDTH), 255, np.uint8), "L")] * 3
                          + [paint.Image.fromarray(a, "L")])
    over(image, v)
    sheen = paint.gradient_image(WIDTH, HEIGHT, 0x16FFFFFF, 0x00FFFFFF)
    over(image, sheen)
    return image


def army_material():
    return paint.camouflage(WIDTH, HEIGHT, 5, [0xFF5B6338, 0xFF3F4526, 0xFF7A6E4A, 0xFF26291A])


def wood_material():
    return paint.wood(WIDTH, HEIGHT, 8, 0xFFB8793F, 0xFF6E3C18)


def blackwood_material():
    return paint.wood(WIDTH, HEIGHT, 12, 0xFF4A3426, 0xFF120B07, grain=1.0)


def metal_material():
    return paint.brushed_metal(WIDTH, HEIGHT, 3)


STYLES = {
    "BACKGROUND": ("en", Style(default_material, 0xFF8E99A6, 0xFFFF9A52, (0xFF22282F, 0xFF1B2026, 255))),
    "BACKGROUNDCH": ("zh", Style(default_material, 0xFF8E99A6, 0xFFFF9A52, (0xFF22282F, 0xFF1B2026, 255))),
    "BACKGROUND_ARMY": ("en", Style(army_material, 0xFFE9E1BF, 0xFFF2C14E, (0xFF2B3019, 0xFF22260F, 215),
                                    recess=0xFF0C0E07, screws=True, plate_edge=0x20F0E6C0)),
    "BACKGROUND_BLACK": ("en", Style(black_material, 0xFFB9BEC4, 0xFFE8EAEC, (0xFF141517, 0xFF0B0B0C, 235),
                                     recess=0xFF000000, screws=True, plate_edge=0x18FFFFFF)),
    "BACKGROUND_WOOD": ("en", Style(wood_material, 0xFFF6EAD0, 0xFFFFD79A, (0xFF2A1A10, 0xFF1C1109, 200),
                                    recess=0xFF0E0804, plate_edge=0x24FFE6C0)),
    "BACKGROUND_METAL": ("en", Style(metal_material, 0xFF23272C, 0xFF8A2E0E, (0xFFC9CDD1, 0xFFA9AEB3, 0),
                                     recess=0xFF0B0D10, shadow=0x60FFFFFF, screws=True, plate_edge=0x50FFFFFF)),
    "BACKGROUND_BLACKWOOD": ("en", Style(blackwood_material, 0xFFE8DCC4, 0xFFE0B070,
                                         (0xFF0E0906, 0xFF080503, 190), recess=0xFF040302,
                                         plate_edge=0x1CFFE6C0)),
}

PLATES = [
    (8, 50, 404, 102),    # instrument name and its settings
    (406, 44, 587, 178),  # volume, pan, reverb and the envelope
    (8, 176, 58, 240),    # the two faders
]


def plate(image, box, style):
    top, bottom, alpha = style.plate
    if alpha == 0:  # metal: engraved outline instead of a plate
        v = Vector.around(box, 2)
        v.rect((box[0], box[1] + 1, box[2], box[3] + 1), outline=0x90FFFFFF, width=1, radius=4)
        v.rect(box, outline=0x50000000, width=1, radius=4)
        v.onto(image)
        return
    v = Vector.around(box, 6)
    v.rect(box, fill=0xFF000000, radius=5)
    over(image, paint.shadow(v.result(), 2.5, (0, 1), 0.5), v.ox, v.oy)
    v = Vector.around(box, 1)
    v.gradient_rect(box, paint.with_alpha(top, alpha), paint.with_alpha(bottom, alpha), 5)
    v.rect(box, outline=0x90000000, width=1, radius=5)
    v.rect((box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1), outline=style.plate_edge, width=1, radius=4)
    v.onto(image)


def screw(image, cx, cy, light):
    v = Vector.around((cx - 4, cy - 4, cx + 4, cy + 4), 1)
    v.ellipse(cx, cy + 0.5, 3.6, fill=0x70000000)
    v.gradient_ellipse(cx, cy, 3.2, 0xFFE0E3E6 if light else 0xFF7A7F85, 0xFF6A7076 if light else 0xFF2A2D31)
    v.line([(cx - 2.0, cy + 1.2), (cx + 2.0, cy - 1.2)], 0xFF2A2E33, 0.9)
    v.onto(image)


def keyboard(image):
    """Keys of notes 24..97 inside the keyboard's box, white keys full height,
    black keys 9 x 38 at the keyboard widget's offsets."""
    x0, y0, x1, y1 = WIDGETS["keyboard"]
    kw, kh = x1 - x0, y1 - y0
    paint.recess(image, (x0 - 3, y0 - 3, x1 + 3, y1 + 2), 3.0, fill=0xFF050607)
    v = Vector(kw, kh, (x0, y0))
    white_index = {0: 0, 2: 1, 4: 2, 5: 3, 7: 4, 9: 5, 11: 6}
    black_left = {1: 4, 3: 20, 6: 41, 8: 55, 10: 69}
    for i in range(74):
        o, s = divmod(i, 12)
        if s in white_index:
            x = x0 + 84 * o + 12 * white_index[s]
            right = min(x + 12, x1)
            v.gradient_rect((x, y0, right, y1), 0xFFDCDFE2, 0xFFFBFBFA, 1.2)
            v.rect((x, y1 - 3, right, y1), fill=0x18000000, radius=1)
            v.rect((right - 1, y0, right, y1), fill=0xFF9AA0A6)
    for i in range(74):
        o, s = divmod(i, 12)
        if s in black_left:
            x = x0 + 84 * o + black_left[s]
            right = min(x + 9, x1)
            v.rect((x - 0.5, y0, right + 0.5, y0 + 39), fill=0x80000000, radius=1.5)
            v.gradient_rect((x, y0, right, y0 + 38), 0xFF2A2E33, 0xFF0C0D0F, 1.5)
            v.rect((x + 1.5, y0 + 30, right - 1.5, y0 + 36), fill=0x24FFFFFF, radius=1)
    v.rect((x0, y0, x1, y0 + 2), fill=0x60000000)
    v.onto(image)


def background(name):
    code, style = STYLES[name]
    lang = Language(code, TEXTS)
    image = style.material()
    for box in PLATES:
        plate(image, box, style)
    if style.screws:
        for cx, cy in ((5, 5), (WIDTH - 6, 5), (5, HEIGHT - 6), (WIDTH - 6, HEIGHT - 6)):
            screw(image, cx, cy, name == "BACKGROUND_METAL")
    labelled = {k: r for k, r in WIDGETS.items()}
    lab = Labeller(image, labelled, lang)

    def put(fn, *args, **kw):
        kw.setdefault("colour", style.label)
        return fn(*args, **kw)

    W = WIDGETS
    # The library's product picture goes over this plate when it has one.
    product = W["productPicture"]
    paint.recess(image, inflate(product, 2, 2), 3.0, fill=paint.with_alpha(style.recess, 150))
    draw_text(image, (product[0] + product[2]) / 2.0, product[1] + 15, "KORVO PLAYER", font("light", 17),
              paint.with_alpha(style.label, 70), tracking=4.0, anchor="c")

    # Displays
    paint.recess(image, inflate(W["nameDisplay"], 4, 4), 2.5, fill=style.recess)
    put(lab.left_of, inflate(W["nameDisplay"], 4, 4), "instrument")
    for key, member in (("channel", "channelDigit"), ("output", "outputDigit"), ("layer", "layerDigit"),
                        ("bend", "bendDigit")):
        cell = inflate(W[member], 3, 2)
        paint.recess(image, cell, 2.0, fill=style.recess)
        put(lab.left_of, cell, key)
    paint.recess(image, inflate(W["midiLight"], 2, 2), 3.0, fill=style.recess)
    put(lab.above, inflate(W["midiLight"], 2, 2), "midi", size=7, gap=2)
    paint.recess(image, inflate(W["upButton"], 1, 1), 2.0, fill=style.recess)
    paint.recess(image, inflate(W["downButton"], 1, 1), 2.0, fill=style.recess)

    # Top right: voices, disk, panic, meters
    cell = inflate(W["voicesDisplay"], 3, 2)
    paint.recess(image, cell, 2.0, fill=style.recess)
    put(lab.left_of, cell, "voices", size=7)
    paint.recess(image, inflate(W["diskLight"], 2, 2), 3.0, fill=style.recess)
    put(lab.left_of, inflate(W["diskLight"], 2, 2), "disk", size=7)
    put(lab.above, W["panicButton"], "panic", size=7, gap=3)
    paint.recess(image, (436, 20, 556, 39), 2.0, fill=style.recess)
    put(lab.left_of, W["leftMeter"], "left", size=7, gap=5)
    put(lab.left_of, W["rightMeter"], "right", size=7, gap=5)

    # Knobs and the envelope's displays
    put(lab.above, W["volumeKnob"], "volume", gap=2, size=7 if code == "zh" else 8)
    put(lab.above, W["panKnob"], "pan", gap=2, size=7 if code == "zh" else 8)
    put(lab.above, W["sendKnob"], "reverb", gap=2, size=7 if code == "zh" else 8)
    for key in ("attack", "decay", "sustain", "release"):
        cell = inflate(W[f"{key}Display"], 3, 2)
        paint.recess(image, cell, 2.0, fill=style.recess)
        knob = W[f"{key}Knob"]
        put(lab.below, (knob[0], cell[1], knob[2], cell[3]), key, gap=2, size=7 if code == "zh" else 8)

    # Faders: engraved slots the thumbs run in.
    for key, member in (("pitch", "pitchFader"), ("mod", "modulationFader")):
        x0, y0, x1, y1 = W[member]
        cx = (x0 + x1) / 2.0
        paint.recess(image, (cx - 1.5, y0 + 1, cx + 1.5, y1 - 1), 1.5, fill=style.recess)
        v = Vector.around((x0 - 3, y0, x1 + 3, y1), 1)
        for k in range(5):
            y = y0 + 3.5 + k * 34 / 4.0
            v.rect((x1 + 0.5, y - 0.4, x1 + 3, y + 0.4), fill=paint.with_alpha(style.label, 110))
        v.onto(image)
        put(lab.above, W[member], key, size=7, gap=2, f=font("condbold", 7) if code == "en" else font("cjk", 9))

    keyboard(image)
    lab.check()
    return image.convert("RGB").convert("RGBA")


def about():
    image = paint.blank(300, 200, 0xFF181C21)
    over(image, paint.fine_noise(300, 200, 17, 5))
    v = Vector(300, 200)
    w.emblem(v, 150, 56, 26, w.AMBER)
    v.onto(image)
    draw_text(image, 150, 96, "KORVO PLAYER", font("bold", 17), 0xFFEEF1F4, tracking=2.0, anchor="c",
              shadow_colour=0x90000000)
    y = 124
    for s, colour, f in (("Sound library player, VST 2 instrument", 0xFFB8C0C8, font("sans", 10)),
                         ("Made with Korvo Sampler", 0xFF8E99A6, font("sans", 9)),
                         ("\u00a9 Tellurand", 0xFF8E99A6, font("sans", 9))):
        draw_text(image, 150, y, s, f, colour, anchor="c")
        y += 18
    return image.convert("RGB").convert("RGBA")


def images():
    out = {name: background(name) for name in STYLES}
    out.update({
        "KNOB": w.knob_strip(42, w.AMBER),
        "KNOBPAN": w.knob_strip(42, w.AMBER, bipolar=True),
        "DIGIT": w.digits(),
        "METER": w.meter(),
        "DISKLED": w.led(7, 0xFFFFB030, 0xFF4A3A20),
        "BTN_PANIC": w.panic_button(),
        "MIDILED": w.led(8, w.GREEN, 0xFF1F3A27),
        "BTN_LOGO": w.logo_button(),
        "BTN_UP": w.arrow_button(12, 9, up=True),
        "BTN_DOWN": w.arrow_button(12, 9, up=False),
        "HANDLE": w.fader_thumb(11, 7),
        "ABOUT": about(),
    })
    return out
