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
import shutil
import sys
import time

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
    with open(LANGUAGE, encoding="utf-8") as f:
        for line in f:
            key, _, text = line.rstrip("\n").partition("=")
            if key == str(number):
                return text.replace("\\n", " ")
    raise KeyError(number)


def banner(text):
    """A condition on the dump: the game's text shows, opaque."""
    return lambda d: any(t[2] == text and t[1][:2].lower() == "ff" for t in game_texts(d))


def projectiles(d):
    """The projectiles of the dump that lie on the screen: [(x, y)]."""
    out = []
    for line in d.text.splitlines():
        words = line.split(" ")
        if words[0] == "projectile" and len(words) == 6:
            x, y = int(words[4]), int(words[5])
            if 0 <= x < 800 and 0 <= y < 480:
                out.append((x, y))
    return out


def wait_squib_still(copy, seconds):
    """Waits for the copy's turn with its squib resting on the screen; its point."""
    state = {"at": None, "count": 0}

    def still(d):
        at = h.squib(d) if h.my_turn(d) and d.get("game_over") != "1" else None
        if at is None or at != state["at"]:
            state["at"], state["count"] = at, 0
            return False
        state["count"] += 1
        return state["count"] >= 8
    copy.wait_dump(still, seconds, "no turn with the squib at rest")
    return state["at"]


def hold_aim(copy, dx, dy, tries=2):
    """Presses on the copy's resting squib and pulls the finger by (dx, dy) pixels, held; the
    finger stays down until `release`. A turn that runs out under the finger is let go, and
    the next turn tried."""
    for _ in range(tries - 1):
        if pull_squib(copy, dx, dy):
            return
        release(copy)
    if not pull_squib(copy, dx, dy):
        d = copy.dump()
        raise h.Failure("%s: the squib is not stretched and still (aim line: %s)"
                        % (copy.name, d.values.get("aim%d" % d.num("local_side"))))


