"""The sampler editor's background (820 x 610): section panels, the boxes
the combos and text fields draw into, the dark cells behind the digit
fields, the zone map's key columns and key strip, and a label for every
control. The widget rectangles are the editor's layout; every label is
placed from them.
"""
import paint
import widgets as w
from layout import Labeller, Language, TITLE_COLOUR, inflate
from paint import Vector, draw_text, font, over

WIDTH, HEIGHT = 820, 610
COMBO_H = 16  # the editor font's height plus 4


def at(x, y, fw, fh):
    return x, y, x + fw, y + fh


def digit(x, y, cells):
    return x, y, x + 7 * cells, y + 11


def combo(x, y, cw):
    return x, y, x + cw, y + COMBO_H


KNOB, SMALL = 42, 21

WIDGETS = {
    # Top bar
    "aboutButton": at(11, 3, 77, 38),
    "newButton": at(367, 3, 63, 19),
    "openButton": at(367, 23, 63, 19),
    "saveButton": at(435, 3, 63, 19),
    "saveAsButton": at(435, 23, 63, 19),
    "exportButton": at(503, 8, 63, 29),
    "optionsButton": at(571, 8, 63, 29),
    "leftMeter": at(662, 21, 116, 7),
    "rightMeter": at(662, 29, 116, 7),
    "voicesDigit": digit(702, 9, 3),
    "diskLed": at(767, 11, 7, 7),
    "panicButton": at(780, 20, 17, 17),
    "saveInstrumentButton": at(757, 47, 22, 20),
    "loadInstrumentButton": at(780, 47, 22, 20),
    # Instrument strip
    "nameText": (67, 72, 147, 85),
    "channelCombo": combo(210, 70, 45),
    "outputCombo": combo(325, 70, 45),
    "bendRangeCombo": combo(404, 70, 45),
    "volumeKnob": at(468, 55, KNOB, KNOB),
    "panKnob": at(522, 55, KNOB, KNOB),
    "settingsButton": at(570, 54, 67, 36),
    "layerCombo": combo(446, 106, 135),
    "renameLayerButton": at(584, 102, 51, 22),
    # Instrument slots
    "instrumentList": (677, 72, 800, 315),
    **{f"slotToggles[{i}]": at(665, 75 + 15 * i, 8, 8) for i in range(16)},
    **{f"midiLeds[{i}]": at(788, 75 + 15 * i, 8, 8) for i in range(16)},
    # Zone map
    "zoneMap": (20, 135, 637, 333),
    # Selected zone
    "zoneText": (74, 350, 212, 365),
    "rootKeyDigit": digit(247, 351, 3),
    "keyLowDigit": digit(320, 351, 3),
    "keyHighDigit": digit(390, 351, 3),
    "velocityLowDigit": digit(458, 351, 3),
    "velocityHighDigit": digit(525, 351, 3),
    "groupDigit": digit(618, 351, 2),
    "zoneVolumeDigit": digit(58, 369, 3),
    "zonePanDigit": digit(145, 369, 3),
    "coarseTuneDigit": digit(245, 369, 3),
    "fineTuneDigit": digit(320, 369, 4),
    "keyTrackingCombo": combo(427, 367, 45),
    "releaseTriggerCombo": combo(587, 367, 45),
    # Waveform and play positions
    "waveView": (21, 386, 638, 479),
    "sampleStartDigit": digit(58, 483, 8),
    "sampleEndDigit": digit(163, 483, 8),
    "loopModeCombo": combo(310, 481, 45),
    "loopStartDigit": digit(440, 483, 8),
    "loopEndDigit": digit(576, 483, 8),
    # Envelopes, filter and reverb
    "ampAttackKnob": at(58, 507, KNOB, KNOB),
    "ampDecayKnob": at(159, 507, KNOB, KNOB),
    "ampSustainKnob": at(260, 507, KNOB, KNOB),
    "ampReleaseKnob": at(361, 507, KNOB, KNOB),
    "ampAttackDigit": digit(107, 530, 4),
    "ampDecayDigit": digit(207, 530, 4),
    "ampSustainDigit": digit(308, 530, 4),
    "ampReleaseDigit": digit(408, 530, 4),
    "filterAttackKnob": at(58, 554, KNOB, KNOB),
    "filterDecayKnob": at(159, 554, KNOB, KNOB),
    "filterSustainKnob": at(260, 554, KNOB, KNOB),
    "filterReleaseKnob": at(361, 554, KNOB, KNOB),
    "filterAttackDigit": digit(107, 577, 4),
    "filterDecayDigit": digit(207, 577, 4),
    "filterSustainDigit": digit(308, 577, 3),
    "filterReleaseDigit": digit(408, 577, 4),
    "reverbSendKnob": at(489, 507, KNOB, KNOB),
    "reverbToggle": at(469, 530, 20, 20),
    "reverbSendDigit": digit(542, 530, 3),
    "cutoffKnob": at(489, 553, KNOB, KNOB),
    "resonanceKnob": at(538, 553, KNOB, KNOB),
    "keyToCutoffKnob": at(588, 555, SMALL, SMALL),
    "velocityToCutoffKnob": at(588, 574, SMALL, SMALL),
    "reverbSizeKnob": at(587, 508, SMALL, SMALL),
    "reverbDampKnob": at(587, 526, SMALL, SMALL),
    # Sample browser
    "browseButton": at(753, 320, 51, 22),
    "sampleList": (662, 348, 792, 590),
    "sampleScroll": (793, 348, 799, 348 + 23 + 216),
}

