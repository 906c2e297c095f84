"""Two copies of the built program playing each other through the stand-in, as two people would:
A registers, B logs in as a guest and A finds B in the player list; A challenges, B accepts and
both play one battle on one level, A's shots aimed by dragging from the dumped squib and both
digests equal after every shot, until B's third strike (or a knock-out) ends it with opposite
results and banners that say how it ended, one result each kept by the stand-in; A's chat line
reaches B's bubble and backlog; both ask for a rematch, twice, each time on a new level, the
second match played to its end as the first; in the third A gives up (B: won, the other side
left, told on the chat page with the offer closed; A back on its start page, no second
result); a fourth match by challenge, A's game connection cut in it
(A: connection lost, B: player left, B leaves with the round button); the lobby is killed and
restarted and both log in again by themselves; A buys a hat, challenges again and B sees the
hat and its health; that match played to its end, B asks for a rematch and A leaves with the
chat's exit (A: its start page, no second result; B: told, the offer closed); both windows
closed end both programs with status 0, nothing left running, settings written.

Usage: two_copies_test.py BUILD_DIR. Screenshots of each stage stay in BUILD_DIR/e2e-runs/ when
a step fails. The figures the run measures go to BUILD_DIR/e2e_figures.json."""
import json
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
from e2e_harness import check  # noqa: E402

A_NAME, A_MAIL, A_PASS = "alphaplayer", "alpha@example.org", "alphapass"
B_LOGIN, B_PASS = "guestbeta", "betapass"
CHAT = "hello from alpha"
FIRST_GUEST_ID = 70000  # the stand-in's guests' first id (tools/standin/accounts.py)


def side_of(d):
    return d.num("local_side")


def guest_name(world):
    """The name the lobby gave B's guest: "Guest" and its id, the one guest the stand-in has
    online (A has its account)."""
    guests = [i for i in world.standin.online() if int(i) >= FIRST_GUEST_ID]
    check(len(guests) == 1, "not one guest online: %s" % world.standin.online())
    return "Guest" + guests[0]


def main_thread_cpu(copy, seconds):
    """CPU milliseconds per second of the program's main thread over a span."""
    pid = copy.pid()
    start = copy.cpu_ticks(pid)
    time.sleep(seconds)
    ticks = os.sysconf("SC_CLK_TCK")
    return (copy.cpu_ticks(pid) - start) * 1000.0 / ticks / seconds


def process_cpu_percent(copy, seconds):
    start = copy.cpu_ticks()
    time.sleep(seconds)
    return (copy.cpu_ticks() - start) * 100.0 / os.sysconf("SC_CLK_TCK") / seconds


def play_to_the_end(world, a, b):
    """A shoots on its turns, B never does: every shot's digests match on both sides, and B's
    third strike (or a knock-out) ends the match. Returns the shots played."""
    def after(shots):
        got = h.digests_after((a, b), shots)
        if got[0][0] == shots and got[1][0] == shots:
            check(got[0][1] and got[0][1] == got[1][1],
                  "shot %d: the digests differ:\nA %s\nB %s" % (shots, got[0][1], got[1][1]))
        if any(h.battle_over(c.dump()) for c in (a, b)):
            return True  # its ends stay read once the chat has come over the battles
        world.keep("shot%d" % shots)
        return False
    shots = h.shoot_until_over(a, after=after, other=b)
    ends = [c.wait_dump(lambda d: d.get("game_over") == "1", "the match does not end")
            for c in (a, b)]
    return shots, ends


