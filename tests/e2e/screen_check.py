"""Checks one screen as a person sees it, from the program's state dump and a screenshot of it:

- two visible buttons overlap (the online menu's buttons and the game's touch buttons, each
  kind among its own; a button inside another, as a page's own button over a list row, counts);
- a visible text runs off the screen (the game's texts, whose drawn extent the dump gives);
- a visible text of the online menu is wider or taller than its widget (the dump gives the
  extent it takes as drawn and the widget's size);
- a widget of the online menu lies partly off the screen (outside any scrolling list, whose
  rows pass its edges as it scrolls);
- a text's contrast against the pixels behind it is below 3:1 (WCAG's figure for large text),
  read from the screenshot: the text's ink against the most common colour of its box.

Used by screenshots.py on every screen it visits; check(dump, png) lists the faults found."""
import os
import re
import subprocess

WIDTH, HEIGHT = 800, 480
MIN_CONTRAST = 3.0
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# A touch button's picture grows to 1.05 times its size as it bobs.
BOB_SCALE = 1.05
_reach = {}


def game_images():
    """The game's image table, index to file name, as its asset table lists it."""
    with open(os.path.join(SOURCE, "game", "VexAssetTables.cpp"), encoding="utf-8") as f:
        text = f.read()
    table = text[text.index("kImages["):text.index("};", text.index("kImages["))]
    return re.findall(r'"([^"]+)"', table)


def picture_reach(path):
    """The farthest visible pixel (alpha above 8) of a picture from its centre, as a share of
    half its width: how far its round button reaches in its square."""
    if path not in _reach:
        size = subprocess.check_output(["identify", "-format", "%w %h", path]).split()
        w, h = int(size[0]), int(size[1])
        alpha = subprocess.check_output(["convert", path, "-alpha", "extract", "-depth", "8",
                                         "gray:-"])
        far = 0.0
        for y in range(h):
            for x in range(w):
                if alpha[y * w + x] > 8:
                    dx, dy = x + 0.5 - w / 2.0, y + 0.5 - h / 2.0
                    far = max(far, dx * dx + dy * dy)
        _reach[path] = far ** 0.5 / (w / 2.0)
    return _reach[path]


def load_rgb(path):
    data = subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])
    return data if len(data) == WIDTH * HEIGHT * 3 else None


def luminance(rgb):
    def channel(c):
        c = c / 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    hi, lo = max(la, lb), min(la, lb)
    return (hi + 0.05) / (lo + 0.05)


