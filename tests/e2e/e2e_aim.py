"""Aiming and shooting as a player does: the finger put down on the copy's resting squib on its
turn and pulled back, each step of the pull seen by a game step, the aim read from the dump
before the finger lets go.

On the copy's own turn, with the press seen on the resting squib and each step of the pull
seen, an aim line that is not aiming and stretched is a fault of the game: it fails at once,
named. A turn is aimed again only when the dump shows that its clock really ran out: a strike
lost, no shot played, and the turn's time used up (see Turn.ran_out). A turn that passes
any other way under the finger, and a release the game saw on its running turn without taking
the shot, fail at once, with both copies' state. A match that ends is no proof of a shot: only
the shots the dump counts are, and a match may end under the finger only by its clock."""
from e2e_dump import (aim_of, battle_over, battle_state, my_turn, squib, strikes, timed_out,
                      touch0)
from e2e_hold import at_rest
from e2e_wait import TURN, Failure, check

# The aim a pull gives, as the battle takes it: the finger's offset f from the squib (pixels, y
# down) gives (f.x, -f.y) / |f| x (|f| - r) x 0.75 / q, r the squib's touch radius and q a quarter
# of the view's width.
TOUCH_RADIUS = 40.0 / 800.0  # of the view's width
AIM_CLOSE = 0.004  # a pixel moves the aim by 0.75 / q, 0.00375 on an 800-pixel view
# The game's clock runs in steps of 33 ms: the dump's "steps" count them (a frame late by more
# than five steps, a stalled or held program, runs one step and drops the rest of the time, so
# the steps never count more time than has passed).
STEP_SECONDS = 0.033


def turn_of(d):
    """What tells one of the copy's turns from its next: a turn that passes without a shot (its
    clock ran out) costs the side a strike; one with a shot passes to the other side."""
    return d.num("turn_side"), strikes(d)


def turn_limit(copy):
    """The copy's turn limit in seconds: its ORLO_TURN_SECONDS (a whole number from 5 to 30, a
    test seam of the program), else the battle's own 30 s."""
    try:
        seconds = int(copy.env.get("ORLO_TURN_SECONDS", "30"))
    except ValueError:
        return 30
    return seconds if 5 <= seconds <= 30 else 30


def both_states(copy, other, d=None):
    """Both copies' battle state, for a failure's message (`d` the copy's dump, when read)."""
    text = "%s: %s" % (copy.name, battle_state(d or copy.dump()))
    if other is not None:
        text += "; %s: %s" % (other.name, battle_state(other.dump()))
    return text


class Turn:
    """One of the copy's turns, as first seen running (`first`, a dump): what hold_aim returns
    with the aim held. `other` is the other copy, named in failures."""

    def __init__(self, copy, other, first):
        self.copy, self.other, self.first = copy, other, first
        self.turn = turn_of(first)
        self.played = first.num("shots", 0)
        self.aim = None  # the aim wanted, when hold_aim was given one

    def __bool__(self):
        return True

    def same(self, d):
        """Whether the dump shows this turn still running."""
        return my_turn(d) and turn_of(d) == self.turn

    def used(self, d):
        """Seconds of the turn's time that the game's steps show used by dump d, from the turn
        first seen running (a lower bound: the turn may have begun before, and steps drop the
        time of a late frame)."""
        return (d.num("steps", 0) - self.first.num("steps", 0)) * STEP_SECONDS

    def ran_out(self, d):
        """Whether the dump shows the turn ended by its clock: the side's strike lost with no
        shot played, and the turn's time used up. Used up: the battle marks the turn timed out
        (it does as the turn's clock reaches its limit, and clears the mark as the side's next
        turn begins, at once in training), or the game's steps show at least half the turn's
        limit used since it was first seen running (more than a held or stalled program takes
        from a turn that ran its time)."""
        return (strikes(d) == self.turn[1] - 1 and d.num("shots", 0) == self.played and
                (timed_out(d) or self.used(d) >= turn_limit(self.copy) / 2.0))

    def passed(self, d, when):
        """For a dump in which the turn is no longer running: False when its clock ran out (the
        copy may aim again on its next turn), None when that ended the match (the side's last
        strike). Any other way the turn passed `when` (under the finger) is a fault of the
        game, and fails."""
        if self.ran_out(d):
            return None if battle_over(d) else False
        if battle_over(d):
            how = "the match ended"
        elif d.num("shots", 0) > self.played:
            how = "a shot was played that was not released"
        elif strikes(d) == self.turn[1]:
            how = "the turn was handed over with no strike lost"
        else:
            how = ("its strikes went from %s to %s after %.1f s of its %d s on the game's "
                   "steps, the turn %s timed out" % (self.turn[1], strikes(d), self.used(d),
                                                    turn_limit(self.copy),
                                                    "marked" if timed_out(d) else "not marked"))
        raise Failure("%s: its turn (side %d, %s strikes left, first seen running at step %d) "
                      "passed %s: %s [%s]" % (self.copy.name, self.turn[0], self.turn[1],
                                              self.first.num("steps", 0), when, how,
                                              both_states(self.copy, self.other, d)))


