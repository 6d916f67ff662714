"""Pictures of the panels as the editors will show them: each background
with its widgets' frames put at their places (knobs part-way, a lit meter,
digits showing values, combo and list texts in the editor's colours), so
the contact sheet shows the skin in use, not only its parts.
"""
from PIL import Image

import paint
from paint import draw_text, font, over

TEXT = 0xFFD0D0D5
DARK_TEXT = 0xFF19212C


def frame(image, index, columns=None, rows=None, fw=None, fh=None):
    """Frame index of a strip of equal frames (side by side unless rows)."""
    if rows:
        fh = image.height // rows
        return image.crop((0, index * fh, image.width, (index + 1) * fh))
    fw = image.width // columns
    return image.crop((index * fw, 0, (index + 1) * fw, image.height))


def knob(canvas, strip, x, y, value):
    over(canvas, frame(strip, round(value * 60), rows=61), x, y)


def digits(canvas, strip, x, y, cells, value, show_plus=False):
    glyphs = [] if value is None else list(str(abs(int(value))))
    codes = [int(g) + 1 for g in glyphs]
    if value is not None and value < 0:
        codes = [11] + codes
    elif value is not None and value > 0 and show_plus:
        codes = [12] + codes
    codes = [0] * (cells - len(codes)) + codes
    for k, code in enumerate(codes):
        over(canvas, frame(strip, code, columns=13), x + 7 * k, y)


def text(canvas, x, y, s, colour=TEXT, size=11):
    draw_text(canvas, x, y, s, font("sans", size), colour)