def text_contrast(pixels, box):
    """The contrast of the text in the box as a reader sees it. Its background is the box's most
    common colour (quantised); its ink the lightest and the darkest pixels (leaving out the
    farthest five hundredth, at least three pixels, as stray). A plain text's contrast is its
    ink's against the background; an outlined text's fill lies on its outline, so the lightest
    against the darkest counts too. None for an empty box."""
    l, t, r, b = (max(0, box[0]), max(0, box[1]), min(WIDTH, box[2]), min(HEIGHT, box[3]))
    if r - l < 2 or b - t < 2:
        return None
    counts, samples = {}, []
    for y in range(t, b):
        row = y * WIDTH * 3
        for x in range(l, r):
            i = row + 3 * x
            rgb = (pixels[i], pixels[i + 1], pixels[i + 2])
            key = (rgb[0] // 8, rgb[1] // 8, rgb[2] // 8)
            counts[key] = counts.get(key, 0) + 1
            samples.append(rgb)
    key = max(counts, key=counts.get)
    back = tuple(k * 8 + 4 for k in key)
    ordered = sorted(samples, key=luminance)
    stray = max(3, len(ordered) // 500)
    dark, light = ordered[min(stray, len(ordered) - 1)], ordered[max(0, len(ordered) - 1 - stray)]
    return max(contrast(dark, back), contrast(light, back), contrast(light, dark))


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def is_menu_button(name):
    return (name.endswith("button") or name.endswith("_button") or name.startswith("button")
            or name.endswith("-button")) and not name.endswith("_label")


def game_texts(dump):
    """The game's drawn texts of the dump: [([left, top, right, bottom], colour, text)]."""
    texts = []
    for line in dump.text.splitlines():
        words = line.split(" ")
        if words[0] == "gametext" and len(words) >= 7:
            texts.append(([int(v) for v in words[1:5]], words[5], " ".join(words[6:])))
    return texts


def settled_texts(texts, before):
    """The game texts as the picture taken between two dumps shows them: a text of the later
    dump is matched with the same text of the earlier one nearest to it; its box covers both
    places and its colour is the fainter. A text without a match in the earlier dump (it came
    in between) is left out."""
    earlier = game_texts(before)
    out = []
    for rect, colour, text in texts:
        best = None
        for rect0, colour0, text0 in earlier:
            if text0 != text:
                continue
            d = abs(rect0[0] - rect[0]) + abs(rect0[1] - rect[1])
            if best is None or d < best[0]:
                best = (d, rect0, colour0)
        if best is None:
            continue
        rect0, colour0 = best[1], best[2]
        box = [min(rect[0], rect0[0]), min(rect[1], rect0[1]), max(rect[2], rect0[2]),
               max(rect[3], rect0[3])]
        fainter = colour if int(colour[:2], 16) <= int(colour0[:2], 16) else colour0
        out.append((box, fainter, text))
    return out


def check(dump, png, pictures=None, before=None):
    """The faults of the screen: a list of texts, empty when it is tidy. `pictures` is the
    directory of the game's built pictures (the game's buttons are checked with it). `before`,
    the dump of a frame before the picture: game texts are then checked where the picture
    shows them when they move between the two frames, and no contrast is judged when the menu
    came, went or turned its page between the two."""
    faults = []
    menu_shown = dump.get("menu_shown") == "1"
    buttons = [(w[0], w[1:5]) for w in dump.widgets if is_menu_button(w[0])]
    for i, (name, rect) in enumerate(buttons):
        for other, second in buttons[i + 1:]:
            if overlaps(rect, second):
                faults.append("buttons %s %s and %s %s overlap" % (name, rect, other, second))
    game_buttons, texts = [], game_texts(dump)
    for line in dump.text.splitlines():
        words = line.split(" ")
        if words[0] == "textsize" and len(words) == 6:
            w, h, box_w, box_h = (int(v) for v in words[2:6])
            if w > box_w or h > box_h:
                faults.append("text %s takes %dx%d in its %dx%d widget" %
                              (words[1], w, h, box_w, box_h))
        elif words[0] == "offscreen" and len(words) == 6:
            faults.append("widget %s %s lies partly off the screen" %
                          (words[1], [int(v) for v in words[2:6]]))
        elif words[0] == "gamebutton" and len(words) >= 7:
            game_buttons.append((words[1], int(words[2]), [int(v) for v in words[3:7]]))
    if not menu_shown and game_buttons and pictures:
        # Each button's round picture in its square: the discs, grown as they bob, must not meet.
        names = game_images()
        # A picture that fills its corners (a plate, not a round button) counts as its square.
        discs, squares = [], []
        for name, image, rect in game_buttons:
            path = os.path.join(pictures, names[image]) if 0 <= image < len(names) else None
            if not path or not os.path.exists(path):
                continue
            half = (rect[2] - rect[0]) / 2.0
            at = ((rect[0] + rect[2]) / 2.0, (rect[1] + rect[3]) / 2.0)
            reach = picture_reach(path)
            if reach <= 1.0:
                discs.append((name, at, reach * half * BOB_SCALE))
            else:
                squares.append((name, rect))
        for i, (name, at, r) in enumerate(discs):
            for other, at2, r2 in discs[i + 1:]:
                d = ((at[0] - at2[0]) ** 2 + (at[1] - at2[1]) ** 2) ** 0.5
                if d < r + r2:
                    faults.append("game buttons %s and %s overlap (%.0f apart, reaching %.0f)"
                                  % (name, other, d, r + r2))
        for i, (name, rect) in enumerate(squares):
            for other, second in squares[i + 1:]:
                if overlaps(rect, second):
                    faults.append("game buttons %s %s and %s %s overlap" %
                                  (name, rect, other, second))
    pixels = load_rgb(png)
    if before is not None and any(before.get(k) != dump.get(k) for k in ("menu_shown",
                                                                          "menu_page")):
        # The menu came, went or turned its page between the two dumps: the picture may show
        # either side of that, so no text is judged by its contrast in it.
        pixels = None
    if before is not None:
        texts = settled_texts(texts, before)
    if not menu_shown:
        if (dump.values.get("ended") or [])[-1:] == ["1"] and len(texts) >= 2:
            # The leave confirmation dims everything drawn before its question and the line
            # under it: what lies behind it is not to be read.
            texts = texts[-2:]
        for rect, colour, text in texts:
            if int(colour[:2], 16) < 0xC0 or not text.strip():
                continue  # fading in or out
            if not overlaps(rect, (0, 0, WIDTH, HEIGHT)):
                continue  # drawn where the view does not reach (a hit's figure far away)
            if rect[0] < 0 or rect[1] < 0 or rect[2] > WIDTH or rect[3] > HEIGHT:
                faults.append("game text %r at %s runs off the screen" % (text, rect))
            if pixels:
                c = text_contrast(pixels, rect)
                if c is not None and c < MIN_CONTRAST:
                    faults.append("game text %r at %s has contrast %.2f" % (text, rect, c))
    elif pixels:
        for name, l, t, r, b, text in dump.widgets:
            if not text.strip():
                continue
            c = text_contrast(pixels, (l, t, r, b))
            if c is not None and c < MIN_CONTRAST:
                faults.append("text %s %r at %s has contrast %.2f" % (name, text, (l, t, r, b),
                                                                      c))
    return faults