def pull_squib(copy, dx, dy):
    x, y = wait_squib_still(copy, 70)
    downs = copy.dump().get("touch_downs")
    copy.move_pointer(x, y)
    copy.xdotool("mousedown", "1")
    copy.wait_dump(lambda d: d.get("touch_downs") != downs, 20, "the game did not see the press")
    for k in range(1, 6):
        copy.move_pointer(x + dx * k // 5, y + dy * k // 5)
        # Each step of the pull seen by the game before the next.
        d0 = copy.dump().text
        h.wait_until(lambda: copy.dump().text != d0, 2)
    side = copy.dump().num("local_side")
    state = {"last": None, "count": 0}

    def stretched(d):
        # Still on the screen: the aim moves by less than a tenth of a pixel (the resting squib
        # may still sway by less, which the dump's four decimals show).
        aim = d.values.get("aim%d" % side) or []
        last = state["last"]
        if (aim[:2] != ["1", "1"] or not last or
                max(abs(float(a) - float(b)) for a, b in zip(aim[2:4], last[2:4])) > 0.0005):
            state["last"], state["count"] = aim, 0
            return False
        state["count"] += 1
        return state["count"] >= 4
    return h.wait_until(lambda: stretched(copy.dump()), 20)


def release(copy):
    copy.xdotool("mouseup", "1")


def game_buttons(d):
    """The game's touch buttons of the dump: {id: [(left, top, right, bottom), ...]}."""
    out = {}
    for line in d.text.splitlines():
        words = line.split(" ")
        if words[0] == "gamebutton" and len(words) >= 7:
            out.setdefault(int(words[1]), []).append([int(v) for v in words[3:7]])
    return out


def still(copy, seconds=15):
    """Waits until what the dump shows (the widgets, the game's buttons and texts) has stayed the
    same over several reads in a row: the screen's animations are over."""
    state = {"last": None, "count": 0}
    keys = ("widget ", "gamebutton ", "menu_page ", "screens ")

    def steady(d):
        # The game's texts count by their colour and words: some bob in place for good.
        shown = [line for line in d.text.splitlines() if line.startswith(keys)]
        shown += [(t[1], t[2]) for t in game_texts(d)]
        if shown == state["last"]:
            state["count"] += 1
        else:
            state["last"], state["count"] = shown, 0
        return state["count"] >= 6
    copy.wait_dump(steady, seconds, "the screen does not settle")


game_texts = screen_check.game_texts


def press_game_button(copy, button, seconds=15):
    """Waits for the game's touch button and taps the middle of its square."""
    d = copy.wait_dump(lambda d: button in game_buttons(d), seconds,
                       "no game button %d" % button)
    copy.click_rect(game_buttons(d)[button][0])


class Shots:
    """Screenshots into the output directory with the dump of the moment; each screen is
    checked afterwards (`check`), so that a short-lived screen (a banner) is taken at once."""

    def __init__(self, out, pictures):
        self.out, self.faults, self.pictures, self.taken = out, [], pictures, []

    def take(self, copy, name):
        # The dumps of the frames before and after the picture: a text that moves (the credits'
        # roll) is checked where it lay in either.
        path = os.path.join(self.out, name + ".png")
        before = copy.dump()
        copy.screenshot(path)
        dump = copy.dump()
        with open(os.path.join(self.out, name + ".txt"), "w") as f:
            f.write(dump.text)
        self.taken.append((name, dump, path, before))

    def check(self):
        for name, dump, path, before in self.taken:
            for fault in screen_check.check(dump, path, self.pictures, before):
                self.faults.append("%s: %s" % (name, fault))
        self.taken = []


def play_training(copy, shots, name, pull, first=False):
    """Plays the training's first scene with one jump, the finger pulled by `pull` pixels from
    the squib, until the scene ends; takes its end as NAME and presses the end's next button
    (a lost scene starts again, a won one returns to the picker). The first time the scene is
    picked and the start's banner taken."""
    if first:
        d = copy.wait_dump(lambda d: d.screens() == ["training"] and
                           len(game_buttons(d).get(1, [])) == 15, 20, "no training picker")
        copy.click_rect(game_buttons(d)[1][0])
        copy.wait_dump(banner(game_text(0)), 20, "no get-ready banner in training")
        shots.take(copy, "training_ready")
    for _ in range(3):
        hold_aim(copy, *pull)
        played = copy.dump().num("shots", 0)
        release(copy)
        # The jump is played, then the scene ends or the next turn comes.
        d = copy.wait_dump(lambda d: d.get("game_over") == "1" or
                           (d.num("shots", 0) > played and h.my_turn(d)), 60,
                           "the scene neither ends nor goes on")
        if d.get("game_over") == "1":
            break
    text = game_text(16 if name == "training_won" else 17)
    copy.wait_dump(banner(text), 20, "no banner %r" % text)
    shots.take(copy, name)
    press_game_button(copy, 12)


def make(build):
    out = os.path.join(build, "screenshots")
    os.makedirs(out, exist_ok=True)
    # B's game menu offers the level editor (a test seam: no button of the menu does).
    # A's Home key shows the start page (a test seam: nothing else reaches it during a match).
    world = h.World(build, env={"a": {"ORLO_HOME_KEY": "1"}, "b": {"ORLO_EDITOR_BUTTON": "1"}})
    shots = Shots(out, os.path.join(build, "datapacks", "game"))
    ok = False
    try:
        a, b = world.start()
        for c in (a, b):
            c.wait_dump(lambda d: d.num("lobby_state") == 5, 60, "no first login")
        h.no_toast(a)
        # The game's menu with its buttons (and the hint to find an opponent).
        a.wait_dump(lambda d: d.get("menu_shown") == "0" and
                    len([line for line in d.text.splitlines()
                         if line.startswith("gamebutton ")]) >= 7, 30, "no game menu")
        still(a)
        shots.take(a, "game_menu")
        # B's tour of the game's own screens while A logs in: the credits roll (their close
        # button shows alone), then the training picker (fifteen plates and its exit).
        b.wait_dump(lambda d: d.get("menu_shown") == "0" and len(game_buttons(d)) >= 7, 30,
                    "no game menu on B")
        h.no_toast(b)
        press_game_button(b, 5)
        b.wait_dump(lambda d: list(game_buttons(d)) == [7], 10, "the credits do not open")
        # The roll has risen to where its rows fade out below the top corners' buttons.
        b.wait_dump(lambda d: any(int(t[0][1]) < 110 for t in game_texts(d)), 20,
                    "the credits do not rise")
        shots.take(b, "credits")
        press_game_button(b, 7)
        b.wait_dump(lambda d: 8 in game_buttons(d), 10, "the credits do not close")
        still(b)
        press_game_button(b, 8)
        b.wait_dump(lambda d: d.screens() == ["training"] and
                    len(game_buttons(d).get(1, [])) == 15, 20, "no training picker")
        # The hint over the picker shows; a tap beside the plates sends it off sooner.
        def hint(d):  # the texts other than the plates' numbers
            return [t for t in game_texts(d) if not t[2].isdigit()]
        b.wait_dump(hint, 10, "no hint over the picker")
        b.click(720, 440)
        b.wait_dump(lambda d: not hint(d), 15, "the hint stays")
        still(b)
        shots.take(b, "training")
        # The first scene, lost (a leap off the jetty's far end) and then won (its winning
        # jump into the opponent): the start's banner, the two end banners.
        play_training(b, shots, "training_lost", (76, 76), first=True)
        play_training(b, shots, "training_won", (-77, 21))
        d = b.wait_dump(lambda d: d.screens() == ["training"] and 0 in game_buttons(d), 20,
                        "the won scene does not return to the picker")
        press_game_button(b, 0)
        b.wait_dump(lambda d: d.screens() == ["menu"] and len(game_buttons(d)) >= 7, 20,
                    "B's game menu does not come back")
        # The story intro, once its first picture fills most of the screen; skipped, the menu
        # loads everything again while A logs in.
        press_game_button(b, 3)
        b.wait_dump(lambda d: d.screens() == ["intro"] and d.num("intro_strip", 9999) <= 200,
                    20, "no story intro")
        shots.take(b, "intro")
        press_game_button(b, 1)
        b.wait_dump(lambda d: d.screens() == ["menu"], 20, "the intro does not end")
        # The level editor, left by its control at the bottom's middle (it saves its scene).
        press_game_button(b, 1, seconds=60)
        b.wait_dump(lambda d: d.screens() == ["edit"] and game_texts(d), 20, "no level editor")
        still(b)
        shots.take(b, "editor")
        b.click(400, 470)
        b.wait_dump(lambda d: d.screens() == ["menu"], 20, "the editor does not close")
        # B logs in as a user without achievements: the own page's panel says there are none.
        h.login(b, "dmitri", "ironwall")
        h.no_toast(b)
        h.open_menu(b, "startscreen_root")
        b.press("start_me", page="startscreen_root")
        b.wait_dump(lambda d: h.page_shown("me_root")(d) and
                    d.widget("my_achievements_none") is not None, 15,
                    "no own page saying it has no achievements")
        still(b)
        shots.take(b, "me_empty")
        b.press("me_back_button", page="me_root")
        b.wait_dump(h.page_shown("startscreen_root"), 10, "B is not back on the start page")
        h.close_menu(b)
        h.open_menu(a, "loginscreen_root")
        still(a)
        shots.take(a, "login")
        a.press("register_button", page="loginscreen_root")
        a.wait_dump(h.page_shown("loginscreen_playername"), 10, "no registration page")
        still(a)
        shots.take(a, "register")
        a.press("playername_back_label", page="loginscreen_playername")
        a.wait_dump(h.page_shown("loginscreen_root"), 10, "not back on the login page")
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
            a.wait_dump(h.page_shown(page), 10, "no page " + page)
            still(a)
            shots.take(a, name)
            a.press(back, page=page)
            a.wait_dump(h.page_shown("startscreen_root"), 10, "not back on the start page")
        a.press("start_me", page="startscreen_root")
        a.wait_dump(lambda d: h.page_shown("me_root")(d) and
                    d.widget("my_achievement_1", text="First blood") is not None, 10,
                    "no own page with its achievements")
        still(a)
        shots.take(a, "me")
        a.press("me_back_button", page="me_root")
        a.wait_dump(h.page_shown("startscreen_root"), 10, "not back on the start page")
        b_name = "dmitri"
        row = h.find_player(a, b_name)
        time.sleep(1.0)  # the avatars
        shots.take(a, "players")
        # B's entry open.
        a.click_rect(row)
        a.wait_dump(lambda d: d.widget("button_follow") is not None, 10, "the entry does not open")
        still(a)
        shots.take(a, "player_open")
        b.wait_dump(lambda d: d.screens() == ["menu"] and len(game_buttons(d)) >= 7, 60,
                    "B's game menu does not come back after the intro")
        h.challenge(a, b_name)
        h.accept_challenge(b)
        d = h.wait_battle(b)
        # The start's banner, the level's name under it, while the first turn waits.
        b.wait_dump(banner(game_text(0)), 10, "no get-ready banner")
        shots.take(b, "get_ready")
        # The first turn's banners on both sides at once.
        d = a.wait_dump(lambda d: d.num("turn_side") in (0, 1), 10, "no first turn")
        first, other = (a, b) if d.num("turn_side") == d.num("local_side") else (b, a)
        # Both are up together (for over a second): both shown, then both taken.
        if not h.wait_until(lambda: banner(game_text(1))(first.dump()) and
                            banner(game_text(2))(other.dump()), 15):
            raise h.Failure("no turn banners on both sides (%s, %s)" %
                            (game_texts(first.dump()), game_texts(other.dump())))
        shots.take(first, "your_turn")
        shots.take(other, "opponent_turn")
        a_side = 1 - b.dump().num("local_side")
        b.wait_dump(lambda d: (d.values.get("player%d" % a_side) or ["0"] * 7)[6] == "1", 20,
                    "no hat on A's squib")
        time.sleep(1.5)
        shots.take(b, "battle_hat")
        # B asks to leave and thinks better of it.
        press_game_button(b, 0)
        b.wait_dump(lambda d: {10, 11} <= set(game_buttons(d)), 10, "no leave confirmation")
        still(b)
        shots.take(b, "leave_confirm")
        press_game_button(b, 11)
        b.wait_dump(lambda d: 11 not in game_buttons(d), 10, "the confirmation stays")
        h.open_menu(a, "chat_root")
        a.type_into("chat_textfield", "Nice hat, right?", "chat_root")
        a.press("chat_send_button", page="chat_root")
        a.wait_dump(lambda d: any(w[5].endswith("alice: Nice hat, right?") for w in d.widgets),
                    10, "the line is not in the backlog")
        still(a)
        shots.take(a, "chat")
        # The match's start page, reached through a test seam (the Home key: nothing on the
        # chat page leads there); its first button returns to the battle.
        a.xdotool("key", "Home")
        a.wait_dump(lambda d: h.page_shown("startscreen_root")(d) and
                    d.widget("start_return_game") is not None, 10, "no start page of a match")
        still(a)
        shots.take(a, "start_ingame")
        a.press("start_return_game", page="startscreen_root")
        a.wait_dump(lambda d: d.get("menu_shown") == "0", 10, "the battle does not come back")
        # A's turn: the squib pulled back and held, then the shot in flight: the suite's usual
        # shot towards B (pulled 200 pixels away from B and down).
        d = a.dump()
        mine, theirs = (d.values.get("squib%d_world" % s) for s in (a_side, 1 - a_side))
        toward = 1 if (not mine or not theirs or float(theirs[0]) >= float(mine[0])) else -1
        hold_aim(a, -toward * 156, 125)
        shots.take(a, "aiming")
        at = h.squib(a.dump())
        release(a)
        a.wait_dump(lambda d: any(abs(x - at[0]) + abs(y - at[1]) > 80
                                  for x, y in projectiles(d)), 30, "no shot in flight")
        shots.take(a, "in_flight")
        # B's next turn runs out (B never shoots): the time-out over the opponent's turn. Should
        # the shot have ended the match (a squib knocked into the water), a rematch gives the
        # time-out instead.
        d = b.wait_dump(lambda d: banner(game_text(6))(d) or d.get("game_over") == "1", 60,
                        "no time-out banner")
        if not banner(game_text(6))(d):
            print("the held shot ended the match: a rematch for the time-out")
            for c in (a, b):
                h.chat_after_match(c)
                c.press("rematch-button", page="chat_root")
            for c in (a, b):
                c.wait_dump(lambda d: h.in_battle(d) and d.get("game_over") == "0" and
                            d.num("shots") == 0, 40, "no rematch")
            b.wait_dump(banner(game_text(6)), 90, "no time-out banner in the rematch")
        shots.take(b, "time_out")
        # A shoots on: B's third strike ends the match.
        h.shoot_until_over(a)
        # The results over both battles (the chat page comes over them a little later). B's
        # strikes usually end it; on a slow machine A's own turns may run out first, while
        # pictures are taken, and then A is the one that lost.
        lost, won = banner(game_text(4)), banner(game_text(3))
        d = b.wait_dump(lambda d: lost(d) or won(d), 30, "no result banner")
        loser, winner = (b, a) if lost(d) else (a, b)
        loser.wait_dump(lost, 10, "no losing banner")
        shots.take(loser, "results")
        winner.wait_dump(won, 10, "no winning banner")
        shots.take(winner, "results_won")
        # The battle opens the match's chat by itself a little later; leaving it leaves the
        # match for the start page.
        a.wait_dump(h.page_shown("chat_root"), 20, "no chat after the match")
        h.to_start_page(a)
        a.press("start_shop", page="startscreen_root")
        a.press("item_name", text="Top hat", page="shop_root")
        a.wait_dump(lambda d: d.widget("buy-button") is not None, 10, "the hat does not open")
        still(a)
        shots.take(a, "shop")
        # The opened item is scrolled into view: its buy button is in the dump.
        a.wait_dump(lambda d: d.widget("buy-button") is not None, 10,
                    "the scrolled shop's buy button is not in the dump")
        a.press("buy-button", page="shop_root")
        a.wait_dump(h.page_shown("confirm_buy_dialog"), 15, "no buy confirmation")
        still(a)
        shots.take(a, "buy")
        a.press("confirm_buy_cancel_label", page="confirm_buy_dialog")
        a.wait_dump(h.page_shown("shop_root"), 10, "not back in the shop")
        # A gift of the hat: the players alice follows to choose from.
        a.press("item_name", text="Top hat", page="shop_root")
        a.press("gift-button", page="shop_root")
        a.wait_dump(h.page_shown("dialog_list_selection"), 15, "no choice of players")
        still(a)
        shots.take(a, "gift")
        a.press("selection_cancel_label", page="dialog_list_selection")
        a.wait_dump(h.page_shown("shop_root"), 10, "not back in the shop")
        a.press("my_items_button", page="shop_root")
        a.wait_dump(lambda d: h.page_shown("my_items_root")(d) and d.get("loading") == "0" and
                    d.widget("item_name", text="Red woollen hat") is not None, 15,
                    "my items do not show the hat")
        still(a)
        shots.take(a, "my_items")
        ok = True
    except h.Failure as failure:
        world.keep("failure")
        print("FAILED: %s\nscreenshots and logs: %s" % (failure, world.root))
    finally:
        world.stop(remove=ok)
        shots.check()
    with open(os.path.join(out, "faults.txt"), "w") as f:
        for fault in shots.faults:
            f.write(fault + "\n")
    for fault in shots.faults:
        print("FAULT: " + fault)
    return 0 if ok and not shots.faults else 1


if __name__ == "__main__":
    h.script(make)
