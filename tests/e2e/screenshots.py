"""Pictures of the system as a person sees it, made by the real program on the stand-in with the
two-copy harness: BUILD/screenshots/login.png, start.png, players.png, shop.png, battle_hat.png,
results.png and chat.png. A is the demo account "alice" (she wears her red hat), B a new guest.

Usage: screenshots.py BUILD_DIR (scripts/screenshots.sh runs it)."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402

NAMES = ("login", "start", "players", "shop", "battle_hat", "results", "chat")


def make(build):
    out = os.path.join(build, "screenshots")
    os.makedirs(out, exist_ok=True)
    world = h.World(build)
    ok = False
    try:
        a, b = world.start()
        for c in (a, b):
            c.wait_dump(lambda d: d.num("lobby_state") == 5, 60, "no first login")
        b_id = [i for i in world.standin.online() if int(i) >= 70000]
        h.no_toast(a)
        h.open_menu(a, "loginscreen_root")
        time.sleep(0.5)
        a.screenshot(os.path.join(out, "login.png"))
        h.login(a, "alice", "wonderland")
        h.no_toast(a)
        h.open_menu(a, "startscreen_root")
        time.sleep(0.5)
        a.screenshot(os.path.join(out, "start.png"))
        # B's guest is the one that is not A.
        guests = [i for i in world.standin.online() if int(i) >= 70000]
        b_name = "Guest" + (guests or b_id)[0]
        h.find_player(a, b_name)
        time.sleep(1.0)  # the avatars
        a.screenshot(os.path.join(out, "players.png"))
        h.challenge(a, b_name)
        h.accept_challenge(b)
        d = h.wait_battle(b)
        a_side = 1 - d.num("local_side")
        b.wait_dump(lambda d: (d.values.get("player%d" % a_side) or ["0"] * 7)[6] == "1", 20,
                    "no hat on A's squib")
        time.sleep(1.5)
        b.screenshot(os.path.join(out, "battle_hat.png"))
        h.open_menu(a, "chat_root")
        a.press("chat_textfield", page="chat_root")
        a.type("Nice hat, right?")
        a.press("chat_send_button", page="chat_root")
        a.wait_dump(lambda d: any(w[5].endswith("alice: Nice hat, right?") for w in d.widgets),
                    10, "the line is not in the backlog")
        time.sleep(0.5)
        a.screenshot(os.path.join(out, "chat.png"))
        h.close_menu(a)
        # A shoots, B never does: B's third strike ends the match.
        h.shoot_until_over(a)
        # The results over B's battle (the chat page comes over them a little later).
        b.wait_dump(lambda d: d.get("game_over") == "1", 30, "the match does not end")
        time.sleep(0.5)
        b.screenshot(os.path.join(out, "results.png"))
        h.to_start_page(a)
        a.press("start_shop", page="startscreen_root")
        a.press("item_name", text="Top hat", page="shop_root")
        time.sleep(1.5)
        a.screenshot(os.path.join(out, "shop.png"))
        ok = True
    except h.Failure as failure:
        world.keep("failure")
        print("FAILED: %s\nscreenshots and logs: %s" % (failure, world.root))
    finally:
        world.stop(remove=ok)
    return 0 if ok else 1


if __name__ == "__main__":
    reason = h.cannot_run()
    if reason:
        print("skipped: " + reason)
        sys.exit(77)
    sys.exit(make(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")))
