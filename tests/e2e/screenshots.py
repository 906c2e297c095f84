"""Pictures of the system as a person sees it, made by the real program on the stand-in with the
two-copy harness, one BUILD/screenshots/NAME.png for each of NAMES: the game's menu, credits,
training picker, a training scene's start, loss and win, story intro, level editor; the online
menu's login, registration, start page (outside and during a match), settings, about, own page
(with achievements and without), player list with an entry open, gift choice, shop, buy
confirmation and my items; a battle's start, both turn banners, the aim held, a shot in flight,
a time-out, the leave confirmation, both results and the chat. A is the demo account "alice"
(she wears her red hat), B logs in as "dmitri" (no achievements). Each screen is checked
(screen_check.py) once the run is over: the faults found are written to
BUILD/screenshots/faults.txt, and the run fails when there are any.

Usage: screenshots.py BUILD_DIR (scripts/screenshots.sh runs it)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
import screen_check  # noqa: E402

NAMES = ("game_menu", "credits", "training", "training_ready", "training_lost", "training_won",
         "intro", "editor", "login", "register", "start", "settings", "about", "me", "players",
         "player_open", "get_ready", "your_turn", "opponent_turn", "battle_hat", "leave_confirm",
         "chat", "aiming", "in_flight", "time_out", "results", "results_won", "start_ingame",
         "shop", "buy", "gift", "my_items", "me_empty")
LANGUAGE = os.path.join(h.SOURCE, "data", "language", "zorbixlanguage_0000.txt")


def game_text(number):
    """The game's English text of that number, as its language pack's source lists it."""
    return h.pack_text(LANGUAGE, number)


def banner(text):
    """A condition on the dump: the game's text shows, opaque."""
    return lambda d: any(t[2] == text and t[1][:2].lower() == "ff" for t in game_texts(d))


def projectiles(d, side):
    """The projectiles of a side that lie on the screen: [(x, y)]."""
    out = []
    for line in d.text.splitlines():
        words = line.split(" ")
        if words[0] == "projectile" and len(words) == 6 and words[1] == str(side):
            x, y = int(words[4]), int(words[5])
            if 0 <= x < 800 and 0 <= y < 480:
                out.append((x, y))
    return out


def winning_aim(scene=1):
    """The first turn's aim of the scene's winning line, kept beside its source."""
    with open(os.path.join(h.SOURCE, "data", "scenes", "%02d.txt" % scene)) as f:
        for line in f:
            words = line.split()
            if words[:2] == ["#", "win:"] and len(words) >= 5:
                return int(words[2]), float(words[3]), float(words[4])
    raise KeyError(scene)


def turn_banner_side(text, own):
    """A check of a held frame that shows a turn's banner: the own-turn banner shows on the copy
    whose turn it is (its dump's turn side is its own), the other on the other copy."""
    def checked(copy, d):
        side, turn = d.num("local_side"), d.num("turn_side")
        h.check((side == turn) == own,
                "%s: %r shows on side %d while the turn is side %d's" % (copy.name, text, side,
                                                                         turn))
    return checked


# The hint's own time on the game's clock, and the time a tap leaves it.
HINT_SECONDS, HURRIED_SECONDS = 5.0, 1.0
STEP_SECONDS = 0.033  # a game step


def hurried_hint(shown, gone):
    """Checks, on the game's own clock, that a tap made while the frame `shown` was held (the
    hint's first) sent the hint off well before its own time: it is gone (`gone`) a little over
    HURRIED_SECONDS later, where its own time had more than twice that left."""
    left = shown.real("picker_message", 0.0)
    h.check(left > 2 * HURRIED_SECONDS + 0.5,
            "the hint's first frame has %.3f s of its %.0f s left" % (left, HINT_SECONDS))
    took = (gone.num("steps") - shown.num("steps")) * STEP_SECONDS
    h.check(took < left - HURRIED_SECONDS,
            "the tap beside the plates does not send the hint off: it went after %.2f s of the "
            "game's clock, with %.2f s of its own time left when the finger went down"
            % (took, left))


