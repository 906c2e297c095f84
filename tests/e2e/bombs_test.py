"""Bought bombs over successive battles: A registers and buys a snow bomb, B logs in as carol_k
and buys a cluster bomb (a bought item comes switched on). A challenges B and the battles that
follow go on through rematches. In each, both fire their bomb from button 8, the bomb fired
fewer times first (the other side lets its turns run out until then): the button shows that
bomb, the other copy plays the same shot (digests equal), the snow bomb leaves ice and the
cluster bomb bursts into three pieces on both copies (unless it went into the water, which both
then see), and the stand-in counts one spent per kept shot. Then both drop plain bombs at their
own feet until a squib is out. A squib may fall to a bomb before the other is fired, so battles
go on until each bomb was fired three times; a battle after the cluster bomb's last one shows
B's button 8 crossed out.

Usage: bombs_test.py BUILD_DIR. Screenshots stay in BUILD_DIR/e2e-runs/ when a step fails."""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
from e2e_harness import check  # noqa: E402

B_NAME, B_PASS = "carol_k", "snowball"
SNOW, CLUSTER = 41, 51  # the stand-in's snow and cluster bomb items (data/standin/shop.txt)
BOUGHT = {SNOW: 5, CLUSTER: 3}
BATTLES = 3
MAX_BATTLES = 6
SELF_BOMBS = 4
# Turns a battle may take: each side's bomb (the other's turns running out meanwhile), its
# bombs at its own feet and its three time-outs, twice over.
MAX_TURNS = 2 * 2 * (2 + SELF_BOMBS + 3)


def buy(world, copy, name):
    """The named item bought from the shop's list; back to the game with the menu hidden."""
    h.to_start_page(copy)
    copy.press("start_shop", page="startscreen_root")
    copy.wait_dump(lambda d: d.widget("item_name"), "no shop items")
    for _ in range(4):
        # An item below the list's edge: the list is dragged up until it shows (once the
        # list has come to rest after each drag).
        h.still(copy)
        if copy.dump().widget("item_name", text=name):
            break
        copy.drag(400, 400, 400, 200)
    copy.press("item_name", text=name, page="shop_root")
    # The item's panel opens and the list brings it into view (the loop's first wait).
    for _ in range(4):
        h.still(copy)
        if copy.dump().widget("buy-button"):
            break
        copy.drag(400, 400, 400, 250)
    copy.press("buy-button", page="shop_root")
    copy.wait_dump(h.page_shown("confirm_buy_dialog"), "no confirmation")
    copy.press("confirm_buy_ok", page="confirm_buy_dialog")
    copy.wait_dump(lambda d: d.get("loading") == "0"
                   and d.get("menu_page") != "confirm_buy_dialog", "the purchase does not finish")
    world.keep("bought-" + copy.name)
    copy.press("shop_back_button", page="shop_root")
    copy.wait_dump(h.page_shown("startscreen_root"), "the shop does not lead back")
    h.close_menu(copy)


def button_centre(d, index):
    """Centre of a weapon button: index 0 is button 2 (jump), 4 is button 8 (the shop's bomb),
    3 s apart from 0.5 w - 6 s at height 1.5 s, s = w / 30."""
    w = int(d.values["view"][0])
    s = w / 30.0
    return int(0.5 * w - 6 * s + index * 3 * s), int(1.5 * s)


def bomb_line(d, side):
    """(snow owned, cluster owned, used, weapon) of a side."""
    words = d.values.get("bomb%d" % side)
    check(words, "no bomb line for side %d" % side)
    return int(words[1]), int(words[3]), int(words[5]), int(words[7])


def spent(world):
    """The stand-in's count left after each spend, by item."""
    left = {}
    for item, count in re.findall(r"item (\d+) spent, (\d+) left", world.standin.log_text()):
        left.setdefault(int(item), []).append(int(count))
    return left