def sampler(background, im, chinese=False):
    c = background.copy()
    put = lambda name, x, y, f=0, n=2: over(c, frame(im[name], f, columns=n), x, y)  # noqa: E731
    put("BTN_LOGO", 11, 3, 0, 3)
    for name, x, y in (("BTN_NEW", 367, 3), ("BTN_OPEN", 367, 23), ("BTN_SAVE", 435, 3), ("BTN_SAVEAS", 435, 23),
                       ("BTN_EXPORT", 503, 8), ("BTN_OPTIONS", 571, 8), ("BTN_S", 757, 47), ("BTN_L", 780, 47),
                       ("BTN_MORE", 570, 54), ("BTN_RENAME", 584, 102), ("BTN_BROWSE", 753, 320),
                       ("BTN_PANIC", 780, 20)):
        put(name, x, y, 1 if name == "BTN_SAVE" else 0)
    meter = im["METER"]
    over(c, frame(meter, 0, columns=2), 662, 21)
    over(c, frame(meter, 1, columns=2).crop((0, 0, 84, 7)), 662, 21)
    over(c, frame(meter, 0, columns=2), 662, 29)
    over(c, frame(meter, 1, columns=2).crop((0, 0, 70, 7)), 662, 29)
    d = im["DIGITS"]
    digits(c, d, 702, 9, 3, 12)
    put("DISKLED", 767, 11, 1)
    text(c, 70, 71, "Grand Piano")
    text(c, 213, 71, "Omni")
    text(c, 328, 71, "1")
    text(c, 407, 71, "2")
    text(c, 449, 107, "Soft layer")
    knob(c, im["KNOB"], 468, 55, 0.8)
    knob(c, im["KNOBPAN"], 522, 55, 0.5)
    names = ["Grand Piano", "Strings", "Choir Aah", "Bass", "NULL"]
    for i in range(16):
        put("BTN_INSTRUMENT", 665, 75 + 15 * i, 1 if i == 0 else 0)
        put("MIDILED", 788, 75 + 15 * i, 1 if i in (0, 2) else 0)
        text(c, 679, 73 + 15 * i, names[min(i, 4)])
    # Zones on the map, as the zone map draws them.
    from PIL import ImageDraw
    zl = paint.blank(c.width, c.height)
    zd = ImageDraw.Draw(zl)
    for kl, kh, vl, vh, sel in ((36, 47, 1, 127, False), (48, 59, 1, 80, True), (48, 59, 81, 127, False),
                                (60, 83, 1, 127, False)):
        x0, x1 = 20 + (kl - 21) * 7, 20 + (kh - 20) * 7
        y0, y1 = 135 + int(167 - vh * 167 / 127.0), 135 + int(167 - (vl - 1) * 167 / 127.0)
        zd.rectangle((x0, y0, x1 - 1, y1 - 1), fill=(0xFC, 0x63, 0x27, 0x80) if sel else (0x87, 0xCD, 0xF5, 0x5A),
                     outline=(0xD2, 0xD2, 0xD7, 255))
    zd.rectangle((20 + (53 - 21) * 7, 302, 20 + (53 - 21) * 7 + 7, 332), fill=(0xFC, 0x63, 0x27, 0xC0))
    over(c, zl)
    text(c, 77, 351, "piano_C3_soft")
    for x, y, cells, v, plus in ((247, 351, 3, 53, False), (320, 351, 3, 48, False), (390, 351, 3, 59, False),
                                 (458, 351, 3, 1, False), (525, 351, 3, 80, False), (618, 351, 2, 0, False),
                                 (58, 369, 3, -3, True), (145, 369, 3, 50, False), (245, 369, 3, 0, True),
                                 (320, 369, 4, -12, True), (58, 483, 8, 0, False), (163, 483, 8, 88200, False),
                                 (440, 483, 8, 22050, False), (576, 483, 8, 88000, False)):
        digits(c, d, x, y, cells, v, plus)
    text(c, 430, 368, "true", DARK_TEXT)
    text(c, 590, 368, "false", DARK_TEXT)
    text(c, 313, 482, "loop", DARK_TEXT)
    # A wave in the waveform view.
    import math
    wl = paint.blank(c.width, c.height)
    wd = ImageDraw.Draw(wl)
    for i in range(617):
        env = math.exp(-i / 160.0) * (0.9 if i > 6 else i / 7.0)
        a = env * (0.6 + 0.4 * math.sin(i * 0.31) * math.sin(i * 0.047))
        mid, h = 386 + 46, 46
        wd.line((21 + i, mid - int(h * abs(a)), 21 + i, mid + int(h * abs(a))), fill=(0x87, 0xCD, 0xF5, 255))
    wd.line((21 + 40, 386, 21 + 40, 478), fill=(255, 255, 255, 0xC8))
    wd.line((21 + 560, 386, 21 + 560, 478), fill=(255, 255, 255, 0xC8))
    over(c, wl)
    for name, x, y, v in (("KNOB", 58, 507, 0.05), ("KNOB", 159, 507, 0.3), ("KNOB", 260, 507, 1.0),
                          ("KNOB", 361, 507, 0.15), ("KNOB_F", 58, 554, 0.0), ("KNOB_F", 159, 554, 0.2),
                          ("KNOB_F", 260, 554, 0.5), ("KNOB_F", 361, 554, 0.6), ("KNOB", 489, 507, 0.35),
                          ("KNOB_F", 489, 553, 0.75), ("KNOB_F", 538, 553, 0.2), ("KNOB_SMALL", 588, 555, 0.7),
                          ("KNOB_SMALL", 588, 574, 0.5), ("KNOB_SMALL2", 587, 508, 0.5),
                          ("KNOB_SMALL2", 587, 526, 1.0)):
        knob(c, im[name], x, y, v)
    for x, y, cells, v, plus in ((107, 530, 4, 10, False), (207, 530, 4, 600, False), (308, 530, 4, 0, True),
                                 (408, 530, 4, 300, False), (107, 577, 4, 0, False), (207, 577, 4, 1000, False),
                                 (308, 577, 3, 100, False), (408, 577, 4, 3000, False), (542, 530, 3, 35, False)):
        digits(c, d, x, y, cells, v, plus)
    put("BTN_EQ", 469, 530, 1)
    for i, s in enumerate(["piano_A0.wav", "piano_C1.wav", "piano_D#1.wav", "piano_F#1.wav", "piano_A1.wav"]):
        if i == 1:
            hl = paint.blank(130, 13, 0x808DD5FF)
            over(c, hl, 662, 348 + 16 * i)
        text(c, 664, 348 + 16 * i, s)
    over(c, im["SCROLLBAR"], 793, 348)
    return c