def game_buttons(d):
    """The game's touch buttons of the dump: {id: [(left, top, right, bottom), ...]}."""
    return d.game_buttons()


still = h.still
game_texts = screen_check.game_texts


def press_game_button(copy, button):
    """Waits for the game's touch button and taps the middle of its square."""
    d = copy.wait_dump(lambda d: button in game_buttons(d),
                       "no game button %d" % button)
    copy.click_rect(game_buttons(d)[button][0])


def credit_rows(d):
    """The credits' rows drawn whole (opaque: they fade in from the bottom and out near the
    top) on a frame of the roll."""
    return sum(1 for t in game_texts(d) if t[1][:2].lower() == "ff")


def intro_strip(d):
    """The left edge of the story intro's strip on the dump's frame (a large number without
    one)."""
    return int((d.values.get("intro_strip") or [1 << 30])[0])


def intro_strip_at_rest(d):
    """Where the intro's strip comes to rest and stays as it fades out before the intro ends by
    itself: the last of its eleven pictures, each 1.6 view heights wide, centred on the view."""
    width, height = (int(v) for v in d.values.get("view", ["800", "480"])[:2])
    return int(width / 2 - 10 * 1.6 * height - 0.8 * height)


class Shots:
    """Screenshots into the output directory with the dump of the frame they show; each screen
    is checked afterwards (`check`). Each picture is taken with the program held still
    (Copy.freeze): the dump then describes the very frame on the screen. A screen that shows
    only for a while is watched for (`want`, `catch`) from before it can come."""

    def __init__(self, out, pictures):
        self.out, self.faults, self.pictures, self.taken = out, [], pictures, []

    def take(self, copy, name):
        """The copy's screen now, held still."""
        before = copy.dump()
        frozen = copy.freeze()
        try:
            self.picture(copy, name, frozen, before)
        finally:
            copy.thaw()

    def picture(self, copy, name, dump, before=None):
        """The picture of a copy held still, with the dump of its frame."""
        path = os.path.join(self.out, name + ".png")
        copy.screenshot(path)
        with open(os.path.join(self.out, name + ".txt"), "w") as f:
            f.write(dump.text)
        self.taken.append((name, dump, path, before or dump))

    def want(self, copies, name, condition, outside=False, checked=None):
        """Watches the copies for a frame that meets the condition, from now on, and takes the
        first such frame's picture as it is held: a frame the program holds itself as one of
        its freeze texts shows (FREEZE_TEXTS), or with `outside` one the watcher stops the
        program on. `checked(copy, dump)`, when given, checks the held frame first (raising
        Failure fails the watch). Returns the watch: its wait() says on which copy it was
        taken."""
        def take(c, d):
            if checked:
                checked(c, d)
            self.picture(c, name, d)
        watch = h.Watch(condition, take, outside)
        for c in copies:
            c.watch(watch)
        return watch

    def catch(self, copy, name, condition):
        """A picture of the first frame from now on that meets the condition."""
        self.want([copy], name, condition, outside=True).wait(
            "%s: no frame for %s" % (copy.name, name))

    def check(self):
        for name, dump, path, before in self.taken:
            for fault in screen_check.check(dump, path, self.pictures, before):
                self.faults.append("%s: %s" % (name, fault))
        self.taken = []


# The game's texts that hold the program still as they show (its test seam), so that a picture
# of them is taken while they are up: the banners of a battle's start, turns, time-out and end,
# of a training scene's end, and the training picker's hint.
FREEZE_TEXTS = (0, 1, 2, 3, 4, 6, 16, 17, 20)
# Shots a training scene may take before it ends as wanted.
TRAINING_SHOTS = 6


