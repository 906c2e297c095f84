"""The soak: two copies on the two-copy harness play N matches through rematches, ending in turn
by shots (the idle side's strikes), by a player leaving and by a cut game connection. It buys
nothing (bought bombs and hats over rematches are tests/e2e/bombs_test.py's). After each match:
VmRSS, open descriptors and threads of each copy and whether both digests agreed, as a table.

Usage: soak.py BUILD_DIR [N] (scripts/soak.sh runs it). Exit status 1 on a failure, a crash or
digests that differ."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402

ENDINGS = ("shots", "leave", "cut")


def start_match(a, b, b_name, first):
    """A new challenge (the first match, or after a match that left the game) or a rematch."""
    if first:
        h.challenge(a, b_name)
        h.accept_challenge(b)
    else:
        for c in (a, b):
            h.chat_after_match(c)
            c.press("rematch-button", page="chat_root")
    for c in (a, b):
        c.wait_dump(lambda d: h.in_battle(d) and d.get("game_over") == "0" and d.num("shots") == 0,
                    "no battle")


def end_match(world, a, b, ending):
    """Ends the running battle the given way; True when the copies stay in the game (a rematch
    can follow)."""
    if ending == "shots":
        h.shoot_until_over(a, other=b)
        for c in (a, b):
            c.wait_dump(lambda d: d.get("game_over") == "1" or "play" not in d.screens(),
                        "the match does not end")
        return True
    if ending == "leave":
        # A leaves through the chat's exit (a guest's chat page has none).
        h.open_menu(a, "chat_root")
        a.press("button_back", page="chat_root")
    else:
        h.check(world.standin.command("cut " + h.A_NAME).startswith("ok"), "no cut")
    for c in (a, b):
        c.wait_dump(lambda d: "play" not in d.screens() or d.get("game_over") == "1",
                    "the battle does not end")
    return False


def main(build, count):
    if count < 1:
        return "a soak of no match tests nothing"
    world = h.World(build, short_timers=True, idle=("b",))
    rows = []

    def body():
        a, b = world.start()
        for c in (a, b):
            h.first_login(c)
        h.register(a, h.A_NAME, "alpha@example.org", "alphapass")
        guests = [i for i in world.standin.online() if int(i) >= 70000]
        b_name = "Guest" + guests[0]
        in_game = False
        print("match ending  A_rss_kB A_fds A_thr  B_rss_kB B_fds B_thr  digests")
        for match in range(1, count + 1):
            if not in_game:
                # B, whose opponent went, shows its result and then brings up the chat page
                # by itself: 5 s after the match's end once what it sent is acknowledged, else
                # (a GameOver the opponent, gone, never acknowledges) when the hold ends (the
                # run's short one, h.HOLD_SECONDS). A
                # challenge page shown before that would give way to the chat page under B's
                # finger.
                b.wait_dump(lambda d: "play" not in d.screens() or (
                    d.get("menu_shown") == "1" and d.get("menu_page") == "chat_root"),
                            "B stays on its result", h.TURN)
                for c in (a, b):
                    if "play" in c.dump().screens() or c.dump().get("menu_page") == "chat_root":
                        h.to_start_page(c) if c is a else h.close_menu(c)
                h.close_menu(b)
                h.to_start_page(a)
            start_match(a, b, b_name, not in_game)
            ending = ENDINGS[(match - 1) % len(ENDINGS)]
            in_game = end_match(world, a, b, ending)
            da, db = a.dump(), b.dump()
            same = da.get("digest") == db.get("digest")
            sa, sb = a.proc_status(), b.proc_status()
            rows.append((match, ending) + sa + sb + (same,))
            print("%5d %-7s %9d %5d %5d %9d %5d %5d  %s"
                  % (rows[-1][:8] + ("equal" if same else "DIFFER",)))
            sys.stdout.flush()
            h.check(a.running() and b.running(), "a copy ended")
            h.check(same or ending != "shots", "the digests differ after match %d" % match)

    return h.play(world, body)


if __name__ == "__main__":
    h.script(main, (int, 50))
