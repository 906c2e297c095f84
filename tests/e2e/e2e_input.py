"""A copy's input as a person's: the pointer (a finger), taps on the rectangles the state dump
gives, typing. Mixed into Copy, which gives xdotool(), dump() and wait_dump()."""
from e2e_hold import at_rest
from e2e_wait import STEP, check, wait_until


class Input:
    def pointer_at(self):
        """The pointer's place on this copy's display, or None."""
        out = self.xdotool("getmouselocation", "--shell")
        place = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        try:
            return int(place["X"]), int(place["Y"])
        except (KeyError, ValueError):
            return None

    def move_pointer(self, x, y):
        """Moves the pointer to (x, y) and returns once it is there. A pointer already there is
        left alone: "mousemove --sync" to where it stands waits for a motion event that never
        comes."""
        x, y = int(x), int(y)
        if self.pointer_at() == (x, y):
            return
        self.xdotool("mousemove", x, y)
        check(wait_until(lambda: self.pointer_at() == (x, y), STEP, 0.01),
              "the pointer did not get to %d %d" % (x, y))

    def click(self, x, y, game=False):
        """A tap held a little, as a person's. A game button sees a touch only when a game step
        sees the finger down (a press and release between two steps, in a slow frame, is no
        touch): on one, or anywhere with `game` (a control of the game's the dump does not
        list), the press is held until the dump's count of fingers gone down moves on."""
        d = self.dump()
        downs = d.get("touch_downs")
        if downs is not None and (game or d.on_game_button(int(x), int(y))):
            self.move_pointer(x, y)
            self.xdotool("mousedown", "1")
            try:
                self.wait_dump(lambda n: n.get("touch_downs") not in (None, downs),
                               "the game did not see the press at %d %d" % (x, y))
            finally:
                self.xdotool("mouseup", "1")
            return
        self.move_pointer(x, y)
        self.xdotool("mousedown", "1", "sleep", 0.15, "mouseup", "1")

    def click_rect(self, rect):
        self.click((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)

    def press(self, name, text=None, page=None, inside=None, bound=STEP):
        """Waits until the named widget shows at rest (on the page, when named) and taps it;
        `text` and `inside` as in Dump.widget."""
        def rect(d):
            if page is not None and d.get("menu_page") != page:
                return None
            return d.widget(name, text, inside)
        d = at_rest(self, rect, "no widget %s%s at rest" % (name, " on " + page if page else ""),
                    bound)
        self.click_rect(rect(d))

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def edit(self, field, page):
        """Taps the page's text field and waits until it takes typing (a key pressed before the
        program has handled the tap would go to the field before)."""
        self.press(field, page=page)
        self.wait_dump(lambda d: d.get("editing") == field,
                       "the field %s does not take typing" % field)

    def type_into(self, field, text, page, shown=None):
        """Taps the page's text field, types the text once the field takes it and waits until
        the field shows it (as `shown` where it masks it)."""
        self.edit(field, page)
        self.type(text)
        self.wait_dump(lambda d: d.widget_text(field) == (text if shown is None else shown),
                       "the field %s does not show what was typed" % field)

    def drag(self, x0, y0, x1, y1, steps=8):
        self.move_pointer(x0, y0)
        self.xdotool("mousedown", "1", "sleep", "0.2")
        for k in range(1, steps + 1):
            self.move_pointer(x0 + (x1 - x0) * k // steps, y0 + (y1 - y0) * k // steps)
            self.xdotool("sleep", "0.08")
        self.xdotool("sleep", "0.2", "mouseup", "1")