def play_training(copy, shots, name, first=False):
    """Plays the training's first scene to the end NAME wants, takes its end's banner as it
    comes and presses the end's next button (a lost scene starts again, a won one returns to
    the picker). The first time the scene is picked and the start's banner taken.

    training_won: the scene's winning jump, aimed from the squib the copy shows and checked in
    the aim the shot leaves with (a harness failure when it is not the line's); training_lost:
    a leap off the jetty's far end, a pull of fixed pixels from the resting squib on the
    resting view: the scene must be lost by the leap played, never by its time-outs. The
    battle is deterministic: a shot released at that aim that does not end the scene as wanted
    (read at its end or its next turn) is a fault of the game, and fails. Only a turn whose
    clock the dump shows run out before the release is aimed again (at most TRAINING_SHOTS
    times); a turn that passes any other way under the finger, and a release the game ignores,
    fail (see hold_aim and let_go)."""
    won = name == "training_won"
    if first:
        d = copy.wait_dump(lambda d: d.screens() == ["training"] and
                           len(game_buttons(d).get(1, [])) == 15, "no training picker")
        ready = shots.want([copy], "training_ready", banner(game_text(0)))
        copy.click_rect(game_buttons(d)[1][0])
        ready.wait("no get-ready banner in training")
    wanted = game_text(16 if won else 17)
    end = shots.want([copy], name, banner(wanted))
    button, ax, ay = winning_aim(1)
    h.check(button == 2, "the first scene's winning line does not start with a jump")
    line = "# win: %d %s %s" % (button, ax, ay)
    for shot in range(TRAINING_SHOTS):
        d = copy.wait_dump(lambda d: h.my_turn(d) and d.get("game_over") == "0",
                           "no turn in the training scene", h.TURN)
        width = int(d.values.get("view", ["800"])[0])
        dx, dy = h.pull_for_aim(width, ax, ay) if won else (76, 76)
        played = d.num("shots", 0)
        held = h.hold_aim(copy, dx, dy, (ax, ay) if won else None)
        if held:
            held = h.let_go(held)
        h.check(held is not None, "%s: the training scene ended by its time-outs before shot "
                "%d" % (copy.name, shot + 1))
        if not held:
            # The dump showed the turn's clock run out before the release (hold_aim, let_go).
            print("%s: the turn's clock ran out before shot %d's release; again"
                  % (copy.name, shot + 1))
            continue
        # The scene's end as its result banner's texts (the dump's line), or its next turn.
        d = copy.wait_dump(lambda d: d.values.get("banner", ["-1"])[0] != "-1" or
                           d.num("shots", 0) > played and h.my_turn(d),
                           "the scene neither ends nor goes on", h.TURN)
        main, how = (int(v) for v in d.values.get("banner", ["-1", "-1"])[:2])
        h.check((main, how) == (16 if won else 17, -1),
                "%s: training scene 1: the shot released at the aim %s (aiming, stretching, x, y)"
                " %s%s; %s" % (copy.name, h.aim_of(d), {16: "won the scene", 17: "lost the "
                                                        "scene"}.get(main, "left it going on"),
                               " by its time-outs" if how == 9 else "",
                               "its winning line is %r" % line if won else
                               "the leap was a pull of %d %d pixels" % (dx, dy)))
        break
    end.wait("no banner %r at the end of the scene" % wanted)
    press_game_button(copy, 12)


