"""Aiming and shooting as a player does: the finger put down on the copy's resting squib on its
turn and pulled back, each step of the pull seen by a game step, the aim read from the dump
before the finger lets go.

On the copy's own turn, with the press seen on the resting squib and each step of the pull
seen, an aim line that is not aiming and stretched is a fault of the game: it fails at once,
named. A turn is aimed again only when the dump shows that it really passed (its clock ran
out)."""
from e2e_dump import (aim_of, battle_over, battle_state, my_turn, squib, strikes, touch0)
from e2e_hold import at_rest
from e2e_wait import TURN, Failure, check

# The aim a pull gives, as the battle takes it: the finger's offset f from the squib (pixels, y
# down) gives (f.x, -f.y) / |f| x (|f| - r) x 0.75 / q, r the squib's touch radius and q a quarter
# of the view's width.
TOUCH_RADIUS = 40.0 / 800.0  # of the view's width
AIM_CLOSE = 0.004  # a pixel moves the aim by 0.75 / q, 0.00375 on an 800-pixel view


def turn_of(d):
    """What tells one of the copy's turns from its next: a turn that passes without a shot (its
    clock ran out) costs the side a strike; one with a shot passes to the other side."""
    return d.num("turn_side"), strikes(d)


def wait_squib_still(copy):
    """Waits for this side's turn with its squib at rest on the screen; its point, or None when
    the match ended first."""
    def point(d):
        if battle_over(d):
            return "over"
        return squib(d) if my_turn(d) else None
    at = point(at_rest(copy, point, "no turn with the squib at rest", TURN))
    return None if at == "over" else at


def finger_at(copy, x, y, down):
    """Waits until a game step has seen the first finger at (x, y), down or up."""
    return copy.wait_dump(lambda d: touch0(d) == (int(x), int(y), 1 if down else 0),
                          "the game does not see the finger at %d %d" % (x, y))


def pull_for_aim(view_width, ax, ay):
    """The finger's offset (pixels) that gives the aim (ax, ay)."""
    q = view_width / 4.0
    length = (ax * ax + ay * ay) ** 0.5
    if length == 0:
        return 0, 0
    drag = length * q / 0.75 + TOUCH_RADIUS * view_width
    return int(round(ax / length * drag)), int(round(-ay / length * drag))


def hold_aim(copy, dx, dy, aim=None):
    """The finger put down on the copy's resting squib on its turn and pulled by (dx, dy)
    pixels, each step of the pull seen by a game step; held down. With `aim` (ax, ay) the
    finger is then moved on until the battle's aim is that one (to AIM_CLOSE, about what a
    pixel moves it). Returns True with the aim held (released by release()), False when the
    turn passed meanwhile (the finger is up then), None when the match is over. Raises
    Failure when the game did not aim on the copy's own turn."""
    at = wait_squib_still(copy)
    if at is None:
        return None
    x, y = at
    downs = copy.dump().get("touch_downs")
    copy.move_pointer(x, y)
    copy.xdotool("mousedown", "1")
    try:
        held = _pull(copy, x, y, dx, dy, aim, downs)
    except BaseException:
        release(copy)
        raise
    if not held:
        release(copy)
    return held


def _pull(copy, x, y, dx, dy, aim, downs):
    pressed = copy.wait_dump(lambda d: d.get("touch_downs") != downs and touch0(d) == (x, y, 1),
                             "the game did not see the press on the squib")
    if not my_turn(pressed):
        return False  # the turn passed before the press
    turn = turn_of(pressed)

    def aimed(d, where):
        """Whether the turn is still the one pressed in (else it passed); fails when it is and
        the aim line is not aiming and stretched."""
        if not my_turn(d) or turn_of(d) != turn:
            return False
        got = aim_of(d)
        check(got and got[:2] == (1, 1),
              "%s: the game does not aim on its own turn: the press was seen on the resting "
              "squib at %d %d and the pull %s, and the aim line is %s (aiming, stretching, x, y)"
              " [%s]" % (copy.name, x, y, where, got, battle_state(d)))
        return True

    fx, fy = x + dx, y + dy
    for k in range(1, 6):
        px, py = x + dx * k // 5, y + dy * k // 5
        copy.move_pointer(px, py)
        finger_at(copy, px, py, True)
    if not aimed(copy.dump(), "to %d %d seen step by step" % (fx, fy)):
        return False
    if aim is None:
        return True
    for _ in range(8):
        d = copy.dump()
        if not aimed(d, "to %d %d seen" % (fx, fy)):
            return False
        got = aim_of(d)
        ex, ey = aim[0] - got[2], aim[1] - got[3]
        if abs(ex) <= AIM_CLOSE and abs(ey) <= AIM_CLOSE:
            return True
        # Near the wanted aim a pixel moves it by 0.75 / q along the pull (more across it).
        q = int(d.values.get("view", ["800"])[0]) / 4.0
        fx += int(round(ex * q / 0.75))
        fy -= int(round(ey * q / 0.75))
        copy.move_pointer(fx, fy)
        finger_at(copy, fx, fy, True)
    d = copy.dump()
    raise Failure("%s: the aim %s does not come to %s" % (copy.name, aim_of(d), aim))