# The zone map's plane and key strip (keys 21..108, 7 pixels each).
MAP_LEFT, MAP_TOP, MAP_RIGHT, MAP_BOTTOM = WIDGETS["zoneMap"]
PLANE_H = 167
KEY_W = 7
BLACK = {1, 3, 6, 8, 10}

TEXTS = {
    "tagline": ("Sampling instrument", "VST 采样音源"),
    "voices": ("Voices", "复音"),
    "disk": ("Disk", "磁盘"),
    "panic": ("Panic", "急停"),
    "left": ("L", "L"),
    "right": ("R", "R"),
    "instrument": ("Instrument", "乐器"),
    "name": ("Name", "名称"),
    "channel": ("MIDI Ch", "通道"),
    "output": ("Output", "输出"),
    "bend": ("Bend", "弯音"),
    "volume": ("Volume", "音量"),
    "pan": ("Pan", "声像"),
    "layer": ("Layer", "层"),
    "instruments": ("Instruments", "乐器列表"),
    "samples": ("Samples", "采样"),
    "zone": ("Zone", "区域"),
    "root": ("Root", "根音"),
    "keyLow": ("Lo key", "低键"),
    "keyHigh": ("Hi key", "高键"),
    "velLow": ("Lo vel", "低力度"),
    "velHigh": ("Hi vel", "高力度"),
    "group": ("Group", "组"),
    "coarse": ("Coarse", "粗调"),
    "fine": ("Fine", "微调"),
    "keyTrack": ("Key track", "键位跟踪"),
    "releaseTrigger": ("Release trigger", "释放触发"),
    "start": ("Start", "起点"),
    "end": ("End", "终点"),
    "loopMode": ("Loop mode", "循环模式"),
    "loopStart": ("Loop start", "循环起点"),
    "loopEnd": ("Loop end", "循环终点"),
    "ampEnv": ("Amp env", "音量包络"),
    "filterEnv": ("Filter env", "滤波包络"),
    "attack": ("Attack", "起音"),
    "decay": ("Decay", "衰减"),
    "sustain": ("Sustain", "延音"),
    "release": ("Release", "释音"),
    "reverb": ("Reverb", "混响"),
    "send": ("Send", "发送"),
    "on": ("On", "开"),
    "size": ("Size", "大小"),
    "damp": ("Damp", "阻尼"),
    "filter": ("Filter", "滤波"),
    "cutoff": ("Cutoff", "截止"),
    "resonance": ("Res", "共振"),
    "keyToCutoff": ("Key", "键位"),
    "velToCutoff": ("Vel", "力度"),
    "zones": ("Velocity", "力度"),
}

BASE = 0xFF14181D
PANEL_TOP, PANEL_BOTTOM = 0xFF22282F, 0xFF1B2026
SECTIONS = [
    (12, 45, 641, 129),   # instrument strip
    (12, 131, 641, 338),  # zone map
    (12, 340, 641, 500),  # selected zone and its waveform
    (12, 502, 641, 607),  # envelopes, filter, reverb
    (646, 46, 810, 607),  # instrument slots and sample browser
]


def dark_combo_box(image, rect):
    box = inflate(rect, 2, 2)
    paint.recess(image, box, 2.5)
    x, y, x1, y1 = rect
    paint.combo_arrow(image, x, y, x1 - x, y1 - y, 0xFFAEB8C2, divider=0x30FFFFFF)