def make(build):
    out = os.path.join(build, "screenshots")
    os.makedirs(out, exist_ok=True)
    # B's game menu offers the level editor (a test seam: no button of the menu does).
    # A's Home key shows the start page (a test seam: nothing else reaches it during a match).
    # Both hold still as a banner shows (a test seam), for its picture.
    freeze = ",".join(str(n) for n in FREEZE_TEXTS)
    world = h.World(build, env={"a": {"ORLO_HOME_KEY": "1", "ORLO_FREEZE_TEXTS": freeze},
                                "b": {"ORLO_EDITOR_BUTTON": "1", "ORLO_FREEZE_TEXTS": freeze}})
    shots = Shots(out, os.path.join(build, "datapacks", "game"))

    def body():
        a, b = world.start()
        for c in (a, b):
            h.first_login(c)
        h.no_toast(a)
        # The game's menu with its buttons (and the hint to find an opponent).
        a.wait_dump(lambda d: d.get("menu_shown") == "0" and
                    len([line for line in d.text.splitlines()
                         if line.startswith("gamebutton ")]) >= 7, "no game menu")
        still(a)
        shots.take(a, "game_menu")
        # B's tour of the game's own screens while A logs in: the credits roll (their close
        # button shows alone), then the training picker (fifteen plates and its exit).
        b.wait_dump(lambda d: d.get("menu_shown") == "0" and len(game_buttons(d)) >= 7,
                    "no game menu on B")
        h.no_toast(b)
        press_game_button(b, 5)
        b.wait_dump(lambda d: list(game_buttons(d)) == [7], "the credits do not open")
        # The roll has risen to where its rows fade out below the top corners' buttons.
        shots.catch(b, "credits", lambda d: list(game_buttons(d)) == [7] and
                    any(int(t[0][1]) < 110 for t in game_texts(d)))
        # The close button brings the menu back while the rows still rise: the roll, left
        # alone, closes by itself once its last rows have risen out of view (it lasts about 70 s
        # of the game's clock, the wait's bound less the time up to the click), so the last
        # frame of the roll seen before the menu must still show three rows drawn whole.
        rows_seen = [credit_rows(b.dump())]

        def closed(d):
            if list(game_buttons(d)) == [7]:
                rows_seen[0] = credit_rows(d)
            return 8 in game_buttons(d)
        press_game_button(b, 7)
        b.wait_dump(closed, "the credits do not close")
        h.check(rows_seen[0] >= 3, "B: the close button does not close the credits: their last "
                "frame seen before the menu shows %d rows drawn whole (the roll had ended by "
                "itself)" % rows_seen[0])
        still(b)
        # The hint over the picker shows for its own time (HINT_SECONDS of the game's clock); a
        # tap beside the plates sends it off within a second. B holds still as the hint comes
        # (a freeze text), and the finger goes down while it is held.
        hinted = h.Watch(lambda d: d.screens() == ["training"] and banner(game_text(20))(d),
                         lambda c, d: c.move_pointer(720, 440) or
                         c.xdotool("mousedown", "1"))
        b.watch(hinted)
        press_game_button(b, 8)
        try:
            hinted.wait("no hint over the picker")
            downs = hinted.dump.get("touch_downs")
            b.wait_dump(lambda d: d.get("touch_downs") != downs and
                        (h.touch0(d) or (0, 0, 0))[2] == 1,
                        "the game does not see the tap beside the plates")
        finally:
            b.xdotool("mouseup", "1")
        shown = hinted.dump
        gone = b.wait_dump(lambda d: d.screens() == ["training"] and
                           d.real("picker_message", 1.0) <= 0.0, "the hint stays")
        hurried_hint(shown, gone)
        still(b)
        shots.take(b, "training")
        # The first scene, lost (a leap off the jetty's far end) and then won (its winning
        # jump into the opponent): the start's banner, the two end banners.
        play_training(b, shots, "training_lost", first=True)
        play_training(b, shots, "training_won")
        d = b.wait_dump(lambda d: d.screens() == ["training"] and 0 in game_buttons(d),
                        "the won scene does not return to the picker")
        press_game_button(b, 0)
        b.wait_dump(lambda d: d.screens() == ["menu"] and len(game_buttons(d)) >= 7,
                    "B's game menu does not come back")
        # The story intro, once its first picture fills most of the screen; skipped, the menu
        # loads everything again while A logs in.
        intro = shots.want([b], "intro", lambda d: d.screens() == ["intro"] and
                           d.num("intro_strip", 9999) <= 200, outside=True)
        press_game_button(b, 3)
        intro.wait("no story intro")
        # Left alone, the intro ends by itself within the wait's bound (about 52 s of the game's
        # clock), after its strip has come to rest: the skip must bring the menu back before.
        lowest = [intro_strip(b.dump())]

        def menu_back(d):
            lowest[0] = min(lowest[0], intro_strip(d))
            return d.screens() == ["menu"]
        press_game_button(b, 1)
        d = b.wait_dump(menu_back, "the intro does not end")
        h.check(lowest[0] > intro_strip_at_rest(d), "B: the skip button does not end the intro:"
                " the menu came back as the intro ended by itself (its strip seen down to %d, at"
                " rest at %d)" % (lowest[0], intro_strip_at_rest(d)))
        # The level editor, left by its control at the bottom's middle (it saves its scene).
        press_game_button(b, 1)
        b.wait_dump(lambda d: d.screens() == ["edit"] and game_texts(d), "no level editor")
        still(b)
        shots.take(b, "editor")
        b.click(400, 470, game=True)
        b.wait_dump(lambda d: d.screens() == ["menu"], "the editor does not close")
        # B logs in as a user without achievements: the own page's panel says there are none.
        h.login(b, "dmitri", "ironwall")
        h.no_toast(b)
        h.open_menu(b, "startscreen_root")
        b.press("start_me", page="startscreen_root")
        b.wait_dump(lambda d: h.page_shown("me_root")(d) and
                    d.widget("my_achievements_none") is not None,
                    "no own page saying it has no achievements")
        still(b)
        shots.take(b, "me_empty")
        b.press("me_back_button", page="me_root")
        b.wait_dump(h.page_shown("startscreen_root"), "B is not back on the start page")
        h.close_menu(b)
        h.open_menu(a, "loginscreen_root")
        still(a)
        shots.take(a, "login")
        a.press("register_button", page="loginscreen_root")
        a.wait_dump(h.page_shown("loginscreen_playername"), "no registration page")
        still(a)
        shots.take(a, "register")
        a.press("playername_back_label", page="loginscreen_playername")
        a.wait_dump(h.page_shown("loginscreen_root"), "not back on the login page")
        h.login(a, "alice", "wonderland")
        h.no_toast(a)
        h.open_menu(a, "startscreen_root")
        still(a)
        shots.take(a, "start")
        for button, page, name, back in (("start_settings", "settings_root", "settings",
                                          "settings_back_label"),
                                         ("start_about", "about_root", "about",
                                          "about_back_button_label")):
            a.press(button, page="startscreen_root")
            a.wait_dump(h.page_shown(page), "no page " + page)
            still(a)
            shots.take(a, name)
            a.press(back, page=page)
            a.wait_dump(h.page_shown("startscreen_root"), "not back on the start page")
        a.press("start_me", page="startscreen_root")
        a.wait_dump(lambda d: h.page_shown("me_root")(d) and
                    d.widget("my_achievement_1", text="First blood") is not None,
                    "no own page with its achievements")
        still(a)
        shots.take(a, "me")
        a.press("me_back_button", page="me_root")
        a.wait_dump(h.page_shown("startscreen_root"), "not back on the start page")
        b_name = "dmitri"
        avatars = a.dump().num("avatars", 0)
        row = h.find_player(a, b_name)
        # dmitri's avatar, which the stand-in sends after the list's rows.
        a.wait_dump(lambda d: d.num("avatars", 0) > avatars, "no avatar in the list")
        still(a)
        shots.take(a, "players")
        # B's entry open.
        a.click_rect(row)
        a.wait_dump(lambda d: d.widget("button_follow") is not None, "the entry does not open")
        still(a)
        shots.take(a, "player_open")
        b.wait_dump(lambda d: d.screens() == ["menu"] and len(game_buttons(d)) >= 7,
                    "B's game menu does not come back after the intro")
        # The battle's banners, each taken as it shows on its copy: the start's (with the
        # level's name under it, while the first turn waits) on B, the first turn's own and
        # opponent's on whichever copy shows each.
        get_ready = shots.want([b], "get_ready", lambda d: h.in_battle(d) and
                               banner(game_text(0))(d))
        your_turn = shots.want([a, b], "your_turn", banner(game_text(1)),
                               checked=turn_banner_side(game_text(1), True))
        opponent_turn = shots.want([a, b], "opponent_turn", banner(game_text(2)),
                                   checked=turn_banner_side(game_text(2), False))
        h.challenge(a, b_name)
        h.accept_challenge(b)
        h.wait_battle(b)
        get_ready.wait("no get-ready banner")
        mine = your_turn.wait("no banner of the first turn on its side", h.TURN)
        theirs = opponent_turn.wait("no banner of the first turn on the other side", h.TURN)
        h.check(mine is not theirs, "both turn banners of the first turn show on %s" % mine.name)
        print("turn banners taken on %s and %s" % (mine.name, theirs.name))
        a_side = 1 - b.dump().num("local_side")
        b.wait_dump(lambda d: (d.values.get("player%d" % a_side) or ["0"] * 7)[6] == "1",
                    "no hat on A's squib")
        # The view at rest, taken without a banner (a turn's may come meanwhile).
        def no_banner(d):
            return not any(t[2] == game_text(n) for t in game_texts(d) for n in (0, 1, 2, 6))
        b.wait_dump(no_banner, "the banners stay", h.TURN)
        still(b)
        shots.catch(b, "battle_hat", no_banner)
        # B asks to leave and thinks better of it.
        press_game_button(b, 0)
        b.wait_dump(lambda d: {10, 11} <= set(game_buttons(d)), "no leave confirmation")
        still(b)
        shots.take(b, "leave_confirm")
        press_game_button(b, 11)
        b.wait_dump(lambda d: 11 not in game_buttons(d), "the confirmation stays")
        h.open_menu(a, "chat_root")
        a.type_into("chat_textfield", "Nice hat, right?", "chat_root")
        a.press("chat_send_button", page="chat_root")
        a.wait_dump(lambda d: any(w[5].endswith("alice: Nice hat, right?") for w in d.widgets),
                    "the line is not in the backlog")
        still(a)
        shots.take(a, "chat")
        # The match's start page, reached through a test seam (the Home key: nothing on the
        # chat page leads there); its first button returns to the battle.
        a.xdotool("key", "Home")
        a.wait_dump(lambda d: h.page_shown("startscreen_root")(d) and
                    d.widget("start_return_game") is not None, "no start page of a match")
        still(a)
        shots.take(a, "start_ingame")
        a.press("start_return_game", page="startscreen_root")
        a.wait_dump(lambda d: d.get("menu_shown") == "0", "the battle does not come back")
        # A's turn: the squib pulled back and held, then the shot in flight: the suite's usual
        # shot towards B (pulled 200 pixels away from B and down).
        d = a.dump()
        mine, theirs = (d.values.get("squib%d_world" % s) for s in (a_side, 1 - a_side))
        toward = 1 if (not mine or not theirs or float(theirs[0]) >= float(mine[0])) else -1
        for _ in range(4):
            held = h.hold_aim(a, -toward * 156, 125, other=b)
            h.check(held is not None, "a: the match ended before its first aim")
            if held:
                # The picture of the aim on a held frame of A's turn (its clock may run out
                # between the aim and the hold: then A aims again on its next turn, once the
                # dump shows the clock ran out).
                frozen = a.freeze()
                try:
                    aimed = held.same(frozen)
                    if aimed:
                        h.check((h.aim_of(frozen) or (0, 0))[:2] == (1, 1),
                                "a: the held frame of its turn shows no aim held: %s"
                                % (h.aim_of(frozen),))
                        shots.picture(a, "aiming", frozen)
                    else:
                        h.check(held.passed(frozen, "under the held aim") is False,
                                "a: the match ended under its first aim")
                finally:
                    a.thaw()
                if aimed:
                    break
                h.release(a)
            print("a: the turn's clock ran out under the held aim; aiming again")
        else:
            raise h.Failure("a: no turn long enough to hold the aim")
        now = a.dump()
        played, level = now.num("shots", 0), now.get("level")
        # The shot in flight, watched for from before the finger lets go: the shot about to be
        # released (the battle's shots played back are still those before it), a projectile of
        # A's well away from A's squib on the same frame; and B's next turn running out (B
        # never shoots): the time-out over the opponent's turn.
        def flying(d):
            at = h.squib(d)  # where A's squib is on this frame's view
            return (d.get("level") == level and d.num("shots", 0) == played and at and
                    any(abs(x - at[0]) + abs(y - at[1]) > 80 for x, y in projectiles(d, a_side)))
        in_flight = shots.want([a], "in_flight", flying, outside=True)
        time_out = shots.want([b], "time_out", banner(game_text(6)))
        lost, won = banner(game_text(4)), banner(game_text(3))
        results = shots.want([a, b], "results", lost)
        results_won = shots.want([a, b], "results_won", won)
        h.release(a)
        in_flight.wait("A's shot %d is not seen in flight" % (played + 1))
        # Should the shot have ended the match (a squib knocked into the water), a rematch
        # gives the time-out instead.
        d = b.wait_dump(lambda d: time_out.done() or d.get("game_over") == "1",
                        "no time-out banner", h.TURN)
        if not time_out.done():
            print("the held shot ended the match: a rematch for the time-out")
            for c in (a, b):
                h.chat_after_match(c)
                c.press("rematch-button", page="chat_root")
            # (The first match's results were taken as it ended.)
            for c in (a, b):
                c.wait_dump(lambda d: h.in_battle(d) and d.get("game_over") == "0" and
                            d.num("shots") == 0, "no rematch")
        time_out.wait("no time-out banner", h.TURN)
        # A shoots on: B's third strike ends the match.
        h.shoot_until_over(a, other=b)
        # The results over both battles, each taken as it shows (the chat page comes over them
        # a little later). B's strikes usually end it; on a slow machine A's own turns may run
        # out first, while pictures are taken, and then A is the one that lost.
        loser = results.wait("no losing banner", h.TURN)
        winner = results_won.wait("no winning banner", h.TURN)
        h.check(loser is not winner, "both results on %s" % loser.name)
        # The battle opens the match's chat by itself a little later; leaving it leaves the
        # match for the start page.
        a.wait_dump(h.page_shown("chat_root"), "no chat after the match")
        h.to_start_page(a)
        a.press("start_shop", page="startscreen_root")
        a.press("item_name", text="Top hat", page="shop_root")
        a.wait_dump(lambda d: d.widget("buy-button") is not None, "the hat does not open")
        still(a)
        shots.take(a, "shop")
        # The opened item is scrolled into view: its buy button is in the dump.
        a.wait_dump(lambda d: d.widget("buy-button") is not None,
                    "the scrolled shop's buy button is not in the dump")
        a.press("buy-button", page="shop_root")
        a.wait_dump(h.page_shown("confirm_buy_dialog"), "no buy confirmation")
        still(a)
        shots.take(a, "buy")
        a.press("confirm_buy_cancel_label", page="confirm_buy_dialog")
        a.wait_dump(h.page_shown("shop_root"), "not back in the shop")
        # A gift of the hat: the players alice follows to choose from.
        a.press("item_name", text="Top hat", page="shop_root")
        a.press("gift-button", page="shop_root")
        a.wait_dump(h.page_shown("dialog_list_selection"), "no choice of players")
        still(a)
        shots.take(a, "gift")
        a.press("selection_cancel_label", page="dialog_list_selection")
        a.wait_dump(h.page_shown("shop_root"), "not back in the shop")
        a.press("my_items_button", page="shop_root")
        a.wait_dump(lambda d: h.page_shown("my_items_root")(d) and d.get("loading") == "0" and
                    d.widget("item_name", text="Red woollen hat") is not None,
                    "my items do not show the hat")
        still(a)
        shots.take(a, "my_items")

    status = h.play(world, body)
    shots.check()
    with open(os.path.join(out, "faults.txt"), "w") as f:
        for fault in shots.faults:
            f.write(fault + "\n")
    for fault in shots.faults:
        print("FAULT: " + fault)
    return status or int(bool(shots.faults))


if __name__ == "__main__":
    h.script(make)
