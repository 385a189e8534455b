#!/usr/bin/env python3
"""Draws the program's thirteen mouse cursors and writes them as Windows .cur files.

Each cursor is 32 x 32 pixels, 32-bit BGRA with an AND mask, one image per file;
the hot spot is stored in the directory entry as the format requires.
Run from this directory: python3 make_cursors.py
"""
import math
import struct

SIZE = 32
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, colour, r=0.0):
        for yy in range(int(math.floor(y - r)), int(math.ceil(y + r)) + 1):
            for xx in range(int(math.floor(x - r)), int(math.ceil(x + r)) + 1):
                if 0 <= xx < SIZE and 0 <= yy < SIZE and (xx - x) ** 2 + (yy - y) ** 2 <= r * r + 0.25:
                    self.px[yy][xx] = colour

    def line(self, x0, y0, x1, y1, colour, r=0.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            self.dot(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, colour, r)

    def arc(self, cx, cy, radius, a0, a1, colour, r=0.0):
        steps = int(abs(a1 - a0) * radius / 20) + 8
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            self.dot(cx + radius * math.cos(a), cy - radius * math.sin(a), colour, r)

    def fill_disc(self, cx, cy, radius, colour, r=0.0):
        self.dot(cx, cy, colour, radius + r)


def outlined(shapes):
    """Draws every shape twice: a white halo first, the black stroke over it."""
    c = Canvas()
    for kind, args in shapes:
        getattr(c, kind)(*args, WHITE, 1.5)
    for kind, args in shapes:
        getattr(c, kind)(*args, BLACK, 0.0)
    return c


def cross(cx=16, cy=16, arm=9, gap=2):
    return [("line", (cx - arm, cy, cx - gap, cy)), ("line", (cx + gap, cy, cx + arm, cy)),
            ("line", (cx, cy - arm, cx, cy - gap)), ("line", (cx, cy + gap, cx, cy + arm))]


def arrow_head(x, y, dx, dy, size=3):
    px, py = -dy, dx
    return [("line", (x, y, x - dx * size + px * size, y - dy * size + py * size)),
            ("line", (x, y, x - dx * size - px * size, y - dy * size - py * size))]


def four_way(cx=16, cy=16, arm=11):
    s = [("line", (cx - arm, cy, cx + arm, cy)), ("line", (cx, cy - arm, cx, cy + arm))]
    s += arrow_head(cx + arm, cy, 1, 0) + arrow_head(cx - arm, cy, -1, 0)
    s += arrow_head(cx, cy + arm, 0, 1) + arrow_head(cx, cy - arm, 0, -1)
    return s


def magnifier(sign):
    s = [("arc", (12, 12, 8, 0, 360)), ("line", (18, 18, 28, 28)), ("line", (19, 18, 29, 28)),
         ("line", (8, 12, 16, 12))]
    if sign == "+":
        s.append(("line", (12, 8, 12, 16)))
    return s


def arrow_pointer():
    return [("line", (1, 1, 1, 17)), ("line", (1, 1, 12, 12)), ("line", (1, 17, 5, 13)),
            ("line", (12, 12, 7, 12)), ("line", (5, 13, 8, 20)), ("line", (7, 12, 10, 19)),
            ("line", (8, 20, 10, 19))]


def rotation(start, end, head_at_end=True):
    s = [("arc", (16, 16, 9, start, end))]
    a = math.radians(end if head_at_end else start)
    x, y = 16 + 9 * math.cos(a), 16 - 9 * math.sin(a)
    sign = 1 if head_at_end else -1
    dx, dy = -math.sin(a) * sign, -math.cos(a) * sign
    return s + arrow_head(x, y, dx, dy, 4) + cross(16, 16, 3, 0)


def polygon_outline(ox=16, oy=16):
    pts = [(ox + 3, oy + 3), (ox + 14, oy + 5), (ox + 12, oy + 14), (ox + 4, oy + 12)]
    return [("line", (*pts[i], *pts[(i + 1) % len(pts)])) for i in range(len(pts))]


def node_boxes(points):
    s = []
    for x, y in points:
        s += [("line", (x - 2, y - 2, x + 2, y - 2)), ("line", (x + 2, y - 2, x + 2, y + 2)),
              ("line", (x + 2, y + 2, x - 2, y + 2)), ("line", (x - 2, y + 2, x - 2, y - 2))]
    return s


CURSORS = {
    "zoomin.cur": (magnifier("+"), (12, 12)),
    "zoomout.cur": (magnifier("-"), (12, 12)),
    "handmove.cur": (four_way(), (16, 16)),
    "pointsins.cur": (cross(10, 10, 8, 2) + node_boxes([(22, 22)]) + [("line", (22, 19, 22, 25)), ("line", (19, 22, 25, 22))], (10, 10)),
    "pick.cur": (arrow_pointer() + node_boxes([(22, 22)]), (1, 1)),
    "rotate.cur": (rotation(30, 330), (16, 16)),
    "rotateleft.cur": (rotation(270, 90, head_at_end=False), (16, 16)),
    "rotatetop.cur": (rotation(180, 0), (16, 16)),
    "polygon.cur": (cross(9, 9, 8, 2) + polygon_outline(), (9, 9)),
    "polygonline.cur": (cross(9, 9, 8, 2) + [("line", (19, 28, 29, 18))] + node_boxes([(19, 28), (29, 18)]), (9, 9)),
    "polygonedit.cur": (cross(9, 9, 8, 2) + polygon_outline() + node_boxes([(19, 19), (30, 21)]), (9, 9)),
    "polygonmove.cur": (four_way(10, 10, 8) + polygon_outline(), (10, 10)),
    "pointnew.cur": (cross(10, 10, 8, 2) + [("fill_disc", (23, 23, 3))], (10, 10)),
}


def cur_bytes(canvas, hotspot):
    # BITMAPINFOHEADER: height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        bits = 0
        for x in range(SIZE):
            b, g, r, a = canvas.px[y][x][2], canvas.px[y][x][1], canvas.px[y][x][0], canvas.px[y][x][3]
            colour += bytes((b, g, r, a))
            bits = (bits << 1) | (0 if a else 1)
        mask += bits.to_bytes(4, "big")
    image = header + bytes(colour) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    for name, (shapes, hotspot) in CURSORS.items():
        with open(name, "wb") as f:
            f.write(cur_bytes(outlined(shapes), hotspot))


if __name__ == "__main__":
    main()