def light_combo_box(image, rect):
    box = inflate(rect, 1, 1)
    paint.light_field(image, box, 2.5)
    x, y, x1, y1 = rect
    paint.combo_arrow(image, x, y, x1 - x, y1 - y, 0xFF3A4552, divider=0x40000000)


def digit_cell(image, rect):
    paint.recess(image, inflate(rect, 3, 2), 2.0, fill=0xFF070A0D)


def header(image, lang):
    band = paint.gradient_image(WIDTH, 44, 0xFF262C34, 0xFF171B20)
    image.paste(band, (0, 0))
    v = Vector(WIDTH, 4, (0, 42))
    v.rect((0, 43, WIDTH, 44), fill=0xFF07090B)
    v.rect((0, 44, WIDTH, 45), fill=0x12FFFFFF)
    v.onto(image)


def title(image, lang, lab):
    """The product name beside the logo button."""
    if lang.code == "en":
        draw_text(image, 96, 4, "SAMPLER", font("light", 21), 0xFFE9EDF1, tracking=3.0)
    else:
        draw_text(image, 96, 4, "SAMPLER", font("light", 21), 0xFFE9EDF1, tracking=3.0)
    f = lang.label_font(8)
    draw_text(image, 98, 30, lang.caps(lang.text("tagline")), f, 0xFFFF9A52, tracking=lang.tracking() + 0.6)


def zone_map(image, lang, lab):
    """Key columns on the velocity plane, velocity lines, octave names and
    the 88-key strip, all on the widget's 7-pixel key grid."""
    x0, y0 = MAP_LEFT, MAP_TOP
    strip_top = y0 + PLANE_H
    paint.recess(image, (x0 - 2, y0 - 2, MAP_RIGHT + 2, MAP_BOTTOM + 2), 3.0, fill=0xFF0C1014)
    v = Vector.around(WIDGETS["zoneMap"], 1)
    v.gradient_rect((x0, y0, MAP_RIGHT, strip_top), 0xFF10151B, 0xFF0C1015)
    for k in range(21, 109):
        cx = x0 + (k - 21) * KEY_W
        if k % 12 in BLACK:
            v.rect((cx, y0, cx + KEY_W, strip_top), fill=0x50000000)
        if k % 12 == 0:
            v.rect((cx, y0, cx + 1, strip_top), fill=0xFF27303A)
        elif k % 12 == 5:
            v.rect((cx, y0, cx + 1, strip_top), fill=0xFF1A2129)
    for vel in (32, 64, 96):
        y = y0 + int(PLANE_H - vel * (PLANE_H / 127.0))
        for xx in range(x0, MAP_RIGHT, 6):
            v.rect((xx, y, xx + 3, y + 1), fill=0x1CFFFFFF)
    # Key strip: white and black keys, one column per key.
    v.rect((x0, strip_top, MAP_RIGHT, MAP_BOTTOM), fill=0xFF07090B)
    for k in range(21, 109):
        cx = x0 + (k - 21) * KEY_W
        if k % 12 in BLACK:
            v.gradient_rect((cx, strip_top, cx + KEY_W, MAP_BOTTOM), 0xFF2A3038, 0xFF15191E)
            v.rect((cx + 1, MAP_BOTTOM - 3, cx + KEY_W - 1, MAP_BOTTOM - 1), fill=0x28FFFFFF)
        else:
            v.gradient_rect((cx, strip_top, cx + KEY_W, MAP_BOTTOM), 0xFFC4CAD0, 0xFFEEF1F3)
            v.rect((cx + KEY_W - 1, strip_top, cx + KEY_W, MAP_BOTTOM), fill=0xFF8D959D)
    v.rect((x0, strip_top, MAP_RIGHT, strip_top + 2), fill=0x70000000)
    v.onto(image)
    # Octave names above the C keys (C4 = MIDI note 60).
    f = font("condbold", 7)
    for k in range(24, 109, 12):
        cx = x0 + (k - 21) * KEY_W
        draw_text(image, cx + 2, strip_top - 10, f"C{k // 12 - 1}", f, 0xFF5F6B78)


def instrument_strip(image, lang, lab):
    W = WIDGETS
    lab.put(22, 50, "instrument", size=8, colour=TITLE_COLOUR)
    paint.recess(image, inflate(W["nameText"], 3, 3), 2.5)
    lab.left_of(inflate(W["nameText"], 3, 3), "name")
    for key, member in (("channel", "channelCombo"), ("output", "outputCombo"), ("bend", "bendRangeCombo")):
        dark_combo_box(image, W[member])
        lab.left_of(inflate(W[member], 2, 2), key)
    dark_combo_box(image, W["layerCombo"])
    lab.left_of(inflate(W["layerCombo"], 2, 2), "layer")
    lab.above(W["volumeKnob"], "volume", gap=2, size=7 if lang.code == "zh" else 8)
    lab.above(W["panKnob"], "pan", gap=2, size=7 if lang.code == "zh" else 8)


