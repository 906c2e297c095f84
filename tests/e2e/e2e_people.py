"""What a person does in the online menu: its pages opened and closed, an account registered,
a login (greeted by name), a player found and challenged, a challenge accepted."""
import os
import time

from e2e_dump import in_battle, page_shown
from e2e_hold import Watch
from e2e_wait import START, TURN, check, wait_until

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
A_NAME = "alphaplayer"  # the account the runs register for copy A


def pack_text(path, number):
    """The text of that number in a language pack's source (a "number=text" line each)."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, text = line.rstrip("\n").partition("=")
            if key == str(number):
                return text.replace("\\n", " ")
    raise KeyError(number)


def menu_text(number):
    """The online menu's English text of that number, as the language pack the stand-in hands
    out lists it (the pack a copy takes at its first login, over the one it ships with)."""
    return pack_text(os.path.join(SOURCE, "data", "standin", "language",
                                  "orlolanguage_0000.txt"), number)


def no_toast(copy):
    copy.wait_dump(lambda d: d.get("toast") == "0", "a toast stays up")


def open_menu(copy, page=None):
    """The online menu in front (on the given page, when named)."""
    if copy.dump().get("menu_shown") != "1":
        no_toast(copy)
        copy.press("orlo_button")
        copy.wait_dump(lambda d: d.get("menu_shown") == "1", "the menu does not open")
    if page:
        copy.wait_dump(page_shown(page), "not on " + page)


def chat_after_match(copy):
    """The chat page after a match's end, as the battle brings it up by itself (5 s after the
    end once what it sent was acknowledged): a tap on the round button of the test's own would
    cross it and close the menu it opens. Returns the dump."""
    return copy.wait_dump(lambda d: "play" not in d.screens() and d.get("menu_shown") == "1"
                          and d.get("menu_page") == "chat_root",
                          "the ended battle does not lead to the chat page", TURN)


def close_menu(copy):
    if copy.dump().get("menu_shown") == "1":
        copy.press("orlo_button")
        copy.wait_dump(lambda d: d.get("menu_shown") == "0", "the menu does not close")


def register(copy, name, email, password):
    """A new account from the login page; ends with the menu hidden, logged in."""
    no_toast(copy)
    open_menu(copy, "loginscreen_root")
    copy.press("register_button", page="loginscreen_root")
    copy.type_into("input_playername", name, "loginscreen_playername")
    copy.press("playername_next", page="loginscreen_playername")
    copy.press("button_agree", page="loginscreen_confirm")
    copy.press("confirm_next", page="loginscreen_confirm")
    copy.type_into("input_email", email, "loginscreen_email")
    copy.type_into("input_password", password, "loginscreen_email", "*" * len(password))
    copy.press("email_register", page="loginscreen_email")
    copy.press("thank_close", page="loginscreen_thank")
    copy.wait_dump(lambda d: d.num("lobby_state") == 5 and d.get("menu_shown") == "0",
                   "not logged in after the registration")


def watch_welcome(copy):
    """A watch, registered before a login, for the first toast shown after it (the login's
    welcome): the frame it shows on is held and kept (watch.dump)."""
    before = copy.dump().num("toasts", 0)
    welcome = Watch(lambda d: d.num("toasts", 0) > before and d.get("toast") == "1"
                    and d.widget_text("toast_message") is not None,
                    lambda c, d: None, outside=True)
    copy.watch(welcome)
    return welcome


def login(copy, name, password, greeted=None):
    """A login from the login page (a name starting with "guest" logs in as a guest); its
    welcome toast greets the player by the name the lobby gave: `greeted()` after the login
    when given (a guest's name), else the name logged in with."""
    no_toast(copy)
    open_menu(copy, "loginscreen_root")
    copy.edit("user_login", "loginscreen_root")
    copy.xdotool("key", "ctrl+a", "BackSpace")
    copy.type(name)
    copy.wait_dump(lambda d: d.widget_text("user_login") == name,
                   "the name field does not show the name")
    copy.type_into("user_password", password, "loginscreen_root", "*" * len(password))
    welcome = watch_welcome(copy)
    copy.press("login_button", page="loginscreen_root")
    copy.wait_dump(lambda d: d.num("lobby_state") == 5, "no login")
    welcome.wait("%s: no welcome toast after the login" % copy.name)
    shown = welcome.dump.widget_text("toast_message")
    wanted = menu_text(36).replace("%s", greeted() if greeted else name)
    check(shown == wanted, "%s: the welcome toast says %r, not %r" % (copy.name, shown, wanted))


def find_player(copy, name):
    """Searches the global player list for the name; the row's name rectangle."""
    open_menu(copy)
    d = copy.dump()
    if d.get("menu_page") != "players_root":
        copy.press("start_players", page="startscreen_root")
        copy.wait_dump(page_shown("players_root"), "no player list")
    searched = copy.dump().widget_text("search_text")
    copy.press("show_global", page="players_root")
    # The global list's page slides in: its button shows it as the shown one. The button's
    # click comes a moment after the tap and empties the search field: a tap on the field
    # before it would open the field on the earlier search, which the click does not empty.
    copy.wait_dump(lambda d: d.widget("show_global_shown_label") and d.widget("search_text") and
                   (not searched or not d.widget_text("search_text")),
                   "the global list does not show with an empty search field")
    copy.edit("search_text", "players_root")
    copy.xdotool("key", "ctrl+a", "BackSpace")
    copy.type(name)
    copy.wait_dump(lambda d: d.widget_text("search_text") == name,
                   "the search field does not show the name")
    copy.press("search_button", page="players_root")
    found = copy.wait_dump(lambda d: d.widget("player_name", text=name),
                           "%s not in the player list" % name)
    return found.widget("player_name", text=name)


def challenge(copy, name):
    """Finds the player and presses the challenge button of its row."""
    row = find_player(copy, name)
    band = (0, row[1] - 40, 800, row[3] + 40)
    copy.press("challenge_button", page="players_root", inside=band)


def accept_challenge(copy):
    """Taps the challenge's toast and accepts on the page it opens."""
    copy.press("toast_icon_challenge")
    copy.press("accept_button", page="challenge_received")


def wait_battle(copy):
    return copy.wait_dump(lambda d: in_battle(d) and d.num("round_state") >= 5,
                          "no online battle")


def to_start_page(copy):
    """The start page in front, from wherever the menu is (the chat's exit leaves a match)."""
    open_menu(copy)
    if copy.dump().get("menu_page") == "chat_root":
        copy.press("button_back", page="chat_root")  # the chat's exit: the start page, hidden
        copy.wait_dump(lambda d: d.get("menu_page") != "chat_root", "the chat stays")
        open_menu(copy)
    copy.wait_dump(page_shown("startscreen_root"), "not on the start page")


def first_login(copy):
    """The copy's own login by itself as it starts (a guest's)."""
    return copy.wait_dump(lambda d: d.num("lobby_state") == 5, "no first login", START)


def to_training_battle(copy, settle):
    """From a started copy's first login to the game's menu, the training picker and its first
    scene's battle, yielding each screen's name once it has shown for `settle` seconds."""
    first_login(copy)
    no_toast(copy)
    close_menu(copy)
    d = copy.wait_dump(lambda d: d.screens()[-1:] == ["menu"], "the game's menu does not come")
    time.sleep(settle)
    yield "menu"
    w, hgt = (int(x) for x in d.values.get("view", ["800", "480"])[:2])
    s, b = w / 8.0, w / 20.0
    for name, x, y, opened, what in (
            ("picker", w / 2 - 1.25 * s, hgt / 2 - 0.2 * s,
             lambda d: d.screens()[-1:] == ["training"], "no training picker"),
            ("training", w / 2 - 4 * b, hgt / 2 - 1.5 * b,
             lambda d: "play" in d.screens(), "no training battle")):
        for _ in range(10):  # a touch before the buttons have grown in is missed: again
            copy.click(x, y)
            if wait_until(lambda: opened(copy.dump()), 3):
                break
        copy.wait_dump(lambda d: opened(d) and (name == "picker" or d.num("fps") > 0), what)
        time.sleep(settle)
        yield name