def run(build):
    figures = {}
    world = h.World(build, short_timers=True, idle=("b",))

    def body():
        a, b = world.start()
        started = {c.name: c.started_at for c in (a, b)}
        for c in (a, b):
            d = c.wait_dump(lambda d: d.get("menu_page") not in (None, "-"),
                            "the online menu does not come", h.START)
            figures.setdefault("start_to_login_ms", (time.monotonic() - started[c.name]) * 1000)
            h.first_login(c)

        # 1. A registers, B logs in as a guest; A finds B in the player list.
        h.register(a, A_NAME, A_MAIL, A_PASS)
        world.keep("registered")
        h.no_toast(b)
        h.open_menu(b, "loginscreen_root")
        # The frames run at full speed for a while after the last input: idle is after that.
        b.wait_dump(lambda d: d.get("idle") == "1", "B does not go idle on the login page")
        figures["idle_menu_cpu_percent"] = process_cpu_percent(b, 3.0)
        t = time.monotonic()
        # Its welcome toast greets B by the name the lobby gave its guest.
        h.login(b, B_LOGIN, B_PASS, greeted=lambda: guest_name(world))
        figures["login_to_start_ms"] = (time.monotonic() - t) * 1000
        b_name = guest_name(world)
        online = world.standin.online()
        check(len(online) >= 2, "the stand-in has %s online" % online)
        h.find_player(a, b_name)
        world.keep("players")

        # 2. A challenges, B accepts; both enter one battle on the same level.
        h.challenge(a, b_name)
        a.wait_dump(h.page_shown("challenge_waiting"), "A does not wait for the answer")
        b.press("toast_icon_challenge")
        b.wait_dump(lambda d: d.widget("player_name", text=A_NAME),
                    "the challenge page does not name A")
        b.press("accept_button", page="challenge_received")
        t = time.monotonic()
        db = h.wait_battle(b)
        figures["challenge_to_first_frame_ms"] = (time.monotonic() - t) * 1000
        da = h.wait_battle(a)
        check(da.get("level") == db.get("level"), "levels differ: %s %s"
              % (da.get("level"), db.get("level")))
        check({side_of(da), side_of(db)} == {0, 1}, "both play one side")
        check(da.num("game_state") == 1 and db.num("game_state") == 1, "no game connection")
        world.keep("battle")

        # 4 (first half). A's chat line comes up as a bubble on B's battle.
        h.open_menu(a, "chat_root")
        a.type_into("chat_textfield", CHAT, "chat_root")
        # The bubble shows for a while: watched for from before the line is sent.
        bubble = h.Watch(lambda d: any(CHAT in line for line in d.text.splitlines()
                                       if line.startswith("bubble ")),
                         lambda c, d: world.keep("bubble"), outside=True)
        b.watch(bubble)
        a.press("chat_send_button", page="chat_root")
        bubble.wait("no chat bubble")
        h.close_menu(a)
        fps = a.wait_dump(lambda d: d.num("fps") > 0, "no frames drawn").num("fps")
        if fps > 0:
            figures["battle_frame_cpu_ms"] = main_thread_cpu(a, 2.0) / fps
        figures["rss_kb_a"], _, _ = a.proc_status()
        figures["rss_kb_b"], _, _ = b.proc_status()

        # 3. Shots aimed from the squib; digests equal; the match ends, results opposite.
        shots, (ea, eb) = play_to_the_end(world, a, b)
        world.keep("results")
        check(ea.get("game_over") == eb.get("game_over") == "1", "not over on both")
        winner = ea.values["game_over"][2]
        check(winner == eb.values["game_over"][2], "the winners differ")
        check(winner in ("0", "1"), "no winner: %s" % winner)
        a_won = int(winner) == side_of(ea)
        b_won = int(winner) == side_of(eb)
        check(a_won != b_won, "both sides see the same outcome")
        if shots:
            check(ea.get("digest") == eb.get("digest"), "the last digests differ")

        b_id = [i for i in world.standin.online() if int(i) >= FIRST_GUEST_ID][0]
        kept = {A_NAME: 0, b_id: 0}
        check_banners((ea, eb), (a_won, b_won))
        check_results(world, kept)

        # 4 (second half). B's backlog holds A's line.
        h.chat_after_match(b)
        b.wait_dump(lambda d: any(w[5].endswith(A_NAME + ": " + CHAT) for w in d.widgets),
                    "A's line is not in B's backlog")
        world.keep("backlog")

        # 5 (first half). Both ask for a rematch, twice: a new battle under the same game, on a
        # level the game has not played yet, the second played to its end as the first.
        levels = [ea.get("level")]
        for match in (2, 3):
            da, db = rematch(a, b)
            check(da.get("level") == db.get("level") and da.get("level") not in levels,
                  "match %d: levels %s %s after %s" % (match, da.get("level"), db.get("level"),
                                                       levels))
            levels.append(da.get("level"))
            world.keep("rematch%d" % match)
            if match == 3:
                break
            shots, (ea, eb) = play_to_the_end(world, a, b)
            a_won = int(ea.values["game_over"][2]) == side_of(ea)
            check(a_won != (int(eb.values["game_over"][2]) == side_of(eb)), "the outcomes agree")
            check(ea.get("digest") == eb.get("digest") or not shots, "the last digests differ")
            check_banners((ea, eb), (a_won, not a_won))
            check_results(world, kept)

        # A gives up the third match: B wins because A left, and reads it on its chat page,
        # with the offer closed; A's chat exit leaves it on its start page, shown.
        give_up(a)
        eb = b.wait_dump(lambda d: d.get("game_over") == "1", "B's match does not end")
        check_banners((eb,), (True,), gave_up=True)
        check_results(world, kept, who=(A_NAME, b_id))
        b.wait_dump(lambda d: d.get("menu_page") == "chat_root" and d.get("menu_shown") == "1"
                    and any(w[5].startswith(A_NAME + " ") for w in d.widgets
                            if w[0] != "player_name"), "B is not told on its chat page")
        check(not b.dump().widget("rematch-button"), "B's rematch offer stays open")
        world.keep("gave_up")
        # A, who left, is back on the game's menu; its round button opens the start page.
        a.wait_dump(lambda d: "play" not in d.screens() and d.num("game_state") == 0,
                    "A's battle does not end")
        h.open_menu(a)
        a.wait_dump(h.page_shown("startscreen_root"), "A is not on its start page")
        h.close_menu(b)  # B: the round button, then the game's own menu
        check_results(world, kept, who=())

        # 6. A fourth match by challenge; A's game connection cut mid-battle: A's battle ends as
        # a lost connection, B's by the player leaving (a win, told by its banner); then the
        # lobby dies and comes back: both log in by themselves.
        h.close_menu(a)
        h.challenge(a, b_name)
        h.accept_challenge(b)
        for c in (a, b):
            c.wait_dump(lambda d: in_new_battle(d) and d.num("round_state") >= 5,
                        "no battle after the challenge")
        check(world.standin.command("cut " + A_NAME) == "ok 1", "the cut found no connection")
        a.wait_dump(lambda d: d.num("game_state") == 0 and not battle_running(d),
                    "A's battle does not end with the connection")
        eb = b.wait_dump(lambda d: d.get("game_over") == "1", "B's battle does not end")
        check_banners((eb,), (True,), gave_up=True)
        log = world.standin.log_text()
        check(re.search(r"player \d+ left", log), "the stand-in saw nobody leave")
        check_results(world, kept, who=(b_id,))
        check(a.dump().num("lobby_state") == 5 and b.dump().num("lobby_state") == 5,
              "a lobby connection went with the game connection")
        world.keep("cut")
        # What B sent that A never acknowledged holds B's battle up to 30 s after its end.
        b.wait_dump(lambda d: d.get("menu_page") == "chat_root" and d.get("menu_shown") == "1",
                    "B's battle does not lead to the chat page", h.TURN)
        h.close_menu(b)
        for c in (a, b):
            leave_battle(c)
        # 5 (second half). A buys a hat (no page leads back from the shop on a desktop, which
        # has no Back key: the login after the lobby's restart brings the start page back).
        hat = buy_hat(world, a)
        world.standin.stop()
        seen = {a.name: set(), b.name: set()}
        for c in (a, b):
            c.wait_dump(lambda d: d.num("lobby_state") != 5, "the lost lobby goes unseen")
        world.keep("reconnecting")
        world.standin.start()
        for c in (a, b):
            def relogged(d, c=c):
                seen[c.name].add(d.get("menu_page"))
                return d.num("lobby_state") == 5
            c.wait_dump(relogged, "no login again after the lobby's restart", h.START)
        # B logs in again as its device's guest, which the lobby names by its id.
        guests = [i for i in world.standin.online() if int(i) >= FIRST_GUEST_ID]
        check(len(guests) == 1 and len(world.standin.online()) == 2,
              "not both back: %s" % world.standin.online())
        b_name = "Guest" + guests[0]
        kept = {A_NAME: kept[A_NAME], guests[0]: results_of(world, guests[0])}

        # 5 (second half). A new challenge: B sees A's hat and its health.
        h.challenge(a, b_name)
        b.press("toast_icon_challenge")
        b.press("accept_button", page="challenge_received")
        db = h.wait_battle(b)
        da = h.wait_battle(a)
        if hat:
            a_side = side_of(da)
            line = b.wait_dump(lambda d: (d.values.get("player%d" % a_side) or ["x"] * 7)[5]
                               != "0", "B does not see A's hat").values["player%d" % a_side]
            check(line[6] == "1", "B has no picture of A's hat")
            check(int(line[1]) > 100, "A's hat gives no extra health on B: %s" % line)
        world.keep("hat")

        # The hat's match played to its end; B asks for a rematch and A leaves with the chat's
        # exit: A's start page shows and A adds no second result; B is told that A left and
        # its offer closes.
        shots, (ea, eb) = play_to_the_end(world, a, b)
        a_won = int(ea.values["game_over"][2]) == side_of(ea)
        check_banners((ea, eb), (a_won, not a_won))
        check_results(world, kept)
        h.chat_after_match(b)
        b.press("rematch-button", page="chat_root")
        h.chat_after_match(a)
        a.wait_dump(lambda d: any(w[5].endswith(" wants a rematch!") for w in d.widgets),
                    "A is not told of B's rematch")
        a.press("button_back", page="chat_root")
        a.wait_dump(lambda d: h.page_shown("startscreen_root")(d) and d.num("game_state") == 0,
                    "A's exit does not lead to its start page")
        b.wait_dump(lambda d: any(w[5] == A_NAME + " has left the game." for w in d.widgets)
                    and not d.widget("rematch-button"), "B is not told that A left")
        check_results(world, kept, who=())
        world.keep("rematch_exit")

        # 7. Both windows closed: status 0, nothing left, settings written.
        for c in (a, b):
            settings = settings_files(c)
            before = {p: os.stat(p).st_mtime for p in settings}
            c.close()
            status = c.wait_exit()
            check(status == 0, "%s ended with %s" % (c.name, status))
            left = subprocess.run(["pgrep", "-s", str(c.program.pid)], stdout=subprocess.PIPE)
            check(not left.stdout.strip(), "%s left %s running" % (c.name, left.stdout))
            after = settings_files(c)
            check(after, "%s wrote no settings" % c.name)
            check(any(os.stat(p).st_mtime > before.get(p, 0) for p in after),
                  "%s's settings were not written at the end" % c.name)

    status = h.play(world, body)
    if figures:
        with open(os.path.join(build, "e2e_figures.json"), "w") as f:
            json.dump({k: round(v, 2) for k, v in figures.items()}, f, indent=1)
    return status