def slots(image, lang, lab):
    W = WIDGETS
    lab.put(662, 52, "instruments", colour=TITLE_COLOUR)
    box = (662, 70, 805, 316)
    paint.recess(image, box, 3.0, fill=0xFF0C1014)
    v = Vector.around(box, 1)
    for i in range(16):
        y = 72 + 15 * i
        if i % 2:
            v.rect((box[0] + 1, y, box[2] - 1, y + 15), fill=0x0CFFFFFF)
    v.onto(image)
    f = font("condbold", 8)
    for i in range(16):
        t = W[f"slotToggles[{i}]"]
        lab.put(660, t[1] - 1, None, anchor="r", raw=str(i + 1), f=f, colour=0xFF6C7784, tracking=0)


def browser(image, lang, lab):
    W = WIDGETS
    v = Vector.around((652, 318, 804, 320), 1)
    v.rect((652, 318, 804, 319), fill=0xFF0A0C0F)
    v.rect((652, 319, 804, 320), fill=0x10FFFFFF)
    v.onto(image)
    lab.put(662, 326, "samples", colour=TITLE_COLOUR)
    paint.recess(image, (659, 345, 805, 594), 3.0, fill=0xFF0C1014)
    paint.recess(image, (793, 348, 800, 587), 2.0, fill=0xFF050709)


def top_bar(image, lang, lab):
    W = WIDGETS
    small = 7
    paint.recess(image, (659, 19, 781, 38), 2.0, fill=0xFF06080A)
    lab.left_of(W["leftMeter"], "left", gap=6, size=small)
    lab.left_of(W["rightMeter"], "right", gap=6, size=small)
    digit_cell(image, W["voicesDigit"])
    lab.left_of(inflate(W["voicesDigit"], 3, 2), "voices", size=small)
    paint.recess(image, inflate(W["diskLed"], 2, 2), 3.0, fill=0xFF06080A)
    lab.left_of(inflate(W["diskLed"], 2, 2), "disk", size=small)
    lab.above(W["panicButton"], "panic", gap=3, size=small)


def zone_fields(image, lang, lab):
    W = WIDGETS
    paint.recess(image, inflate(W["zoneText"], 3, 2), 2.5)
    lab.left_of(inflate(W["zoneText"], 3, 2), "zone")
    for key, member in (("root", "rootKeyDigit"), ("keyLow", "keyLowDigit"), ("keyHigh", "keyHighDigit"),
                        ("velLow", "velocityLowDigit"), ("velHigh", "velocityHighDigit"), ("group", "groupDigit"),
                        ("volume", "zoneVolumeDigit"), ("pan", "zonePanDigit"), ("coarse", "coarseTuneDigit"),
                        ("fine", "fineTuneDigit"), ("start", "sampleStartDigit"), ("end", "sampleEndDigit"),
                        ("loopStart", "loopStartDigit"), ("loopEnd", "loopEndDigit")):
        digit_cell(image, W[member])
        lab.left_of(inflate(W[member], 3, 2), key)
    for key, member in (("keyTrack", "keyTrackingCombo"), ("releaseTrigger", "releaseTriggerCombo"),
                        ("loopMode", "loopModeCombo")):
        light_combo_box(image, W[member])
        lab.left_of(inflate(W[member], 1, 1), key)
    # The waveform's screen: a centre line and a faint time grid.
    x0, y0, x1, y1 = W["waveView"]
    paint.recess(image, (x0 - 1, y0 - 1, x1 + 1, y1 + 1), 2.5, fill=0xFF0A0E12)
    v = Vector.around(W["waveView"], 1)
    mid = (y0 + y1) // 2
    for xx in range(x0 + 40, x1, 40):
        v.rect((xx, y0 + 2, xx + 1, y1 - 2), fill=0x0EFFFFFF)
    v.rect((x0 + 1, mid, x1 - 1, mid + 1), fill=0x26FFFFFF)
    v.onto(image)