def release(copy):
    """Lets the finger go where it is (the shot leaves with the aim the last step took)."""
    copy.xdotool("mouseup", "1")


def shoot(copy, aim_x, aim_y, again=None, aim=None):
    """A shot aimed by pulling from the dumped squib: (aim_x, aim_y) is where the finger goes,
    relative to the squib (x to the right, y up); `aim` the exact aim to come to, as in
    hold_aim. False when the match ended before a shot. A turn whose clock runs out before the
    finger lets go takes no shot (a slow machine may take that long): the copy aims again on
    its next turn, calling `again` first if given (to choose the weapon again)."""
    for attempt in range(6):
        if attempt and again:
            if wait_squib_still(copy) is None:
                return False
            again()
        d = copy.dump()
        left, played = strikes(d), d.num("shots", 0)
        held = hold_aim(copy, aim_x, -aim_y, aim)
        if held is None:
            return False
        if held:
            release(copy)
            d = copy.wait_dump(lambda d: battle_over(d) or not my_turn(d) or
                               d.num("shots", 0) > played,
                               "the turn does not pass after the shot", TURN)
            if battle_over(d) or d.num("shots", 0) > played or strikes(d) == left:
                return True
        print("%s: the turn's clock ran out before the release; aiming again" % copy.name)
    raise Failure("%s: every turn ran out before the release" % copy.name)


def shot_towards_opponent(copy, pull=200, rise=0.8):
    """Drags from the squib away from the opponent (a slingshot's pull): the shot flies towards
    it, rising; `pull` is the drag's length in pixels."""
    d = copy.dump()
    side = d.num("local_side")
    mine = d.values.get("squib%d_world" % side)
    theirs = d.values.get("squib%d_world" % (1 - side))
    toward = 1 if (not mine or not theirs or float(theirs[0]) >= float(mine[0])) else -1
    norm = (1 + rise * rise) ** 0.5
    return shoot(copy, int(-toward * pull / norm), int(-rise * pull / norm))


def digests_after(copies, shots):
    """Waits until every copy has played `shots` shots back; their digests."""
    out = []
    for c in copies:
        d = c.wait_dump(lambda d: d.num("shots") >= shots or battle_over(d),
                        "shot %d not played back" % shots, TURN)
        out.append((d.num("shots"), d.get("digest")))
    return out


def shoot_until_over(copy, turns=12, after=None):
    """The copy shoots on each of its turns, the other side never does, until the match ends
    (by the other side's third strike at the latest); the shots it took. `after(shots)`, when
    given, runs after each shot and ends the shooting by returning True. Fails when `turns`
    of its turns pass without an end."""
    shots = 0
    for _ in range(turns):
        d = copy.wait_dump(lambda d: battle_over(d) or my_turn(d),
                           "%s: neither its turn nor the match's end" % copy.name, TURN)
        if battle_over(d):
            return shots
        try:
            if not shot_towards_opponent(copy):
                return shots  # it ended while the shot waited
        except Failure:
            if battle_over(copy.dump()):
                return shots  # it ended under the finger
            raise
        shots += 1
        if after and after(shots):
            return shots
        copy.wait_dump(lambda d: battle_over(d) or not my_turn(d),
                       "%s: the turn stays after the shot" % copy.name, TURN)
    raise Failure("%s: the match does not end in %d turns" % (copy.name, turns))