# Language texts of the result banner: won, lost; how it ended: the opponent ran out of time,
# this side did, a side left or gave up.
WON, LOST, THEIR_TIME_OUT, OWN_TIME_OUT, LEFT = 3, 4, 8, 9, 10
TIME_OUTS = 3


def check_banners(ends, won, gave_up=False):
    """Each copy's result banner says who won and how the match ended: by time-outs only when
    its GameOver said so, "left" when a side left or gave up, nothing more after shots."""
    for d, w in zip(ends, won):
        banner = d.values.get("banner") or ["-1", "-1", "reason", "-1"]
        main, how, reason = int(banner[0]), int(banner[1]), int(banner[3])
        check(main == (WON if w else LOST), "banner %s for a %s" % (banner, "win" if w else "loss"))
        if gave_up:
            expected = LEFT
        elif reason == TIME_OUTS:
            expected = THEIR_TIME_OUT if w else OWN_TIME_OUT
        else:
            expected = -1
        check(how == expected, "banner %s: the match ended another way (%d)" % (banner, expected))


def results_of(world, who):
    """The number of match results the stand-in keeps for a player (name or id)."""
    answer = world.standin.command("results " + who).split()
    return int(answer[1]) if len(answer) == 2 and answer[0] == "ok" else -1


def check_results(world, kept, who=None):
    """The stand-in keeps one more result for each player named (both by default), no more."""
    names = list(kept) if who is None else list(who)
    for name in kept:
        want = kept[name] + (1 if name in names else 0)
        h.wait_until(lambda: results_of(world, name) >= want, h.SERVICE)
        got = results_of(world, name)
        check(got == want, "%s: %d results kept, %d wanted" % (name, got, want))
        kept[name] = want


