#!/usr/bin/env python3
"""Draws Okapel's application icon and writes it as 16-colour PNG images.

The icon is a ring, an "O", in an okapi's chestnut coat whose lower half carries the
animal's cream leg stripes, around a teal network node. Each size is rendered from the
same shapes (the 32-pixel design scaled, or at 16 pixels a simpler one), supersampled,
then every pixel takes the nearest of the sixteen palette entries (some of which are half
transparent, for smooth edges), and the result is written as a 4-bit palette PNG with a
transparency chunk. The sizes beyond 16 and 32 are there so that scaled screens (1.25,
1.5, 2) and the desktop's menus and docks get an image drawn at their size, never one
blown up or shrunk.

Standard library only, and deterministic: the same script always writes the same bytes,
so the committed images can be checked against it:

    python3 scripts/make-icons.py            # rewrites src/ui/icons/okapel-SIZE.png
    python3 scripts/make-icons.py --check    # fails if the committed images differ
"""

import math
import os
import struct
import sys
import zlib

# The sixteen colours, RGBA. Index 0 is the transparent background.
PALETTE = [
    (0, 0, 0, 0),          # 0 background
    (38, 20, 12, 255),     # 1 outline
    (38, 20, 12, 110),     # 2 outline, soft edge
    (92, 42, 20, 255),     # 3 coat, shade
    (139, 66, 31, 255),    # 4 coat
    (186, 104, 54, 255),   # 5 coat, light
    (236, 220, 188, 255),  # 6 stripe, cream
    (252, 249, 240, 255),  # 7 stripe, light
    (58, 31, 18, 255),     # 8 stripe gap, dark coat
    (14, 78, 98, 255),     # 9 node, shade
    (24, 138, 160, 255),   # 10 node
    (104, 204, 218, 255),  # 11 node, light
    (228, 250, 252, 255),  # 12 node highlight
    (150, 118, 92, 255),   # 13 cream on coat, mixed
    (139, 66, 31, 120),    # 14 coat, soft edge
    (24, 138, 160, 120),   # 15 node, soft edge
]

# Every size the icon is drawn at, in pixels: the two of the application's icon resource,
# and those that scaled screens and the desktop's menus and docks ask for.
SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)


def supersample(size):
    """Samples per pixel along each axis: 8 up to 32 pixels, fewer where pixels are small."""
    return max(2, min(8, 256 // size))


def shapes(size):
    """Returns the shape parameters for one icon size, in pixels."""
    if size >= 24:
        # Three nodes, linked in a triangle: the network that the manager talks to. Drawn
        # at 32 pixels, scaled for the other sizes.
        k = size / 32.0
        return dict(c=16.0 * k, outer=15.0 * k, inner=8.6 * k, line=1.15 * k, stripe=2.6 * k,
                    stripe_top=17.0 * k,
                    nodes=((16.0 * k, 11.2 * k, 2.9 * k), (11.6 * k, 18.9 * k, 2.9 * k),
                           (20.4 * k, 18.9 * k, 2.9 * k)),
                    node_line=0.9 * k, link=1.2 * k)
    # At 16 pixels a single node is all that stays readable; drawn at 16, scaled for the
    # small icon of a screen at 1.25 (20).
    k = size / 16.0
    return dict(c=8.0 * k, outer=7.6 * k, inner=4.1 * k, line=0.9 * k, stripe=2.2 * k,
                stripe_top=8.6 * k, nodes=((8.0 * k, 8.0 * k, 2.3 * k),), node_line=0.0, link=0.0)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def sample(s, px, py):
    """The colour (RGBA, 0..255 floats) of the icon with shapes `s` at the point (px, py)."""
    c = s["c"]
    dx, dy = px - c, py - c
    r = math.hypot(dx, dy)

    # The nodes: teal discs lit from the upper left, with a dark rim.
    for nx, ny, nr in s["nodes"]:
        d = math.hypot(px - nx, py - ny)
        if d <= nr:
            if s["node_line"] and d > nr - s["node_line"]:
                return PALETTE[9]
            light = math.hypot(px - nx + nr * 0.4, py - ny + nr * 0.4) / nr
            if light < 0.45:
                return PALETTE[12]
            if light < 0.9:
                return PALETTE[11]
            return PALETTE[10]

    # The links between the nodes.
    nodes = s["nodes"]
    if s["link"]:
        for i in range(len(nodes)):
            ax, ay, _ = nodes[i]
            bx, by, _ = nodes[(i + 1) % len(nodes)]
            if segment_distance(px, py, ax, ay, bx, by) <= s["link"] / 2.0:
                return PALETTE[9]

    # The ring: outline on both edges, coat or stripes between.
    if s["inner"] <= r <= s["outer"]:
        if r > s["outer"] - s["line"] or r < s["inner"] + s["line"]:
            return PALETTE[1]
        if py >= s["stripe_top"]:
            band = int((py - s["stripe_top"]) / (s["stripe"] / 2.0))
            if band % 2 == 0:
                return PALETTE[7] if dx < 0 else PALETTE[6]
            return PALETTE[8]
        # The coat is lit from the upper left.
        light = (dx + dy) / (s["outer"] * 1.4142)
        if light < -0.45:
            return PALETTE[5]
        if light < 0.2:
            return PALETTE[4]
        return PALETTE[3]
    return PALETTE[0]


def render(size):
    """Supersamples the icon and maps every pixel to its nearest palette index."""
    pixels = []
    n = supersample(size)
    s = shapes(size)
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample(s, x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    # Premultiplied, so that transparent samples carry no colour.
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            count = n * n
            alpha = acc[3] / count
            if alpha > 0:
                colour = (acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], alpha)
            else:
                colour = (0.0, 0.0, 0.0, 0.0)
            row.append(nearest(colour))
        pixels.append(row)
    return pixels


def nearest(colour):
    r, g, b, a = colour
    best, best_d = 0, None
    for i, (pr, pg, pb, pa) in enumerate(PALETTE):
        # Compare premultiplied colours plus alpha, so that a faint edge of any colour is
        # closer to transparency than to a solid entry.
        d = ((r * a - pr * pa) / 255.0) ** 2 + ((g * a - pg * pa) / 255.0) ** 2 \
            + ((b * a - pb * pa) / 255.0) ** 2 + 2.0 * (a - pa) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_4bit(pixels):
    """A PNG of colour type 3 (palette), 4 bits per pixel, with PLTE and tRNS."""
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for i in range(0, width, 2):
            high = row[i]
            low = row[i + 1] if i + 1 < width else 0
            raw.append((high << 4) | low)
    plte = b"".join(struct.pack("BBB", r, g, b) for r, g, b, _ in PALETTE)
    trns = bytes(a for _, _, _, a in PALETTE)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", plte)
            + chunk(b"tRNS", trns)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main(argv):
    check = "--check" in argv[1:]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = os.path.join(root, "src", "ui", "icons")
    stale = []
    for size in SIZES:
        data = png_4bit(render(size))
        path = os.path.join(out_dir, "okapel-%d.png" % size)
        if check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(path)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