def wait_turn(copy, other=None, view=False):
    """Waits for this side's turn with its squib at rest on the screen (with `view`, the view
    too: its easing goes on below a pixel after the squib's point has stopped, and moves the
    aim a pull gives): (point, Turn), or (None, None) when the match ended first."""
    state = {"first": None}

    def point(d):
        if battle_over(d):
            return "over"
        if not my_turn(d):
            state["first"] = None
            return None
        first = state["first"]
        if first is None or turn_of(first) != turn_of(d):
            state["first"] = d
        return squib(d) and (squib(d), d.get("camera") if view else None)
    at = point(at_rest(copy, point, "no turn with the squib at rest", TURN))
    if at == "over":
        return None, None
    return at[0], Turn(copy, other, state["first"])


def wait_squib_still(copy):
    """Waits for this side's turn with its squib at rest on the screen; its point, or None when
    the match ended first."""
    return wait_turn(copy)[0]


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


def hold_aim(copy, dx, dy, aim=None, other=None):
    """The finger put down on the copy's resting squib on its turn and pulled by (dx, dy)
    pixels, each step of the pull seen by a game step; held down. With `aim` (ax, ay) the
    finger is then moved on until the battle's aim is that one (to AIM_CLOSE, about what a
    pixel moves it). Returns the Turn (true) with the aim held (let go by let_go() or
    release()), False when the turn's clock ran out meanwhile (the finger is up then), None
    when the match is over. Raises Failure when the game did not aim on the copy's own turn,
    or when the turn passed any other way (`other`, the other copy, is named then)."""
    at, turn = wait_turn(copy, other, view=aim is not None)
    if at is None:
        return None
    x, y = at
    turn.aim = aim
    downs = copy.dump().get("touch_downs")
    copy.move_pointer(x, y)
    copy.xdotool("mousedown", "1")
    try:
        held = _pull(copy, turn, x, y, dx, dy, aim, downs)
    except BaseException:
        release(copy)
        raise
    if not held:
        release(copy)
    return held


def _pull(copy, turn, x, y, dx, dy, aim, downs):
    pressed = copy.wait_dump(lambda d: d.get("touch_downs") != downs and touch0(d) == (x, y, 1),
                             "the game did not see the press on the squib")
    if not turn.same(pressed):
        return turn.passed(pressed, "before the press on the squib at %d %d was seen" % (x, y))

    def aimed(d, where):
        """The turn (true) when it is still the one pressed in; else what Turn.passed says.
        Fails when it is and the aim line is not aiming and stretched."""
        if not turn.same(d):
            return turn.passed(d, "under the finger pressed at %d %d and pulled %s"
                               % (x, y, where))
        got = aim_of(d)
        check(got and got[:2] == (1, 1),
              "%s: the game does not aim on its own turn: the press was seen on the resting "
              "squib at %d %d and the pull %s, and the aim line is %s (aiming, stretching, x, y)"
              " [%s]" % (copy.name, x, y, where, got, both_states(copy, turn.other, d)))
        return turn

    fx, fy = x + dx, y + dy
    for k in range(1, 6):
        px, py = x + dx * k // 5, y + dy * k // 5
        copy.move_pointer(px, py)
        finger_at(copy, px, py, True)
    held = aimed(copy.dump(), "to %d %d seen step by step" % (fx, fy))
    if not held or aim is None:
        return held
    for _ in range(8):
        d = copy.dump()
        held = aimed(d, "to %d %d seen" % (fx, fy))
        if not held:
            return held
        got = aim_of(d)
        ex, ey = aim[0] - got[2], aim[1] - got[3]
        if abs(ex) <= AIM_CLOSE and abs(ey) <= AIM_CLOSE:
            return held
        # Near the wanted aim a pixel moves it by 0.75 / q along the pull (more across it).
        q = int(d.values.get("view", ["800"])[0]) / 4.0
        fx += int(round(ex * q / 0.75))
        fy -= int(round(ey * q / 0.75))
        copy.move_pointer(fx, fy)
        finger_at(copy, fx, fy, True)
    d = copy.dump()
    raise Failure("%s: the harness's pull reached the aim %s (aiming, stretching, x, y), not the "
                  "one wanted, %s" % (copy.name, aim_of(d), aim))


def release(copy):
    """Lets the finger go where it is (the shot leaves with the aim the last step took)."""
    copy.xdotool("mouseup", "1")


