#!/usr/bin/env python3
"""Draws every skin image of the sampler and of the bank player, and a
contact sheet of them all.

usage: make_skins.py <output folder>

Writes <output folder>/sampler/<NAME>.png (the editor's skin, the dialog
pictures and the Chinese backgrounds), <output folder>/player/<NAME>.png
(the player's seven styles, its widgets and its About picture) and
<output folder>/contact-sheet.png. The same run writes the same bytes.
Needs Pillow, NumPy and the DejaVu and WenQuanYi Zen Hei fonts (Debian's
python3-pil, python3-numpy, fonts-dejavu-core, fonts-wqy-zenhei).
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import dialogs  # noqa: E402
import player_panel  # noqa: E402
import preview  # noqa: E402
import sampler_panel  # noqa: E402


def write(folder, images):
    os.makedirs(folder, exist_ok=True)
    for name, image in images.items():
        path = os.path.join(folder, name + ".png")
        image.save(path + ".tmp", "PNG", optimize=False, compress_level=9)
        os.replace(path + ".tmp", path)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    sampler = sampler_panel.images()
    sampler.update(dialogs.images())
    player = player_panel.images()
    write(os.path.join(out, "sampler"), sampler)
    write(os.path.join(out, "player"), player)

    previews = [("sampler editor", preview.sampler(sampler["BACKGROUND"], sampler)),
                ("sampler editor, Chinese", preview.sampler(sampler["BACKGROUNDCH"], sampler))]
    for name in player_panel.STYLES:
        previews.append((f"player {name}", preview.player(player[name], player)))
    parts = [(f"sampler {n}", i) for n, i in sampler.items() if not n.startswith("BACKGROUND")]
    parts += [(f"player {n}", i) for n, i in player.items() if not n.startswith("BACKGROUND")]
    preview.contact_sheet(parts, previews).save(os.path.join(out, "contact-sheet.png"), "PNG", compress_level=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