def fire_bomb(world, copy, other, item, state, number, shots):
    """The copy's bomb from button 8 on its turn; checks the shot on both copies and the count
    the stand-in keeps. Returns whether the bomb's effect showed (it may have gone into the
    water, which both copies then saw)."""
    d = copy.dump()
    side = d.num("local_side")
    snow, cluster, used, _ = bomb_line(d, side)
    check(not used, "%s: the bomb counts as used at the battle's start" % copy.name)
    check((snow, cluster) == ((1, 0) if item == SNOW else (0, 1)),
          "%s owns snow %d cluster %d in battle %d" % (copy.name, snow, cluster, number))
    image = d.values.get("button8", ["", "0", "", "1"])
    check(image[1] == ("22" if item == SNOW else "23") and image[3] == "0",
          "%s: button 8 is %s in battle %d" % (copy.name, image, number))
    before = []
    for c in (copy, other):
        now = c.dump()
        counts = now.values.get("cluster_pieces", ["0", "", "0"])
        before.append((now.num("ice_blocks"), int(counts[0]), int(counts[2])))
    def choose():
        copy.click(*button_centre(d, 4))
        copy.wait_dump(lambda d: bomb_line(d, side)[3] == (4 if item == SNOW else 5),
                       "button 8 selects no bomb")
    choose()
    mine = float(d.values["squib%d_world" % side][0])
    theirs = float(d.values["squib%d_world" % (1 - side)][0])
    toward = 1 if theirs >= mine else -1
    # A short way towards the opponent, a little down: clear of the squib's own block, which
    # the snow bomb's freeze would shake and the cluster bomb's pieces would hit.
    check(h.shoot(copy, -toward * 50, 8, again=choose, other=other),
          "the match ended before the bomb")
    got = h.digests_after((copy, other), shots)
    check(got[0][1] and got[0][1] == got[1][1],
          "battle %d shot %d: the digests differ:\n%s\n%s" % (number, shots, got[0], got[1]))
    seen = []
    for c, (ice, pieces, drowned) in zip((copy, other), before):
        def done(d):
            now = d.values.get("cluster_pieces", ["0", "", "0"])
            shown = (d.num("ice_blocks") > ice if item == SNOW
                     else int(now[0]) == pieces + 3)
            return "effect" if shown else ("water" if int(now[2]) > drowned else None)
        got = c.wait_dump(done, "battle %d: %s's bomb shows no effect" % (number, copy.name))
        seen.append(done(got))
    check(seen[0] == seen[1], "battle %d: the copies saw %s" % (number, seen))
    after = copy.wait_dump(lambda d: bomb_line(d, side)[2] == 1, "the bomb is not used")
    check(after.values.get("button8", ["", ""])[1] == "24", "button 8 still offers a bomb")
    # The picture after what the battle shows is read (the bomb may end the match, and the
    # chat comes over an ended battle a few seconds later).
    world.keep("battle%d-%s" % (number, "snow" if item == SNOW else "cluster"))
    state["fired"][item] += 1
    n = state["fired"][item]
    h.wait_until(lambda: len(spent(world).get(item, [])) >= n, h.SERVICE)
    check(spent(world).get(item, []) == [BOUGHT[item] - k for k in range(1, n + 1)],
          "battle %d: the stand-in counts %s" % (number, spent(world).get(item)))
    state["effects"][item] += seen[0] == "effect"


def bomb_own_feet(copy, other):
    """A plain bomb (button 3) dropped at the squib's own feet: it goes off beside the squib
    (`other`, the other copy, is named in a failure)."""
    d = copy.dump()

    def choose():
        copy.click(*button_centre(d, 2))
        copy.wait_dump(lambda d: bomb_line(d, d.num("local_side"))[3] == 1,
                       "button 3 does not select the bomb")
    choose()
    return h.shoot(copy, 8, 40, again=choose, other=other)


