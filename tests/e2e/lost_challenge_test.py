"""A challenge lost with its session: two copies log in as the stand-in's players carol_k (A)
and bobcat (B), A challenges B and waits, B has the challenge's toast on screen. The stand-in
is stopped and started again: B is told at once that the challenge was cancelled and its toast
goes, and once both have logged in again by themselves neither shows the challenge (no
challenge toast on B, no waiting page on A) and B's menu opens on the start page (kept as
e2e-lost-challenge-start.png in the build folder).

Usage: lost_challenge_test.py BUILD_DIR. Screenshots stay in BUILD_DIR/e2e-runs/ when a step
fails."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
from e2e_harness import check  # noqa: E402

CANCELLED = "The challenge was cancelled."


def challenge_toast(d):
    return d.widget("toast_icon_challenge") is not None


def run(build):
    world = h.World(build)

    def body():
        a, b = world.start()
        for c in (a, b):
            h.first_login(c)
        h.login(a, "carol_k", "snowball")
        h.login(b, "bobcat", "builder42")
        h.close_menu(b)

        h.challenge(a, "bobcat")
        a.wait_dump(h.page_shown("challenge_waiting"), "A does not wait for the answer")
        b.wait_dump(challenge_toast, "B shows no challenge toast")
        world.keep("challenged")

        # The notice is a toast, watched for from before it can come.
        told = h.Watch(lambda d: d.widget("toast_message", text=CANCELLED) is not None,
                       lambda c, d: check(not challenge_toast(d),
                                          "B's challenge toast outlives the connection"),
                       outside=True)
        b.watch(told)
        world.standin.stop()
        told.wait("B is not told the challenge was cancelled")
        world.standin.start()
        for c in (a, b):
            c.wait_dump(lambda d: d.num("lobby_state") == 5 and d.get("loading") == "0",
                        "no login again after the lobby's restart", h.START)
        check(len(world.standin.online()) == 2, "not both back: %s" % world.standin.online())
        d = b.dump()
        check(not challenge_toast(d), "B shows the lost challenge's toast after the login")
        check(d.get("menu_page") != "challenge_received", "B is on the lost challenge's page")
        check(a.dump().get("menu_page") != "challenge_waiting",
              "A still waits on the lost challenge")

        h.open_menu(b)
        b.wait_dump(h.page_shown("startscreen_root"), "B's menu does not open on the start")
        world.keep("start")
        b.screenshot(os.path.join(build, "e2e-lost-challenge-start.png"))

    return h.play(world, body)


if __name__ == "__main__":
    h.script(run)
