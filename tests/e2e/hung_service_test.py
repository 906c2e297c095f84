"""A service that stops answering, as a person meets it: the stand-in process is stopped
(SIGSTOP: the system still accepts connections, nothing is answered) before the first start
and again after a login, and continued each time. The copy shows the failed-login page with
"Try again" and the round button, never the login form; the round button leads to the game's
menu meanwhile; when the service answers again the copy logs in by itself and the page goes.
The pages are read from the program's state dump.

Usage: hung_service_test.py BUILD_DIR. Screenshots stay in BUILD_DIR/e2e-runs/ when a step
fails."""
import os
import signal
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
from e2e_harness import check  # noqa: E402

ERROR_PAGE = "loginscreen_error"


class Watch:
    """Every dump read while waiting: whether the account form was ever in front while not
    logged in (a logged-in guest's own page is that form)."""

    def __init__(self):
        self.form_shown = False

    def __call__(self, condition):
        def probe(d):
            if (d.get("menu_page") == "loginscreen_root" and d.get("menu_shown") == "1"
                    and d.num("lobby_state") != 5):
                self.form_shown = True
            return condition(d)
        return probe


def failed_login_page(d):
    return (d.get("menu_page") == ERROR_PAGE and d.get("menu_shown") == "1"
            and d.widget("button_tryagain") is not None and d.widget("orlo_button") is not None
            and d.widget_text("loginerror_title") == "Login failed")


def logged_in(d):
    return (d.num("lobby_state") == 5 and d.get("menu_page") not in (ERROR_PAGE, "loading_dialog")
            and d.num("loading") == 0)


def run(build):
    world = h.World(build, names=("a",))
    stopped = [False]

    def pause(on):
        os.kill(world.standin.process.pid, signal.SIGSTOP if on else signal.SIGCONT)
        stopped[0] = on

    start_service = world.standin.start

    def start_stopped():
        start_service()
        pause(True)
    world.standin.start = start_stopped

    def body():
        try:
            steps(world, pause)
        finally:
            if stopped[0]:
                pause(False)

    return h.play(world, body)


def steps(world, pause):
    (a,) = world.start()
    watch = Watch()
    # First start: the guest's connect is accepted and never acknowledged.
    a.wait_dump(watch(failed_login_page), "no failed-login page on a hung first start", h.GIVE_UP)
    check(a.dump().num("lobby_state") != 5, "logged in to a stopped service")
    world.keep("hung-first-start")
    a.press("orlo_button", page=ERROR_PAGE)
    a.wait_dump(lambda d: d.get("menu_shown") == "0" and "menu" in d.screens(),
                "the round button does not lead to the game's menu")
    world.keep("game-menu-from-failed-login")
    pause(False)
    a.wait_dump(watch(lambda d: d.num("lobby_state") == 5),
                "no login once the service answers", h.GIVE_UP)
    h.open_menu(a)
    a.wait_dump(watch(logged_in), "the failed-login page stays after the login")
    world.keep("answered-again")
    h.close_menu(a)
    check(not watch.form_shown, "the login form showed on the way")

    # Logged in, the service stops: the idle minute drops the connection, the relogin is not
    # answered either, and the page comes over the game.
    pause(True)
    a.wait_dump(watch(failed_login_page), "no failed-login page after a lost connection", h.GIVE_UP)
    world.keep("hung-after-login")
    check(not watch.form_shown, "the login form showed while the relogin waited")
    pause(False)
    a.wait_dump(watch(lambda d: d.num("lobby_state") == 5),
                "no relogin once the service answers", h.GIVE_UP)
    a.wait_dump(watch(lambda d: d.get("menu_page") != ERROR_PAGE),
                "the failed-login page stays after the relogin")
    world.keep("relogged-in")
    check(not watch.form_shown, "the login form showed on the way")


if __name__ == "__main__":
    h.script(run)