def rematch(a, b):
    """Both ask for a rematch on the chat page; the new battle's dumps."""
    for c in (a, b):
        h.chat_after_match(c)
        c.press("rematch-button", page="chat_root")
    return [c.wait_dump(lambda d: in_new_battle(d) and d.num("round_state") >= 5,
                        "no rematch battle") for c in (a, b)]


def give_up(copy):
    """The battle's exit button, then "yes" in its confirmation (800 x 480: s = w / 30)."""
    copy.wait_dump(lambda d: h.in_battle(d) and d.num("round_state") >= 5, "no battle")
    copy.click(400, 480 - 32)
    copy.wait_dump(lambda d: (d.values.get("ended") or [""] * 8)[7] == "1", "no exit confirmation")
    copy.click(320, 288)


def battle_running(d):
    return h.in_battle(d) and d.get("game_over") == "0" and d.values.get("ended", ["", "0", "",
                                                                                 "0", "",
                                                                                   "0"])[5] == "0"


def in_new_battle(d):
    return h.in_battle(d) and d.get("game_over") == "0" and d.num("shots") == 0


def leave_battle(copy):
    """Back to the lobby's menu from an ended battle (the chat page's exit)."""
    d = copy.dump()
    if "play" not in d.screens():
        return
    h.open_menu(copy)
    if copy.dump().get("menu_page") == "chat_root":
        copy.press("button_back", page="chat_root")
    copy.wait_dump(lambda d: "play" not in d.screens(), "the battle does not end")


def settings_files(copy):
    out = []
    for root, _, files in os.walk(copy.home):
        out += [os.path.join(root, f) for f in files if f.endswith(".dat")]
    return out


def buy_hat(world, a):
    """The red hat bought in the shop; the item's id."""
    h.to_start_page(a)
    a.press("start_shop", page="startscreen_root")
    # The red hat: its pack is on every device from the login (a pack of version 0, as the top
    # hat's, reaches only its owner, so the opponent could not draw it).
    a.press("item_name", text="Red woollen hat", page="shop_root")
    a.wait_dump(lambda d: d.widget("buy-button") is not None, "the hat does not open")
    world.keep("shop")
    a.press("buy-button", page="shop_root")
    a.wait_dump(h.page_shown("confirm_buy_dialog"), "no confirmation")
    world.keep("confirm")
    a.press("confirm_buy_ok", page="confirm_buy_dialog")
    a.wait_dump(lambda d: d.get("loading") == "0" and d.get("menu_page") != "confirm_buy_dialog",
                "the purchase does not finish")
    h.close_menu(a)
    return 21


if __name__ == "__main__":
    h.script(run)
