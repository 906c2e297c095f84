#!/usr/bin/env python3
"""A model of the game's box physics, rounding to single precision after every operation.

Reads a scenario from standard input and prints the state after each operation in the text
form that physics_model_test.cpp prints from the game's world. Every float crosses the pipe as
the eight hex digits of its bits, so nothing is lost to decimal conversion.

Scenario lines (whitespace separated, floats as hex bits):
  init STEP_SECONDS SUBSTEPS        Init of the world (without it: construction values)
  body PX PY HX HY KIND GROUP ID WEIGHT REST FRIC MASK VX VY
  listen                            a listener is attached
  step N                            N steps, then the body states
  point PX PY KINDMASK GROUPMASK    QueryPoint
  radius PX PY R                    QueryRadius
  sweep SX SY HX HY DX DY           QuerySweep
"""
import math
import struct
import sys


def f(x):
    """Round a Python float to the nearest single-precision value."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def bits(x):
    return "%08x" % struct.unpack("<I", struct.pack("<f", x))[0]


def unbits(text):
    return struct.unpack("<f", struct.pack("<I", int(text, 16)))[0]


def add(a, b):
    return f(a + b)


def sub(a, b):
    return f(a - b)


def mul(a, b):
    return f(a * b)


def div(a, b):
    return f(a / b)


def length(x, y):
    return f(math.sqrt(add(mul(x, x), mul(y, y))))


STATIC, KINEMATIC, DYNAMIC = 1, 2, 4


class Body:
    def __init__(self, px, py, hx, hy, kind, group, ident, weight, rest, fric):
        self.px, self.py = px, py
        self.hx, self.hy = hx, hy
        self.kind, self.group, self.ident = kind, group, ident
        self.weight, self.rest, self.fric = weight, rest, fric
        self.prevx, self.prevy = f(-1000.0), f(-1000.0)
        self.startx = self.starty = 0.0
        self.dispx = self.dispy = 0.0
        self.vx = self.vy = 0.0
        self.impx = self.impy = 0.0
        self.pushx = self.pushy = 0.0
        self.asleep = 0
        self.mask = 0xFFFFFFFF
        self.resttime = 0.0
        self.bounds = None

    # the box: centre -/+ half size
    def box(self):
        return (sub(self.px, self.hx), sub(self.py, self.hy), add(self.px, self.hx),
                add(self.py, self.hy))


def overlap(a, b):
    """Strict overlap of two boxes (min x, min y, max x, max y)."""
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class World:
    def __init__(self):
        self.step_seconds = f(0.05)
        self.dt = f(0.25)
        self.eps = 0.0
        self.substeps = 4
        self.gravity_y = 0.0
        self.bodies = []
        self.pair_tests = 0
        self.contacts = 0
        self.listening = False
        self.reports = []

    def init(self, step_seconds, substeps):
        self.step_seconds = step_seconds
        self.substeps = substeps
        self.dt = div(1.0, float(substeps))
        self.gravity_y = f(-0.003)
        self.eps = f(1e-5)
        self.bodies = []
        self.pair_tests = self.contacts = 0

    def step(self):
        self.pair_tests = 0
        self.contacts = 0
        for b in self.bodies:
            b.impx = b.impy = 0.0
        dynamic = [b for b in self.bodies if b.kind == DYNAMIC]
        kinematic = [b for b in self.bodies if b.kind == KINEMATIC]
        for b in dynamic:
            b.startx, b.starty = b.px, b.py
            b.vy = add(b.vy, self.gravity_y)
        for _ in range(self.substeps):
            for b in dynamic:
                b.px = add(b.px, mul(b.vx, self.dt))
                b.py = add(b.py, mul(b.vy, self.dt))
            for b in kinematic:
                b.vx = b.vy = 0.0
            for a in dynamic:
                for b in self.bodies:
                    if b is a or (a.mask & b.mask) == 0:
                        continue
                    self.pair_tests += 1
                    if overlap(a.box(), b.box()):
                        self.resolve(a, b)
        for b in dynamic:
            b.dispx = sub(b.px, b.startx)
            b.dispy = sub(b.py, b.starty)
            if add(mul(b.dispx, b.dispx), mul(b.dispy, b.dispy)) > f(0.0001):
                b.resttime = 0.0
                b.asleep = 0
            else:
                b.resttime = add(b.resttime, self.step_seconds)
                if b.resttime > 1.0:
                    b.asleep = 1
                    b.resttime = 2.0
        for b in kinematic:
            if b.weight > 0.0:
                b.resttime = add(b.resttime, self.step_seconds)
                if b.resttime > 1.0:
                    b.asleep = 1
                    b.resttime = 2.0
        for b in self.bodies:
            b.prevx, b.prevy = b.px, b.py

    def resolve(self, a, b):
        # 1. A's speed before the response
        speed_a = length(a.vx, a.vy)
        # 2. separation along the axis of least penetration
        a0x, a0y, a1x, a1y = a.box()
        b0x, b0y, b1x, b1y = b.box()
        left, right = sub(b0x, a1x), sub(b1x, a0x)
        push_x = left if right > abs(left) else right
        down, up = sub(b0y, a1y), sub(b1y, a0y)
        push_y = down if up > abs(down) else up
        if abs(push_x) < abs(push_y):
            axis = 0
            push_y = 0.0
            nx, ny = (-1.0 if push_x < 0 else 1.0), 0.0
            push_x = sub(push_x, self.eps) if push_x < 0 else add(push_x, self.eps)
        else:
            axis = 1
            push_x = 0.0
            nx, ny = 0.0, (-1.0 if push_y < 0 else 1.0)
            push_y = sub(push_y, self.eps) if push_y < 0 else add(push_y, self.eps)
        # 3. weights
        wa, wb = a.weight, b.weight
        self.contacts += 1
        if add(wa, wb) == 0.0:
            return
        # 4. mixing
        rest = add(mul(add(a.rest, b.rest), 0.5), 1.0)
        fric = div(add(a.fric, b.fric), 5.0)
        if b.kind == DYNAMIC:
            total = add(wa, wb)
            mixx = div(add(mul(wa, a.vx), mul(wb, b.vx)), total)
            mixy = div(add(mul(wa, a.vy), mul(wb, b.vy)), total)
            share_a, share_b = div(wb, total), div(wa, total)
            speed_b = length(b.vx, b.vy)
            fric = mul(fric, 0.25)
            bvx, bvy = b.vx, b.vy
        else:
            mixx, mixy = a.vx, a.vy
            share_a, share_b, speed_b = 1.0, 0.0, 0.0
            bvx = bvy = 0.0
        # 5. A moves out by its share of the push
        a.px = add(a.px, mul(push_x, share_a))
        a.py = add(a.py, mul(push_y, share_a))
        # 6. impulse along the normal
        ix, iy = nx, ny
        if axis == 0:
            ix = mul(ix, abs(mixx))
        else:
            iy = mul(iy, abs(mixy))
        k = mul(share_a, rest)
        ix, iy = mul(ix, k), mul(iy, k)
        a.vx, a.vy = add(a.vx, ix), add(a.vy, iy)
        a.impx, a.impy = add(a.impx, mul(2.0, ix)), add(a.impy, mul(2.0, iy))
        b.impx, b.impy = sub(b.impx, mul(2.0, ix)), sub(b.impy, mul(2.0, iy))
        # 7. friction on A along the tangent
        if axis == 0:
            fax, fay = 0.0, mul(a.vy, fric)
        else:
            fax, fay = mul(a.vx, fric), 0.0
        a.vx, a.vy = sub(a.vx, fax), sub(a.vy, fay)
        # 8. B's side, unless B is static
        if b.kind != STATIC:
            if b.kind == DYNAMIC:
                b.px = sub(b.px, mul(push_x, share_b))
                b.py = sub(b.py, mul(push_y, share_b))
                jx, jy = -nx, -ny
                if axis == 0:
                    jx = mul(jx, abs(mixx))
                else:
                    jy = mul(jy, abs(mixy))
                k = mul(share_b, rest)
                jx, jy = mul(jx, k), mul(jy, k)
                b.vx, b.vy = add(b.vx, jx), add(b.vy, jy)
                bvx, bvy = b.vx, b.vy
            if axis == 0:
                fbx, fby = 0.0, mul(bvy, fric)
            else:
                fbx, fby = mul(bvx, fric), 0.0
            a.vx, a.vy = add(a.vx, fbx), add(a.vy, fby)
            if b.kind == DYNAMIC:
                b.vx, b.vy = sub(b.vx, fbx), sub(b.vy, fby)
                b.vx, b.vy = add(b.vx, fax), add(b.vy, fay)
        # 9. contact report
        if self.listening:
            impulse = add(mul(mixx, mixx), mul(mixy, mixy))
            if impulse > f(5e-6):
                self.reports.append("contact %d %d %s %s %s %s %s" % (
                    self.bodies.index(a), self.bodies.index(b), bits(b.px), bits(b.py),
                    bits(nx), bits(ny), bits(impulse)))
        # 10. speed clamp
        limit = add(speed_a, speed_b)
        speed = length(a.vx, a.vy)
        if speed > limit:
            k = div(limit, speed)
            a.vx, a.vy = mul(a.vx, k), mul(a.vy, k)

    def query_point(self, px, py, kind_mask, group_mask):
        for i in range(len(self.bodies) - 1, -1, -1):
            b = self.bodies[i]
            if not (b.kind & kind_mask) or not (b.group & group_mask):
                continue
            x0, y0, x1, y1 = b.box()
            if x0 < px < x1 and y0 < py < y1:
                return i
        return -1

    def query_radius(self, px, py, r):
        out = []
        square = (sub(px, r), sub(py, r), add(px, r), add(py, r))
        for i, b in enumerate(self.bodies):
            b.pushx = b.pushy = 0.0
            b.bounds = b.box()
            if not overlap(b.bounds, square):
                continue
            x0, y0, x1, y1 = b.bounds
            cx = min(max(px, x0), x1)
            cy = min(max(py, y0), y1)
            if cx != px or cy != py:
                ox, oy = sub(cx, px), sub(cy, py)
                dist = length(ox, oy)
            else:
                ox, oy = sub(b.px, px), sub(b.py, py)
                if ox == 0.0 and oy == 0.0:
                    ox, oy, dist = 0.0, f(1e-6), 0.0
                else:
                    dist = length(ox, oy)
            if dist < r:
                out.append("hit %d %s %s %s %s %s" % (i, bits(cx), bits(cy), bits(ox), bits(oy),
                                                      bits(dist)))
        return out

    def query_sweep(self, sx, sy, hx, hy, dx, dy):
        step = mul(0.75, min(hx, hy))
        n = length(dx, dy)
        ux, uy = (div(dx, n), div(dy, n)) if n != 0.0 else (dx, dy)
        stride_x, stride_y = mul(ux, step), mul(uy, step)
        x, y = sx, sy
        travelled = 0.0
        found = []
        for _ in range(1002):
            box = (sub(x, hx), sub(y, hy), add(x, hx), add(y, hy))
            for i, b in enumerate(self.bodies):
                if i not in found and overlap(box, b.box()):
                    found.append(i)
            travelled = add(travelled, step)
            if not travelled <= n:
                break
            x, y = add(x, stride_x), add(y, stride_y)
        return found


def dump(world):
    out = ["stats %d %d" % (world.pair_tests, world.contacts)]
    out += world.reports
    world.reports = []
    for i, b in enumerate(world.bodies):
        out.append("body %d %s %d %s" % (i, " ".join(bits(v) for v in (
            b.px, b.py, b.prevx, b.prevy, b.startx, b.starty, b.dispx, b.dispy, b.vx, b.vy,
            b.impx, b.impy)), b.asleep, bits(b.resttime)))
    return out


def main():
    world = World()
    out = []
    for line in sys.stdin:
        w = line.split()
        if not w:
            continue
        op = w[0]
        if op == "init":
            world.init(unbits(w[1]), int(w[2]))
        elif op == "body":
            v = [unbits(x) for x in w[1:5]]
            kind, group, ident = int(w[5]), int(w[6]), int(w[7])
            weight, rest, fric = (unbits(x) for x in w[8:11])
            b = Body(v[0], v[1], v[2], v[3], kind, group, ident, weight, rest, fric)
            b.mask = int(w[11], 16)
            b.vx, b.vy = unbits(w[12]), unbits(w[13])
            world.bodies.append(b)
        elif op == "listen":
            world.listening = True
        elif op == "step":
            for _ in range(int(w[1])):
                world.step()
            out += dump(world)
        elif op == "point":
            out.append("point %d" % world.query_point(unbits(w[1]), unbits(w[2]), int(w[3]),
                                                      int(w[4])))
        elif op == "radius":
            out += ["radius"] + world.query_radius(*(unbits(x) for x in w[1:4]))
        elif op == "sweep":
            found = world.query_sweep(*(unbits(x) for x in w[1:7]))
            out.append("sweep" + "".join(" %d" % i for i in found))
        else:
            sys.exit("unknown operation " + op)
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
