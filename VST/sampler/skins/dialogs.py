"""The sampler's dialog pictures: Export VSTi Player (300 x 150), Sound
Library Options (300 x 311), Instrument Settings (300 x 280) and About
(300 x 250), with the dialogs' buttons, check box and progress bar. The
backgrounds carry the titles, the row labels and the frames of the fields;
the widgets draw only their contents.
"""
import paint
import widgets as w
from layout import Labeller, Language, TITLE_COLOUR, inflate
from paint import Vector, draw_text, font, over


def at(x, y, fw, fh):
    return x, y, x + fw, y + fh


BUTTON = (51, 22)
DIALOG_LABEL = 0xFFAEB7C2
CHECK = (14, 14)
COMBO_H = 16

EXPORT_WIDGETS = {
    "exportButton": at(90, 118, *BUTTON),
    "folderText": (10, 67, 230, 78),
    "browseButton": at(242, 63, *BUTTON),
    "progressMeter": at(5, 100, 288, 12),
    "closeButton": at(160, 118, *BUTTON),
}

OPTIONS_WIDGETS = {
    "okButton": at(120, 280, *BUTTON),
    "nameText": (126, 49, 226, 62),
    "vendorText": (126, 83, 226, 96),
    "uniqueIdText": (126, 116, 227, 130),
    "backgroundText": (125, 219, 232, 232),
    "styleCombo": (124, 150, 231, 150 + COMBO_H),
    "logoText": (126, 253, 233, 266),
    "relativePathToggle": at(214, 184, *CHECK),
    "browseLogoButton": at(240, 250, *BUTTON),
    "browseBackgroundButton": at(240, 216, *BUTTON),
}

SETTINGS_ROWS = [  # label, toggle top
    ("pitchBend", 45), ("sustainPedal", 79), ("modWheelLayer", 113), ("firstOctaveLayer", 147),
    ("stackLayers", 181), ("controller", 215),
]
SETTINGS_WIDGETS = {"okButton": at(125, 248, *BUTTON),
                    **{f"toggle {key}": at(224, top, *CHECK) for key, top in SETTINGS_ROWS}}

ABOUT_WIDGETS = {"okButton": at(125, 220, *BUTTON)}

TEXTS = {
    "exportTitle": ("EXPORT VSTI", "导出 VSTi"),
    "directory": ("DIRECTORY", "目录"),
    "progress": ("PROGRESS", "进度"),
    "optionsTitle": ("SOUND LIBRARY OPTIONS", "音色库选项"),
    "name": ("NAME", "名称"),
    "vendor": ("VENDOR", "厂商"),
    "uniqueId": ("UNIQUE ID", "唯一标识"),
    "uiStyle": ("UI STYLE", "界面风格"),
    "relative": ("SAMPLES IN RELATIVE PATH", "采样使用相对路径"),
    "background": ("BACKGROUND", "背景图片"),
    "logo": ("LOGO", "标志图片"),
    "settingsTitle": ("INSTRUMENT SETTINGS", "乐器设置"),
    "pitchBend": ("ENABLE PITCH BEND", "启用弯音"),
    "sustainPedal": ("ENABLE SUSTAIN PEDAL", "启用延音踏板"),
    "modWheelLayer": ("MOD WHEEL LAYER SELECTION", "调制轮选择层"),
    "firstOctaveLayer": ("FIRST OCTAVE LAYER SELECTION", "首个八度选择层"),
    "stackLayers": ("STACK LAYERS", "层叠加"),
    "controller": ("CONTROLLER", "控制器"),
}


def base(w_, h, lang, lab, title_key):
    """The dialog's face: a dark body under a title band."""
    image = paint.blank(w_, h, 0xFF181C21)
    over(image, paint.fine_noise(w_, h, 11, 5))
    band = paint.gradient_image(w_, 32, 0xFF2A3038, 0xFF1E2329)
    image.paste(band, (0, 0))
    v = Vector(w_, 3, (0, 31))
    v.rect((0, 32, w_, 33), fill=0xFF07090B)
    v.rect((0, 33, w_, 34), fill=0x14FFFFFF)
    v.onto(image)
    v = Vector(18, 16, (8, 8))
    w.emblem(v, 17, 16, 6.0, w.AMBER)
    v.onto(image)
    f = font("cjk", 14) if lang.code == "zh" else font("bold", 12)
    box = draw_text(image, 29, 8 if lang.code == "en" else 7, lang.text(title_key), f, 0xFFEEF1F4,
                    tracking=0 if lang.code == "zh" else 1.2, shadow_colour=0x90000000)
    lab.boxes.append((lang.text(title_key), box))
    return image


def field(image, rect):
    paint.recess(image, inflate(rect, 4, 4), 2.5)


def export_dialog(code):
    lang = Language(code, TEXTS)
    lab = Labeller(None, EXPORT_WIDGETS, lang)
    image = base(300, 150, lang, lab, "exportTitle")
    lab.image = image
    W = EXPORT_WIDGETS
    box = (6, 61, 236, 85)
    paint.recess(image, box, 2.5)
    lab.put(8, 45 if code == "en" else 43, "directory", size=9, colour=TITLE_COLOUR)
    paint.recess(image, inflate(W["progressMeter"], 1, 1), 3.5, fill=0xFF06080A)
    lab.check()
    return image.convert("RGB").convert("RGBA")