def envelopes(image, lang, lab):
    W = WIDGETS
    rows = (("ampEnv", "amp", ("attack", "decay", "sustain", "release"), ("ms", "ms", "dB", "ms")),
            ("filterEnv", "filter", ("attack", "decay", "sustain", "release"), ("ms", "ms", "%", "ms")))
    for title_key, prefix, keys, units in rows:
        knob = W[f"{prefix}AttackKnob"]
        lab.vertical(28, (knob[1] + knob[3]) / 2.0, title_key)
        for key, unit in zip(keys, units):
            member = f"{prefix}{key[0].upper()}{key[1:]}Digit"
            cell = inflate(W[member], 3, 2)
            digit_cell(image, W[member])
            lab.above((cell[0], cell[1], cell[0] + 1, cell[3]), key, gap=3, anchor="l")
            lab.right_of(cell, None, gap=2, raw=unit, f=font("cond", 8), colour=0xFF6C7784, tracking=0)
    # Reverb
    knob = W["reverbSendKnob"]
    lab.vertical(461, (knob[1] + knob[3]) / 2.0, "reverb")
    cell = inflate(W["reverbSendDigit"], 3, 2)
    digit_cell(image, W["reverbSendDigit"])
    lab.above((cell[0], cell[1], cell[0] + 1, cell[3]), "send", gap=3, anchor="l")
    lab.above(W["reverbToggle"], "on", gap=3)
    lab.right_of(W["reverbSizeKnob"], "size", gap=2)
    lab.right_of(W["reverbDampKnob"], "damp", gap=2)
    # Filter
    knob = W["cutoffKnob"]
    lab.vertical(461, (knob[1] + knob[3]) / 2.0, "filter")
    lab.below(W["cutoffKnob"], "cutoff", gap=0)
    lab.below(W["resonanceKnob"], "resonance", gap=0)
    lab.right_of(W["keyToCutoffKnob"], "keyToCutoff", gap=2)
    lab.right_of(W["velocityToCutoffKnob"], "velToCutoff", gap=2)


def background(code):
    lang = Language(code, TEXTS)
    image = paint.blank(WIDTH, HEIGHT, BASE)
    over(image, paint.fine_noise(WIDTH, HEIGHT, 7, 6))
    header(image, lang)
    for box in SECTIONS:
        paint.panel(image, box, 4.0, PANEL_TOP, PANEL_BOTTOM)
    lab = Labeller(image, WIDGETS, lang)
    title(image, lang, lab)
    top_bar(image, lang, lab)
    instrument_strip(image, lang, lab)
    zone_map(image, lang, lab)
    zone_fields(image, lang, lab)
    envelopes(image, lang, lab)
    slots(image, lang, lab)
    browser(image, lang, lab)
    lab.check()
    return image.convert("RGB").convert("RGBA")


def images():
    """Every image of the sampler editor, by resource name."""
    out = {
        "BACKGROUND": background("en"),
        "BACKGROUNDCH": background("zh"),
        "BTN_NEW": w.button(63, 19, "NEW"),
        "BTN_OPEN": w.button(63, 19, "OPEN"),
        "BTN_SAVE": w.button(63, 19, "SAVE"),
        "BTN_SAVEAS": w.button(63, 19, "SAVE AS"),
        "BTN_EXPORT": w.button(63, 29, "EXPORT", tint=0xFFFF8B3D),
        "BTN_OPTIONS": w.button(63, 29, "", lines=["LIBRARY", "OPTIONS"]),
        "BTN_LOGO": w.logo_button(),
        "BTN_MORE": w.button(67, 36, "", lines=["INSTRUMENT", "SETTINGS"]),
        "BTN_PANIC": w.panic_button(),
        "BTN_BROWSE": w.button(51, 22, "BROWSE"),
        "BTN_S": w.button(22, 20, "S", label_font=font("bold", 10)),
        "BTN_L": w.button(22, 20, "L", label_font=font("bold", 10)),
        "BTN_RENAME": w.button(51, 22, "RENAME"),
        "BTN_EQ": w.power_toggle(),
        "BTN_INSTRUMENT": w.square_toggle(),
        "KNOB": w.knob_strip(42, w.AMBER),
        "KNOBPAN": w.knob_strip(42, w.AMBER, bipolar=True),
        "KNOB_F": w.knob_strip(42, w.BLUE),
        "KNOB_SMALL": w.knob_strip(21, w.BLUE, bipolar=True),
        "KNOB_SMALL2": w.knob_strip(21, w.AMBER),
        "DIGITS": w.digits(),
        "METER": w.meter(),
        "DISKLED": w.led(7, 0xFFFFB030, 0xFF4A3A20),
        "MIDILED": w.led(8, w.GREEN, 0xFF1F3A27),
        "SCROLLBAR": w.scroll_thumb(),
    }
    return out
