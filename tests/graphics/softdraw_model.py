#!/usr/bin/python3
"""Reference model of the surface's software drawing operations, pixel by pixel.

Reads a JSON list of cases on stdin and prints one line per case: the expected pixel bytes of
the target (hex), a space, and the expected alpha plane (hex, or "-"). Each case names the
operation, the target surface (and the source), the clip rectangle and the arguments.

The model works on whole pixels and decides for every target pixel whether it is drawn,
instead of cutting rectangles, so that it checks the clipping of the C++ code independently.
"""
import json
import math
import struct
import sys

PALETTE = [0] * 256
LOOKUP = [0] * 4096


def f32(v):
    return struct.unpack('<f', struct.pack('<f', v))[0]


def cdiv(a, b):
    """C integer division (truncates toward zero)."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


class Surface:
    def __init__(self, d):
        self.fmt = d['fmt']
        self.w = d['w']
        self.h = d['h']
        self.pitch = d['pitch']
        self.data = bytearray(bytes.fromhex(d['data']))
        self.alpha = bytearray(bytes.fromhex(d['alpha'])) if d.get('alpha') else None
        self.key = d.get('key', 0)
        self.bpp = {1: 1, 2: 2, 3: 2, 4: 2, 5: 3, 6: 4, 7: 4}[self.fmt]
        self.palette = PALETTE
        self.lookup = LOOKUP

    def get(self, x, y):
        o = y * self.pitch + x * self.bpp
        return int.from_bytes(self.data[o:o + self.bpp], 'little')

    def put(self, x, y, v):
        o = y * self.pitch + x * self.bpp
        self.data[o:o + self.bpp] = (v & ((1 << (8 * self.bpp)) - 1)).to_bytes(self.bpp, 'little')

    def argb(self, x, y):
        """The pixel as (a, r, g, b)."""
        p = self.get(x, y)
        a = self.alpha[y * self.w + x] if self.alpha is not None else 255
        if self.fmt == 1:
            c = self.palette[p]
            return (a, (c >> 16) & 255, (c >> 8) & 255, c & 255)
        if self.fmt == 4:
            return (a, (p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3)
        if self.fmt == 6:
            return (p >> 24, (p >> 16) & 255, (p >> 8) & 255, p & 255)
        if self.fmt == 7:
            return (p >> 24, p & 255, (p >> 8) & 255, (p >> 16) & 255)
        raise ValueError('format')

    def native(self, a, r, g, b):
        if self.fmt == 1:
            return self.lookup[((r >> 4) << 8) | (g & 0xF0) | (b >> 4)]
        if self.fmt == 4:
            return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
        if self.fmt == 6:
            return (a << 24) | (r << 16) | (g << 8) | b
        if self.fmt == 7:
            return (a << 24) | (b << 16) | (g << 8) | r
        raise ValueError('format')

    def out(self):
        return self.data.hex() + ' ' + (self.alpha.hex() if self.alpha is not None else '-')


def in_rect(x, y, r):
    return r[0] <= x < r[2] and r[1] <= y < r[3]


HALF_MASK = {2: 0x0EEE, 3: 0x7BDE, 4: 0xF7DE, 5: 0xFEFEFE, 6: 0xFEFEFEFE, 7: 0xFEFEFEFE}


def color_channels(fmt, c):
    """(a, x16, x8, x0): the colour's bytes in the order the target's word holds them."""
    a, r, g, b = c >> 24, (c >> 16) & 255, (c >> 8) & 255, c & 255
    if fmt == 7:
        return a, b, g, r
    return a, r, g, b


def word_channels(fmt, p):
    """Channels of a native pixel as (a, c2, c1, c0) by bit position (16-bit: widened,
    8-bit: the palette colour)."""
    if fmt == 1:
        c = PALETTE[p]
        return 255, (c >> 16) & 255, (c >> 8) & 255, c & 255
    if fmt == 4:
        return 255, ((p >> 11) & 31) * 8, ((p >> 5) & 63) * 4, (p & 31) * 8
    return p >> 24, (p >> 16) & 255, (p >> 8) & 255, p & 255


def pack_channels(fmt, a, c2, c1, c0):
    if fmt == 1:
        return LOOKUP[((c2 >> 4) << 8) | (c1 & 0xF0) | (c0 >> 4)]
    if fmt == 4:
        return ((c2 >> 3) << 11) | ((c1 >> 2) << 5) | (c0 >> 3)
    return (a << 24) | (c2 << 16) | (c1 << 8) | c0


# --- blits ------------------------------------------------------------------------------------

def covered(dst, src, x, y, rect, flags, clip):
    """Yields (tx, ty, sx, sy) of every drawn pixel of a blit of `rect` at (x, y)."""
    rw, rh = rect[2] - rect[0], rect[3] - rect[1]
    area = clip if not flags & 0x10 else (0, 0, dst.w, dst.h)
    for ty in range(dst.h):
        for tx in range(dst.w):
            if not in_rect(tx, ty, area):
                continue
            i, j = tx - x, ty - y
            if not (0 <= i < rw and 0 <= j < rh):
                continue
            sx = rect[2] - 1 - i if flags & 4 else rect[0] + i
            sy = rect[3] - 1 - j if flags & 8 else rect[1] + j
            if not (0 <= sx < src.w and 0 <= sy < src.h):
                continue
            yield tx, ty, sx, sy


def place(dst, src, c):
    x, y, flags = c['x'], c['y'], c['flags']
    rect = c.get('rect') or [0, 0, src.w, src.h]
    if flags & 0x100:
        x = (dst.w >> 1) - ((rect[2] - rect[0]) >> 1)
    if flags & 0x200:
        y = (dst.h >> 1) - ((rect[3] - rect[1]) >> 1)
    return x, y, rect


def op_blit(dst, src, c):
    flags = c['flags']
    if src.fmt not in (6, 7) and src.alpha is None:
        flags &= ~0x80
    if (c.get('rect') is None and c['x'] == 0 and c['y'] == 0 and flags == 0 and src.w == dst.w and
            src.h == dst.h and src.fmt == dst.fmt):
        dst.data[:] = src.data
        if dst.alpha is not None and src.alpha is not None:
            dst.alpha[:] = src.alpha
        return
    if src.fmt != dst.fmt:
        return
    x, y, rect = place(dst, src, dict(c, flags=flags))
    fmt = dst.fmt
    wide = fmt in (6, 7)
    pixels = list(covered(dst, src, x, y, rect, flags, c['clip']))
    # The checkerboard of format 1 counts columns and rows from the drawn rectangle's corner.
    ox = min((p[0] for p in pixels), default=0)
    oy = min((p[1] for p in pixels), default=0)
    for tx, ty, sx, sy in pixels:
        s = src.get(sx, sy)
        d = dst.get(tx, ty)
        if flags & 0x80:
            a = s >> 24 if wide else src.alpha[sy * src.w + sx]
            if flags & 1 and ((s & 0xFFFFFF) if wide else s) == src.key:
                continue
            if a == 0:
                continue
            if wide:
                if a >= 255:
                    dst.put(tx, ty, (d & 0xFF000000) | (s & 0xFFFFFF))
                else:
                    out = d & 0xFF000000
                    for sh in (16, 8, 0):
                        v = ((s >> sh) & 255) + ((((d >> sh) & 255) * (255 - a)) >> 8)
                        out |= min(v, 255) << sh
                    dst.put(tx, ty, out)
            elif fmt == 1:  # palette colours blended, then looked up
                if a >= 255:
                    dst.put(tx, ty, s)
                else:
                    _, s2, s1, s0 = word_channels(1, s)
                    _, d2, d1, d0 = word_channels(1, d)
                    dst.put(tx, ty, pack_channels(1, 255, *(min(255, sc + ((dc * (255 - a)) >> 8))
                                                          for sc, dc in ((s2, d2), (s1, d1), (s0, d0)))))
            else:  # 5-6-5 fields blended as they are
                if a >= 255:
                    dst.put(tx, ty, s)
                else:
                    out = 0
                    for sh, mx in ((11, 31), (5, 63), (0, 31)):
                        v = ((s >> sh) & mx) + ((((d >> sh) & mx) * (255 - a)) >> 8)
                        out |= min(v, mx) << sh
                    dst.put(tx, ty, out)
            continue
        if not wide:
            if src.alpha is not None and dst.alpha is not None:
                dst.alpha[ty * dst.w + tx] = src.alpha[sy * src.w + sx]
            if flags & 0x400:
                continue
        if flags & 1:
            if ((s & 0xFFFFFF) if wide else s) == src.key:
                continue
            if flags & 2:
                if fmt == 1:
                    if (tx - ox + ty - oy) & 1:
                        continue
                else:
                    m = HALF_MASK[fmt]
                    s = ((d & m) >> 1) + ((s & m) >> 1)
            dst.put(tx, ty, s)
        elif wide and flags & 0x400:
            dst.put(tx, ty, (d & 0x00FFFFFF) | (s & 0xFF000000))
        elif flags & 2:
            if fmt == 1:
                if not (tx - ox + ty - oy) & 1:
                    dst.put(tx, ty, s)
            else:
                m = HALF_MASK[fmt]
                dst.put(tx, ty, ((d & m) >> 1) + ((s & m) >> 1))
        else:
            dst.put(tx, ty, s)


def tint_pixel(fmt, d, s, a, color):
    """The tinted row arithmetic on one pixel; returns the new native value or None."""
    T, t2, t1, t0 = color_channels(fmt, color)
    _, d2, d1, d0 = word_channels(fmt, d)
    _, s2, s1, s0 = word_channels(fmt, s)
    res = []
    for dc, sc, tc in ((d2, s2, t2), (d1, s1, t1), (d0, s0, t0)):
        v = min(255, ((dc * (255 - a)) >> 8) + ((tc * sc) >> 8))
        if T != 255:
            v = ((255 - T) * dc + T * v) >> 8
        res.append(v)
    return pack_channels(fmt, a, *res)


def op_tinted(dst, src, c):
    color = c['color']
    if color >> 24 == 0 or src.fmt != dst.fmt:
        return
    x, y, rect = place(dst, src, c)
    flags = c['flags']
    wide = dst.fmt in (6, 7)
    for tx, ty, sx, sy in covered(dst, src, x, y, rect, flags, c['clip']):
        s = src.get(sx, sy)
        if flags & 1 and ((s & 0xFFFFFF) if wide else s) == src.key:
            continue
        if wide:
            a = s >> 24
        else:
            a = src.alpha[sy * src.w + sx] if src.alpha is not None else 255
        if a == 0:
            continue
        dst.put(tx, ty, tint_pixel(dst.fmt, dst.get(tx, ty), s, a, color))


def op_rotated(dst, src, c):
    if src.fmt != dst.fmt:
        return
    x, y, size, flags = c['x'], c['y'], c['size'], c['flags']
    angle = f32(c['angle'])
    if size <= 0:
        return
    if flags & 0x100:
        x = dst.w // 2
    if flags & 0x200:
        y = dst.h // 2
    if x < -size or y < -size or x > dst.w + size or y > dst.h + size:
        return
    d = size * 10 // 7
    du = cdiv(src.w * int(math.sin(angle) * 65535), d)
    dv = cdiv(src.w * int(math.cos(angle) * 65535), d)
    centre = src.w // 2
    clip = c['clip']
    fmt = dst.fmt
    wide = fmt in (6, 7)
    for k in range(2 * size):
        ty = y - size + k
        for m in range(2 * size):
            tx = x - size + m
            if not in_rect(tx, ty, clip):
                continue
            U = -size * (dv + du) + k * du + m * dv
            V = -size * (dv - du) + k * dv - m * du
            u, v = centre + (U >> 16), centre + (V >> 16)
            if not (0 <= u < src.w and 0 <= v < src.h):
                continue
            s = src.get(u, v)
            if flags & 1 and ((s & 0xFFFFFF) if wide else s) == src.key:
                continue
            if flags & 2:
                if fmt == 1:
                    if (tx ^ ty) & 1:
                        continue
                else:
                    mk = HALF_MASK[fmt]
                    s = ((dst.get(tx, ty) & mk) >> 1) + ((s & mk) >> 1)
            dst.put(tx, ty, s)


# --- stretches ----------------------------------------------------------------------------

def stretch_clip(dst, src, drect, srect, flags, clip):
    """Clipping of a stretch: the source rectangle to the source first (a cut of n source
    pixels removes (int)(n * target/source) target pixels), then the target to the clip
    (cut target pixels remove (int)(n * source/target) source pixels)."""
    drect, srect = list(drect), list(srect)
    mx, my = flags & 4, flags & 8
    tx = f32(f32(drect[2] - drect[0]) / f32(srect[2] - srect[0]))
    ty = f32(f32(drect[3] - drect[1]) / f32(srect[3] - srect[1]))
    if srect[0] < 0:
        n = int(f32(-srect[0] * tx))
        if mx:
            drect[2] -= n
        else:
            drect[0] += n
        srect[0] = 0
    if srect[2] > src.w:
        n = int(f32((srect[2] - src.w) * tx))
        if mx:
            drect[0] += n
        else:
            drect[2] -= n
        srect[2] = src.w
    if srect[1] < 0:
        n = int(f32(-srect[1] * ty))
        if my:
            drect[3] -= n
        else:
            drect[1] += n
        srect[1] = 0
    if srect[3] > src.h:
        n = int(f32((srect[3] - src.h) * ty))
        if my:
            drect[1] += n
        else:
            drect[3] -= n
        srect[3] = src.h
    area = clip if not flags & 0x10 else [0, 0, dst.w, dst.h]
    sx = f32(f32(srect[2] - srect[0]) / f32(drect[2] - drect[0]))
    sy = f32(f32(srect[3] - srect[1]) / f32(drect[3] - drect[1]))
    mx, my = flags & 4, flags & 8
    if drect[0] < area[0]:
        n = int(f32((area[0] - drect[0]) * sx))
        if mx:
            srect[2] -= n
        else:
            srect[0] += n
        drect[0] = area[0]
    if drect[2] > area[2]:
        n = int(f32((drect[2] - area[2]) * sx))
        if mx:
            srect[0] += n
        else:
            srect[2] -= n
        drect[2] = area[2]
    if drect[1] < area[1]:
        n = int(f32((area[1] - drect[1]) * sy))
        if my:
            srect[3] -= n
        else:
            srect[1] += n
        drect[1] = area[1]
    if drect[3] > area[3]:
        n = int(f32((drect[3] - area[3]) * sy))
        if my:
            srect[1] += n
        else:
            srect[3] -= n
        drect[3] = area[3]
    return drect, srect


def op_stretch(dst, src, c, color=0xFFFFFFFF):
    flags = c['flags']
    drect = c.get('drect') or [0, 0, dst.w, dst.h]
    srect = c.get('srect') or [0, 0, src.w, src.h]
    drect, srect = stretch_clip(dst, src, drect, srect, flags, c['clip'])
    tw, th = drect[2] - drect[0], drect[3] - drect[1]
    sw, sh = srect[2] - srect[0], srect[3] - srect[1]
    if min(tw, th, sw, sh) < 1:
        return
    if flags & 0x20:
        return filtered(dst, src, drect, srect)
    if src.fmt != dst.fmt:
        return
    wide = dst.fmt in (6, 7)
    stepx, stepy = (sw << 16) // tw, (sh << 16) // th
    for i in range(th):
        ry = (i * stepy) >> 16
        ty = drect[3] - 1 - i if flags & 8 else drect[1] + i
        syy = srect[1] + ry
        for j in range(tw):
            rx = (j * stepx) >> 16
            sxx = srect[2] - 1 - rx if flags & 4 else srect[0] + rx
            tx = drect[0] + j
            s = src.get(sxx, syy)
            d = dst.get(tx, ty)
            tinted = color != 0xFFFFFFFF
            if wide:
                use_tint = flags & 0x80 or tinted
            else:
                use_tint = (flags & 0x80 and src.alpha is not None) or tinted
            if use_tint:
                if flags & 1 and ((s & 0xFFFFFF) if wide else s) == src.key:
                    continue
                if not flags & 0x80:
                    a = 255
                elif wide:
                    a = s >> 24
                else:
                    a = src.alpha[syy * src.w + sxx] if src.alpha is not None else 255
                if a == 0 or color >> 24 == 0:
                    continue
                dst.put(tx, ty, tint_pixel(dst.fmt, d, s, a, color) if flags & 0x80
                        else tint_nonblend(dst.fmt, d, s, color))
            elif flags & 1 and ((s & 0xFFFFFF) if wide else s) == src.key:
                continue
            elif wide and flags & 0x400:
                dst.put(tx, ty, (d & 0xFFFFFF) | (s & 0xFF000000))
            else:
                dst.put(tx, ty, s)


def tint_nonblend(fmt, d, s, color):
    # Without 0x80 the target contributes nothing before the tint alpha mix.
    T, t2, t1, t0 = color_channels(fmt, color)
    _, d2, d1, d0 = word_channels(fmt, d)
    _, s2, s1, s0 = word_channels(fmt, s)
    res = []
    for dc, sc, tc in ((d2, s2, t2), (d1, s1, t1), (d0, s0, t0)):
        v = min(255, (tc * sc) >> 8)
        if T != 255:
            v = ((255 - T) * dc + T * v) >> 8
        res.append(v)
    return pack_channels(fmt, 255, *res)


def filtered(dst, src, drect, srect):
    tw, th = drect[2] - drect[0], drect[3] - drect[1]
    stepx = ((srect[2] + 1 - srect[0]) << 16) // tw
    stepy = ((srect[3] + 1 - srect[1]) << 16) // th
    bw, bh = (stepx >> 16) + 1, (stepy >> 16) + 1
    for y in range(th):
        by = min(srect[1] + ((y * stepy) >> 16), srect[3] - 1)
        for x in range(tw):
            bx = min(srect[0] + ((x * stepx) >> 16), srect[2] - 1)
            sums, n = [0, 0, 0, 0], 0
            for py in range(by, min(by + bh, srect[3])):
                for px in range(bx, min(bx + bw, srect[2])):
                    for k, v in enumerate(src.argb(px, py)):
                        sums[k] += v
                    n += 1
            a, r, g, b = (min(255, s // n) for s in sums)
            tx, ty = drect[0] + x, drect[1] + y
            dst.put(tx, ty, dst.native(a, r, g, b))
            if dst.alpha is not None:
                dst.alpha[ty * dst.w + tx] = a


def op_stretch_tinted(dst, src, c):
    if c['color'] >> 24 == 0:
        return
    if c['flags'] & 0x20:
        return op_stretch(dst, src, c)
    op_stretch(dst, src, dict(c, flags=c['flags'] | 0x80), c['color'])


# --- fills, lines, pixels ----------------------------------------------------------------------

def clipped_rect(dst, c):
    r = c.get('rect') or [0, 0, dst.w, dst.h]
    cl = c['clip']
    return [max(r[0], cl[0]), max(r[1], cl[1]), min(r[2], cl[2]), min(r[3], cl[3])]


def op_additive(dst, c):
    a, c2, c1, c0 = color_channels(dst.fmt, c['color'])
    if a == 0:
        return
    r = clipped_rect(dst, c)
    for y in range(r[1], r[3]):
        for x in range(r[0], r[2]):
            da, d2, d1, d0 = word_channels(dst.fmt, dst.get(x, y))
            n = [d + ((a * (cc - d)) >> 8) for d, cc in ((d2, c2), (d1, c1), (d0, c0))]
            dst.put(x, y, pack_channels(dst.fmt, da, *n))


def op_darken(dst, c):
    amount = f32(c['amount'])
    amount = 0.0 if not amount > 0 else min(amount, 1.0)
    f = int(f32(amount * f32(255.0)))
    if f != 255:
        f = (f * 255) >> 8
    r = clipped_rect(dst, c)
    for y in range(r[1], r[3]):
        for x in range(r[0], r[2]):
            p = dst.get(x, y)
            if dst.fmt == 1:
                _, c2, c1, c0 = word_channels(1, p)
                dst.put(x, y, pack_channels(1, 255, (c2 * f) >> 8, (c1 * f) >> 8, (c0 * f) >> 8))
            elif dst.fmt == 4:
                dst.put(x, y, (((p >> 11) * f >> 8) << 11) | ((((p >> 5) & 63) * f >> 8) << 5) |
                        ((p & 31) * f >> 8))
            else:
                dst.put(x, y, (p & 0xFF000000) | ((((p >> 16) & 255) * f >> 8) << 16) |
                        ((((p >> 8) & 255) * f >> 8) << 8) | ((p & 255) * f >> 8))


def op_gradient(dst, c):
    cols = c['colors']
    if dst.fmt == 7:
        cols = [(q & 0xFF00FF00) | ((q >> 16) & 255) | ((q & 255) << 16) for q in cols]
    r = c.get('rect') or [0, 0, dst.w, dst.h]
    cl = c['clip']
    left = max(r[0], cl[0])
    width = r[2] - left
    visible = min(r[2], cl[2]) - left
    height = r[3] - r[1]
    if width <= 0 or visible <= 0 or height <= 0:
        return
    for i in range(height):
        y = r[1] + i
        if y < cl[1] or y >= cl[3]:
            continue
        chans = []
        for sh in (16, 8, 0):
            c0, c1, c2, c3 = ((q >> sh) & 255 for q in cols)
            lv = c0 * 0xFFFF + cdiv((c3 - c0) * 0xFFFF, height) * i
            rv = c1 * 0xFFFF + cdiv((c2 - c1) * 0xFFFF, height) * i
            chans.append((lv, cdiv(rv - lv, width)))
        for k in range(visible):
            vr, vg, vb = (lv + st * k for lv, st in chans)
            x = left + k
            if dst.fmt == 1:
                dst.put(x, y, pack_channels(1, 255, vr >> 16, vg >> 16, vb >> 16))
            elif dst.fmt == 4:
                dst.put(x, y, ((vr >> 19) << 11) | ((vg >> 18) << 5) | (vb >> 19))
            else:
                p = dst.get(x, y)
                dst.put(x, y, (p & 0xFF000000) | ((vr >> 16) << 16) | ((vg >> 16) << 8) | (vb >> 16))


def op_line(dst, c):
    x0, y0, x1, y1 = c['p']
    c0, c1 = c['c0'], c['c1']
    cl = c['clip']
    if ((x0 < cl[0] and x1 < cl[0]) or (y0 < cl[1] and y1 < cl[1]) or (x0 >= cl[2] and x1 >= cl[2]) or
            (y0 >= cl[3] and y1 >= cl[3])):
        return
    n = min(abs(y1 - y0) + 1, 2 * dst.h)
    ydir = -1 if y1 < y0 else 1
    xstep = cdiv((x1 - x0) * 65536, n)
    chans = [((c0 >> sh) & 255) * 65536 for sh in (24, 16, 8, 0)]
    steps = [cdiv((((c1 >> sh) & 255) - ((c0 >> sh) & 255)) * 65536, n) for sh in (24, 16, 8, 0)]
    xf = x0 * 65536
    for row in range(n):
        y = y0 + row * ydir
        xs = xf >> 16
        xf += xstep
        xe = xf >> 16
        start, length = min(xs, xe), max(abs(xe - xs), 1)
        for k in range(length):
            x = start + k
            if not in_rect(x, y, cl):
                continue
            if c0 == c1:
                a, r, g, b = c0 >> 24, (c0 >> 16) & 255, (c0 >> 8) & 255, c0 & 255
            else:
                a, r, g, b = (max(0, min(255, (v + cdiv(s, length) * k) >> 16)) for v, s in zip(chans, steps))
            dst.put(x, y, dst.native(a, r, g, b))
        chans = [v + s for v, s in zip(chans, steps)]


def op_putpixel(dst, c):
    for x, y, col in c['pixels']:
        if 0 <= x < dst.w and 0 <= y < dst.h:
            a, r, g, b = col >> 24, (col >> 16) & 255, (col >> 8) & 255, col & 255
            dst.put(x, y, dst.native(a, r, g, b))


def op_plotpixel(dst, c):
    x, y, col, nb = c['x'], c['y'], c['color'], c['neighbours']
    if not (1 <= x < dst.w - 1 and 1 <= y < dst.h - 1):
        return
    pts = [(x, y)]
    for bit, (dx, dy) in enumerate(((1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1))):
        if nb & (1 << bit):
            pts.append((x + dx, y + dy))
    op_putpixel(dst, {'pixels': [(px, py, col) for px, py in pts]})


def op_invert(dst, c):
    for y in range(dst.h):
        for i in range(dst.w * dst.bpp):
            dst.data[y * dst.pitch + i] ^= 0xFF


def main():
    global PALETTE, LOOKUP
    batch = json.load(sys.stdin)
    if batch.get('palette'):
        PALETTE = batch['palette']
        LOOKUP = batch['lookup']
    for c in batch['cases']:
        dst = Surface(c['dst'])
        src = Surface(c['src']) if c.get('src') else None
        op = c['op']
        if op == 'blit':
            op_blit(dst, src, c)
        elif op == 'tinted':
            op_tinted(dst, src, c)
        elif op == 'rotated':
            op_rotated(dst, src, c)
        elif op == 'stretch':
            op_stretch(dst, src, c)
        elif op == 'stretch_tinted':
            op_stretch_tinted(dst, src, c)
        elif op == 'additive':
            op_additive(dst, c)
        elif op == 'darken':
            op_darken(dst, c)
        elif op == 'gradient':
            op_gradient(dst, c)
        elif op == 'line':
            op_line(dst, c)
        elif op == 'putpixel':
            op_putpixel(dst, c)
        elif op == 'plotpixel':
            op_plotpixel(dst, c)
        elif op == 'invert':
            op_invert(dst, c)
        else:
            raise ValueError(op)
        print(dst.out())


if __name__ == '__main__':
    main()