def options_dialog(code):
    lang = Language(code, TEXTS)
    lab = Labeller(None, OPTIONS_WIDGETS, lang)
    image = base(300, 311, lang, lab, "optionsTitle")
    lab.image = image
    W = OPTIONS_WIDGETS
    rows = (("name", W["nameText"]), ("vendor", W["vendorText"]), ("uniqueId", W["uniqueIdText"]),
            ("uiStyle", W["styleCombo"]), ("relative", W["relativePathToggle"]),
            ("background", W["backgroundText"]), ("logo", W["logoText"]))
    separators = []
    for key, rect in rows:
        if key == "uiStyle":
            paint.recess(image, inflate(rect, 2, 2), 2.5)
            paint.combo_arrow(image, rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1], 0xFFAEB8C2,
                              divider=0x30FFFFFF)
        elif key != "relative":
            field(image, rect)
        f = lang.label_font(9)
        cy = (rect[1] + rect[3]) / 2.0
        lab.put(14, lab._line_top(cy, f), key, size=9, colour=DIALOG_LABEL)
        separators.append(rect[3] + (10 if key != "relative" else 8))
    v = Vector(272, 240, (14, 40))
    for y in separators[:-1]:
        v.rect((14, y, 286, y + 1), fill=0x12FFFFFF)
    v.onto(image)
    lab.check()
    return image.convert("RGB").convert("RGBA")


def settings_dialog(code):
    lang = Language(code, TEXTS)
    lab = Labeller(None, SETTINGS_WIDGETS, lang)
    image = base(300, 280, lang, lab, "settingsTitle")
    lab.image = image
    v = Vector(272, 200, (14, 40))
    for key, top in SETTINGS_ROWS[1:]:
        v.rect((14, top - 10, 286, top - 9), fill=0x12FFFFFF)
    v.onto(image)
    f = lang.label_font(9)
    for key, top in SETTINGS_ROWS:
        box = lab.put(16, lab._line_top(top + 7, f), key, size=9, colour=DIALOG_LABEL)
        if key == "firstOctaveLayer":
            lab.put(box[2] + 6, lab._line_top(top + 7, font("cond", 8)), None, raw="C0-B0", f=font("cond", 8),
                    colour=0xFF6C7784, tracking=0)
    lab.check()
    return image.convert("RGB").convert("RGBA")


def about_dialog():
    lang = Language("en", TEXTS)
    lab = Labeller(None, ABOUT_WIDGETS, lang)
    image = paint.blank(300, 250, 0xFF181C21)
    over(image, paint.fine_noise(300, 250, 13, 5))
    glow = paint.blank(300, 250)
    v = Vector(300, 250)
    v.ellipse(150, 62, 46, fill=0x30FF8B3D)
    glow = paint.shadow(v.result(), 18, (0, 0), 1.0)
    tint = paint.blank(300, 250, 0xFFFF8B3D)
    tint.putalpha(glow.getchannel("A").point(lambda a: a // 3))
    over(image, tint)
    v = Vector(300, 250)
    w.emblem(v, 150, 62, 26, w.AMBER)
    v.onto(image)
    lab.image = image
    draw_text(image, 150, 100, "KORVO SAMPLER", font("bold", 17), 0xFFEEF1F4, tracking=2.0, anchor="c",
              shadow_colour=0x90000000)
    lines = [("VST 2 instrument for Windows", 0xFFB8C0C8, font("sans", 10)),
             ("16 instruments, 1024 zones each, 32 voices", 0xFF8E99A6, font("sans", 9)),
             ("streamed from disk, 4 stereo outputs", 0xFF8E99A6, font("sans", 9)),
             ("Version 1", 0xFFFF9A52, font("condbold", 9)),
             ("\u00a9 Tellurand", 0xFF8E99A6, font("sans", 9))]
    y = 127
    for s, colour, f in lines:
        box = draw_text(image, 150, y, s, f, colour, anchor="c")
        lab.boxes.append((s, box))
        y += 17 if s.startswith("VST") or s.startswith("streamed") else 14
    lab.check()
    return image.convert("RGB").convert("RGBA")


def images():
    return {
        "BACK_EXPORT": export_dialog("en"),
        "BACK_EXPORTCH": export_dialog("zh"),
        "BACK_SL": options_dialog("en"),
        "BACK_SLCH": options_dialog("zh"),
        "BACK_IS": settings_dialog("en"),
        "BACK_ISCH": settings_dialog("zh"),
        "BACK_ABOUT": about_dialog(),
        "BTN_EXPORTSM": w.button(*BUTTON, "EXPORT", tint=0xFFFF8B3D),
        "BTN_CLOSE": w.button(*BUTTON, "CLOSE"),
        "BTN_OK": w.button(*BUTTON, "OK"),
        "BTN_CHECK": w.check_box(),
        "PROGRESS": w.progress(),
    }
