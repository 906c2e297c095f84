"""Reading a copy's state dump (the program's ORLO_STATE_DUMP file, a line "key value..." each;
the game's lines are listed in game/VexStateDump.cpp, the online menu's in
online/menu/OrloMenuState_Dump.cpp), and what a step asks of it."""


def parse_dump(text):
    """The dump's lines as {key: [values...]}, and its widgets as a list of
    (name, left, top, right, bottom, text), a field's text from its "field" line. A dump without a battle of its own reads the lines
    its last battle left as its match ended ("last_" before each): a match's end stays read
    after the battle has given way to the menu."""
    lines = text.splitlines()
    if not any(line.startswith("game_over ") for line in lines):
        lines = [line[5:] if line.startswith("last_") else line for line in lines]
    values, widgets = {}, []
    for line in lines:
        words = line.split(" ")
        if not words or not words[0]:
            continue
        if words[0] == "widget" and len(words) >= 6:
            try:
                rect = [int(w) for w in words[2:6]]
            except ValueError:
                continue
            widgets.append((words[1], rect[0], rect[1], rect[2], rect[3], " ".join(words[6:])))
        elif words[0] == "field" and len(words) >= 2 and widgets and widgets[-1][0] == words[1]:
            widgets[-1] = widgets[-1][:5] + (" ".join(words[2:]),)  # what the field shows
        elif words[0] == "digest":
            values["digest"] = [line[len("digest "):]]
        else:
            values[words[0]] = words[1:]
    return values, widgets


class Dump:
    def __init__(self, text):
        self.text = text
        self.values, self.widgets = parse_dump(text)

    def get(self, key, default=None):
        v = self.values.get(key)
        return v[0] if v else default

    def num(self, key, default=-1):
        v = self.values.get(key)
        try:
            return int(v[0]) if v else default
        except ValueError:
            return default

    def real(self, key, default=None):
        v = self.values.get(key)
        try:
            return float(v[0]) if v else default
        except ValueError:
            return default

    def frame(self):
        """The frame's number (the copies run with ORLO_DUMP_FRAMES), or None."""
        n = self.num("frame", -1)
        return n if n >= 0 else None

    def widget(self, name, text=None, inside=None):
        """The first visible widget of that name (whose text contains `text`, whose centre lies
        inside the rectangle `inside`), as (left, top, right, bottom) or None."""
        for w in self.widgets:
            if w[0] != name or (text is not None and text not in w[5]):
                continue
            if inside is not None:
                cx, cy = (w[1] + w[3]) // 2, (w[2] + w[4]) // 2
                if not (inside[0] <= cx < inside[2] and inside[1] <= cy < inside[3]):
                    continue
            return w[1:5]
        return None

    def screens(self):
        return self.values.get("screens", [])

    def widget_text(self, name):
        """The text of the first visible widget of that name, or None without one."""
        return next((w[5] for w in self.widgets if w[0] == name), None)

    def game_buttons(self):
        """The game's touch buttons: {id: [(left, top, right, bottom), ...]}."""
        out = {}
        for line in self.text.splitlines():
            words = line.split(" ")
            if words[0] == "gamebutton" and len(words) >= 7:
                try:
                    out.setdefault(int(words[1]), []).append([int(v) for v in words[3:7]])
                except ValueError:
                    continue
        return out

    def on_game_button(self, x, y):
        """Whether the point lies on a visible game button with the game in front (no online
        menu or toast over it)."""
        if self.get("menu_shown") == "1" or self.get("toast") == "1":
            return False
        return any(l <= x < r and t <= y < b
                   for rects in self.game_buttons().values() for l, t, r, b in rects)


def page_shown(page):
    return lambda d: d.get("menu_page") == page and d.get("menu_shown") == "1"


def in_battle(d):
    return d.screens() == ["play"] and d.num("round_state") >= 0


def squib(d):
    side = d.num("local_side")
    at = d.values.get("squib%d_screen" % side)
    return (int(at[0]), int(at[1])) if at and len(at) == 2 else None


def my_turn(d):
    return (in_battle(d) and d.num("round_state") == 7 and d.get("turn_active") == "1"
            and d.num("turn_side") == d.num("local_side"))


def strikes(d):
    """The time-out strikes this side has left (None outside a battle)."""
    v = d.values.get("player%d" % d.num("local_side"))
    return int(v[3]) if v and len(v) >= 4 else None


def timed_out(d):
    """The battle marks this side's turn timed out: its clock reached the turn's limit (the mark
    stays until the side's next turn begins), or the match ended by time-out strikes."""
    v = d.values.get("ended") or []
    return "timed_out" in v[:-1] and v[v.index("timed_out") + 1] == "1"


def battle_over(d):
    """The match is over (read after its battle has gone too), or its battle has already given
    way to the menu (an ended battle opens the match's chat a few seconds after its end)."""
    return d.get("game_over") == "1" or "play" not in d.screens()


def touch0(d):
    """The first finger as the game's last step saw it: (x, y, down) or None."""
    v = d.values.get("touch0")
    try:
        return tuple(int(w) for w in v[:3]) if v and len(v) >= 3 else None
    except ValueError:
        return None


def aim_of(d, side=None):
    """(aiming, stretching, x, y) of the side's aim line (this copy's side by default)."""
    v = d.values.get("aim%d" % (d.num("local_side") if side is None else side))
    if not v or len(v) < 4:
        return None
    return int(v[0]), int(v[1]), float(v[2]), float(v[3])


def battle_state(d):
    """The battle's state in a few words, for a failure's message."""
    keys = ("steps", "screens", "local_side", "turn_side", "round_state", "turn_active",
            "game_over", "ended", "player0", "player1", "shots", "touch0", "menu_page",
            "menu_shown", "lobby_state", "game_state")
    return ", ".join("%s %s" % (k, " ".join(d.values[k])) for k in keys if k in d.values)