def battle(world, a, b, number, shots, state):
    """One battle: each fires its bomb on its first turn while it has one left, then each drops
    plain bombs at its own feet until a squib is out; a side that has dropped SELF_BOMBS of
    them idles from then on, so that its time-outs end the battle at the latest."""
    items = {a.name: SNOW, b.name: CLUSTER}
    # Button 8 at the start: the bomb while one is left, else crossed out.
    for c in (a, b):
        d = c.wait_dump(lambda d: "button8" in d.values, "no button 8")
        owned = state["fired"][items[c.name]] < BOUGHT[items[c.name]]
        check((d.values["button8"][1] != "24") == owned,
              "battle %d: %s's button 8 is %s with %d fired"
              % (number, c.name, d.values["button8"], state["fired"][items[c.name]]))
    fired = {a.name: False, b.name: False}
    dropped = {a.name: 0, b.name: 0}

    def wants(c):
        """Whether c is still to fire its bomb in this battle."""
        return not fired[c.name] and state["fired"][items[c.name]] < BOUGHT[items[c.name]]

    def first(c, other):
        """Whether c's bomb goes before the other's: the one fired fewer times (the snow bomb
        on a tie). A shot that ends the battle, the firer's own squib knocked into the water
        for one, then leaves the other bomb first in the next battle."""
        mine, theirs = state["fired"][items[c.name]], state["fired"][items[other.name]]
        return mine < theirs or (mine == theirs and items[c.name] == SNOW)

    def action(c, other):
        """What c does on its turn: fire its bomb, drop one at its feet, or nothing (the turn's
        clock runs out: the other's bomb goes first, or c has dropped all it drops)."""
        if wants(c) and (first(c, other) or not wants(other)):
            return "fire"
        if not wants(c) and not wants(other) and dropped[c.name] < SELF_BOMBS:
            return "feet"
        return None

    turn = {"number": 1, "side": a.dump().num("turn_side"), "acted": False}

    def next_move():
        """The battle's end, a copy's turn on which it acts (once a turn), or the next turn."""
        ds = [c.dump() for c in (a, b)]
        if any(h.battle_over(d) for d in ds):
            return "over"
        if ds[0].num("turn_side") != turn["side"]:
            return "turn"
        for c, other, d in ((a, b, ds[0]), (b, a, ds[1])):
            if not turn["acted"] and h.my_turn(d) and action(c, other):
                return c, other
        return None

    while True:
        # Each turn is bounded, and a stuck one told by the state it stuck in.
        move = h.wait_until(next_move, h.TURN)
        check(move, "battle %d: turn %d does not pass: A %s; B %s" % (
            number, turn["number"], h.battle_state(a.dump()), h.battle_state(b.dump())))
        if move == "over":
            break
        if move == "turn":
            turn.update(number=turn["number"] + 1, side=a.dump().num("turn_side"), acted=False)
            check(turn["number"] <= MAX_TURNS,
                  "battle %d goes on after %d turns" % (number, MAX_TURNS))
            continue
        c, other = move
        turn["acted"] = True
        shots += 1
        if action(c, other) == "fire":
            fire_bomb(world, c, other, items[c.name], state, number, shots)
            fired[c.name] = True
        elif bomb_own_feet(c, other):
            dropped[c.name] += 1
            h.digests_after((c, other), shots)
    ends = [c.wait_dump(lambda d: d.get("game_over") == "1", "the battle does not end")
            for c in (a, b)]
    check(ends[0].values["game_over"][2] == ends[1].values["game_over"][2], "winners differ")
    check(ends[0].get("digest") == ends[1].get("digest"), "the last digests differ")
    world.keep("battle%d-end" % number)


def run(build):
    world = h.World(build, short_timers=True)

    def body():
        a, b = world.start()
        for c in (a, b):
            h.first_login(c)
        h.register(a, h.A_NAME, "alpha@example.org", "alphapass")
        h.no_toast(b)
        h.login(b, B_NAME, B_PASS)
        buy(world, a, "Snow bomb")
        buy(world, b, "Cluster bomb")
        h.challenge(a, B_NAME)
        h.accept_challenge(b)
        # A squib may fall to its own bomb before the other fires: battles go on until both
        # bombs were fired three times.
        state = {"fired": {SNOW: 0, CLUSTER: 0}, "effects": {SNOW: 0, CLUSTER: 0}}
        number = 0
        while min(state["fired"].values()) < BATTLES and number < MAX_BATTLES:
            number += 1
            if number > 1:
                for c in (a, b):
                    h.chat_after_match(c)
                    c.press("rematch-button", page="chat_root")
                for c in (a, b):
                    c.wait_dump(lambda d: h.in_battle(d) and d.get("game_over") == "0",
                                "no rematch after battle %d" % (number - 1))
                    h.close_menu(c)
            for c in (a, b):
                c.wait_dump(lambda d: h.in_battle(d) and d.get("game_over") == "0"
                            and d.num("round_state") >= 5, "no battle %d" % number)
            battle(world, a, b, number, a.dump().num("shots"), state)
        check(min(state["fired"].values()) >= BATTLES,
              "fired %s in %d battles" % (state["fired"], number))
        check(all(state["effects"].values()), "a bomb never showed its effect: %s" % state)
        print("bombs fired in %d battles; effects %s" % (number, state["effects"]))
        # For a person: the peak resident size after battles with explosions, snow and
        # cluster pieces (the game's screens at rest are measured by resident.py).
        print("peak resident size after the battles: %s"
              % ", ".join("%s %d kB" % (c.name, c.peak_kb()) for c in (a, b)))

    return h.play(world, body)


if __name__ == "__main__":
    h.script(run)