def player(background, im, chinese=False):
    c = background.copy()
    put = lambda name, x, y, f=0, n=2: over(c, frame(im[name], f, columns=n), x, y)  # noqa: E731
    put("BTN_LOGO", 11, 3, 0, 3)
    put("BTN_PANIC", 556, 21)
    put("BTN_UP", 393, 64)
    put("BTN_DOWN", 393, 85)
    for name, x, y, v in (("KNOB", 424, 58, 0.8), ("KNOBPAN", 477, 58, 0.5), ("KNOB", 530, 58, 0.3),
                          ("KNOB", 412, 109, 0.0), ("KNOB", 455, 109, 0.3), ("KNOB", 498, 109, 1.0),
                          ("KNOB", 541, 109, 0.15)):
        knob(c, im[name], x, y, v)
    d = im["DIGIT"]
    for x, y, cells, v, plus in ((476, 8, 3, 7, False), (420, 150, 4, 0, False), (462, 150, 4, 600, False),
                                 (505, 150, 4, 0, True), (547, 150, 4, 300, False), (84, 84, 2, 0, False),
                                 (186, 84, 2, 1, False), (268, 84, 2, 1, False), (358, 84, 2, 2, False)):
        digits(c, d, x, y, cells, v, plus)
    put("MIDILED", 373, 65, 1)
    put("DISKLED", 540, 11, 0)
    meter = im["METER"]
    for y, n in ((22, 80), (30, 64)):
        over(c, frame(meter, 0, columns=2), 438, y)
        over(c, frame(meter, 1, columns=2).crop((0, 0, n, 7)), 438, y)
    text(c, 93, 63, "Concert Grand", size=12)
    over(c, im["HANDLE"], 15, 191 + 17)
    over(c, im["HANDLE"], 35, 191 + 34)
    # Held keys, as the keyboard tints them.
    tint = paint.blank(12, 57, 0x7887CDF5)
    over(c, tint, 64 + 84 * 3, 182)
    over(c, paint.blank(9, 38, 0x7887CDF5), 64 + 84 * 3 + 55, 182)
    return c


def contact_sheet(named, previews, columns=4):
    """All images on one sheet, each with its name and size; the composed
    panels first."""
    label_f = font("sans", 11)
    pad = 14
    tiles = []
    for title, image in list(previews) + list(named):
        img = image
        if img.height > 8 * img.width:  # knob strips: every fifth frame and the last, side by side
            w = img.width
            cells = [img.crop((0, k * w, w, (k + 1) * w)) for k in range(img.height // w)]
            picks = cells[::5] + ([cells[-1]] if (len(cells) - 1) % 5 else [])
            sheet = paint.blank(len(picks) * (w + 2), w)
            for k, cell in enumerate(picks):
                sheet.paste(cell, (k * (w + 2), 0))
            img = sheet
        scale = 3 if img.width < 60 and img.height < 60 else (2 if img.width < 150 and img.height < 150 else 1)
        if scale > 1:
            img = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
        tiles.append((f"{title}  {image.width} x {image.height}", img))
    wide = [t for t in tiles if t[1].width > 600]
    small = [t for t in tiles if t[1].width <= 600]
    width = 2 * 820 + 3 * pad
    rows = []
    x, row, row_h = pad, [], 0
    for t in small:
        if x + t[1].width + pad > width and row:
            rows.append((row, row_h))
            x, row, row_h = pad, [], 0
        row.append((x, t))
        x += max(t[1].width, int(label_f.getlength(t[0]))) + pad
        row_h = max(row_h, t[1].height + 18)
    if row:
        rows.append((row, row_h))
    big_rows = []
    for k in range(0, len(wide), 2):
        pair = wide[k:k + 2]
        big_rows.append(pair)
    height = pad + sum(max(t[1].height for t in pair) + 18 + pad for pair in big_rows) + sum(
        h + pad for _, h in rows) + pad
    sheet = paint.blank(width, height, 0xFF0B0D10)
    y = pad
    for pair in big_rows:
        xx = pad
        for title, img in pair:
            draw_text(sheet, xx, y, title, label_f, 0xFFB8C0C8)
            over(sheet, img, xx, y + 16)
            xx += 820 + pad
        y += max(t[1].height for t in pair) + 18 + pad
    checker = None
    for row, h in rows:
        for xx, (title, img) in row:
            draw_text(sheet, xx, y, title, label_f, 0xFFB8C0C8)
            checker = paint.blank(img.width, img.height, 0xFF3A4048)
            over(sheet, checker, xx, y + 16)
            over(sheet, img, xx, y + 16)
        y += h + pad
    return sheet.convert("RGB")
