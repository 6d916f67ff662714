"""Labels placed beside widgets, and the check that keeps every label off
every widget: a label the widget paints over cannot be read, so a layout
that puts one there stops the build.
"""
import paint
from paint import draw_text, font

LABEL_COLOUR = 0xFF8E99A6
TITLE_COLOUR = 0xFFFF9A52


class Language:
    """Label fonts and texts of one language."""

    def __init__(self, code, texts):
        self.code = code
        self.texts = texts

    def text(self, key):
        return self.texts[key][0 if self.code == "en" else 1]

    def label_font(self, size=8):
        return font("cjk", size + 3) if self.code == "zh" else font("condbold", size)

    def tracking(self):
        return 0.0 if self.code == "zh" else 0.35

    def caps(self, s):
        return s if self.code == "zh" else s.upper()


def inflate(box, dx, dy=None):
    dy = dx if dy is None else dy
    return box[0] - dx, box[1] - dy, box[2] + dx, box[3] + dy


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class Labeller:
    """Draws labels and keeps their boxes for the overlap check."""

    def __init__(self, image, widgets, lang):
        self.image, self.widgets, self.lang = image, widgets, lang
        self.boxes = []

    def put(self, x, y, key, anchor="l", size=8, colour=LABEL_COLOUR, raw=None, f=None, tracking=None):
        s = raw if raw is not None else self.lang.caps(self.lang.text(key))
        f = f or self.lang.label_font(size)
        tracking = self.lang.tracking() if tracking is None else tracking
        box = draw_text(self.image, x, y, s, f, colour, tracking=tracking, anchor=anchor,
                        shadow_colour=0x70000000)
        self.boxes.append((s, box))
        return box

    def _line_top(self, centre_y, f):
        """Top of a line box whose capitals are centred on centre_y."""
        x0, y0, x1, y1 = f.getbbox("H")
        return round(centre_y - (y0 + y1) / 2.0)

    def left_of(self, box, key, gap=4, size=8, **kw):
        """Right-aligned, ending gap pixels left of box, centred on it."""
        f = kw.pop("f", None) or self.lang.label_font(size)
        return self.put(box[0] - gap, self._line_top((box[1] + box[3]) / 2.0, f), key, "r", f=f, **kw)

    def right_of(self, box, key, gap=4, size=8, **kw):
        f = kw.pop("f", None) or self.lang.label_font(size)
        return self.put(box[2] + gap, self._line_top((box[1] + box[3]) / 2.0, f), key, "l", f=f, **kw)

    def above(self, box, key, gap=2, size=8, anchor="c", **kw):
        f = kw.pop("f", None) or self.lang.label_font(size)
        x = (box[0] + box[2]) / 2.0 if anchor == "c" else box[0]
        ink = f.getbbox("H" if self.lang.code == "en" else "音")
        return self.put(x, box[1] - gap - ink[3], key, anchor, f=f, **kw)

    def below(self, box, key, gap=2, size=8, **kw):
        f = kw.pop("f", None) or self.lang.label_font(size)
        ink = f.getbbox("H" if self.lang.code == "en" else "音")
        return self.put((box[0] + box[2]) / 2.0, box[3] + gap - ink[1], key, "c", f=f, **kw)

    def vertical(self, cx, cy, key, size=7, colour=TITLE_COLOUR):
        """A section tab: text up the side (stacked characters in
        Chinese)."""
        s = self.lang.caps(self.lang.text(key))
        f = self.lang.label_font(size)
        if self.lang.code == "zh":
            step = f.size + 1
            y = cy - step * len(s) / 2.0
            boxes = []
            for ch in s:
                boxes.append(draw_text(self.image, cx, round(y), ch, f, colour, anchor="c",
                                       shadow_colour=0x70000000))
                y += step
            box = (min(b[0] for b in boxes), boxes[0][1], max(b[2] for b in boxes), boxes[-1][3])
        else:
            box = paint.vertical_text(self.image, cx, cy, s, f, colour, tracking=0.6)
        self.boxes.append((s, box))
        return box

    def check(self):
        """Every label inside the picture and clear of every widget and of
        every other label."""
        problems = []
        for k, (s, box) in enumerate(self.boxes):
            if box[0] < 0 or box[1] < 0 or box[2] > self.image.width or box[3] > self.image.height:
                problems.append(f"label {s!r} {box} leaves the picture")
            for name, rect in self.widgets.items():
                if overlaps(box, rect):
                    problems.append(f"label {s!r} {box} lies under {name} {rect}")
            for s2, box2 in self.boxes[k + 1:]:
                if overlaps(box, box2):
                    problems.append(f"label {s!r} {box} overlaps label {s2!r} {box2}")
        if problems:
            raise ValueError("\n".join(problems))