def let_go(turn):
    """Lets the finger go on the aim held in `turn` (what hold_aim returned) and waits for what
    the game makes of it: True once the dump counts the shot played back, else what Turn.passed
    says of a turn whose clock ran out before a game step saw the finger let go.

    A step that sees the finger let go from a stretched aim marks the release, and the next
    step takes the shot before it looks at the turn's clock, with the aim the dump shows then:
    one that is not the aim hold_aim was given fails as the harness's. A release seen on the
    turn still running must give the shot, counted as its playback ends (a match it ends may
    be over a little before, and its count is read after its battle has gone). One that gives
    none (the turn passes without it) fails, with the steps from the release to the turn's
    end: how much of the turn's time the game still had when it saw the finger let go."""
    copy, other = turn.copy, turn.other
    release(copy)
    up = copy.wait_dump(lambda d: (touch0(d) or (0, 0, 1))[2] == 0,
                        "the game does not see the finger let go")
    if up.num("shots", 0) <= turn.played and not turn.same(up):
        return turn.passed(up, "by the time a game step saw the finger let go")
    got = aim_of(up)
    check(turn.aim is None or got and max(abs(got[2] - turn.aim[0]),
                                          abs(got[3] - turn.aim[1])) <= AIM_CLOSE,
          "%s: the harness let go at the aim %s (aiming, stretching, x, y), not at the one "
          "wanted, %s" % (copy.name, got, turn.aim))
    d = copy.wait_dump(lambda d: d.num("shots", 0) > turn.played or strikes(d) != turn.turn[1],
                       "the shot released is not played back", TURN)
    if d.num("shots", 0) > turn.played:
        return True
    raise Failure("%s: the game saw the finger let go from the held aim at step %d on its "
                  "running turn (%s strikes left) and took no shot: the turn passed by step %d,"
                  " %.1f s of the game's steps later, its strikes %s [%s]"
                  % (copy.name, up.num("steps", 0), turn.turn[1], d.num("steps", 0),
                     (d.num("steps", 0) - up.num("steps", 0)) * STEP_SECONDS, strikes(d),
                     both_states(copy, other, d)))


def shoot(copy, aim_x, aim_y, again=None, aim=None, other=None):
    """A shot aimed by pulling from the dumped squib: (aim_x, aim_y) is where the finger goes,
    relative to the squib (x to the right, y up); `aim` the exact aim to come to, as in
    hold_aim. False when the match ended before a shot. A turn whose clock runs out before a
    game step sees the finger let go takes no shot (a slow machine may take that long): the
    copy aims again on its next turn, calling `again` first if given (to choose the weapon
    again). Any other turn that passes without the shot fails (see let_go); `other`, the other
    copy, is named in the failures."""
    for attempt in range(6):
        if attempt and again:
            if wait_squib_still(copy) is None:
                return False
            again()
        held = hold_aim(copy, aim_x, -aim_y, aim, other)
        if held is None:
            return False
        if held:
            shot = let_go(held)
            if shot:
                return True
        print("%s: the turn's clock ran out before the release; aiming again" % copy.name)
    raise Failure("%s: every turn ran out before the release" % copy.name)


def shot_towards_opponent(copy, pull=200, rise=0.8, other=None):
    """Drags from the squib away from the opponent (a slingshot's pull): the shot flies towards
    it, rising; `pull` is the drag's length in pixels; `other` as in shoot()."""
    d = copy.dump()
    side = d.num("local_side")
    mine = d.values.get("squib%d_world" % side)
    theirs = d.values.get("squib%d_world" % (1 - side))
    toward = 1 if (not mine or not theirs or float(theirs[0]) >= float(mine[0])) else -1
    norm = (1 + rise * rise) ** 0.5
    return shoot(copy, int(-toward * pull / norm), int(-rise * pull / norm), other=other)


def digests_after(copies, shots):
    """Waits until every copy has played `shots` shots back; their digests."""
    out = []
    for c in copies:
        d = c.wait_dump(lambda d: d.num("shots") >= shots, "shot %d not played back" % shots, TURN)
        out.append((d.num("shots"), d.get("digest")))
    return out


def shoot_until_over(copy, turns=12, after=None, other=None):
    """The copy shoots on each of its turns, the other side never does, until the match ends
    (by the other side's third strike at the latest); the shots it took. `after(shots)`, when
    given, runs after each shot and ends the shooting by returning True. Fails when `turns`
    of its turns pass without an end; `other` (the other copy) as in shoot()."""
    shots = 0
    for _ in range(turns):
        d = copy.wait_dump(lambda d: battle_over(d) or my_turn(d),
                           "%s: neither its turn nor the match's end" % copy.name, TURN)
        if battle_over(d):
            return shots
        if not shot_towards_opponent(copy, other=other):
            return shots  # it ended while the shot waited, or by the copy's last strike
        shots += 1
        if after and after(shots):
            return shots
        copy.wait_dump(lambda d: battle_over(d) or not my_turn(d),
                       "%s: the turn stays after the shot" % copy.name, TURN)
    raise Failure("%s: the match does not end in %d turns" % (copy.name, turns))
