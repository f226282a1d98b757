#!/usr/bin/env python3
"""Draws the program icon: a sheet of header lines with a green down arrow.

Writes tobrell-<size>.png (8-bit RGBA) for every size in SIZES and the
scalable tobrell.svg beside this script. Only the standard library is used and
the output is the same on every run, so the committed images can always be
regenerated and compared.

The drawing is made on a 48-unit square. Every edge of the sheet and its lines
lies on a multiple of 3 units, which is a whole pixel at every size, so the
small icons stay sharp; only the slanted edges are smoothed.
"""

import pathlib
import struct
import zlib

SIZES = (16, 32, 48, 64, 128, 256)
SAMPLES = 8  # per pixel and axis

OUTLINE = (0x3C, 0x46, 0x50)
PAPER = (0xFF, 0xFF, 0xFF)
STATUS_LINE = (0x1F, 0x4E, 0x8C)
FIELD_NAME = (0x2F, 0x7B, 0xD0)
FIELD_VALUE = (0x8C, 0x96, 0xA0)
ARROW = (0x27, 0xA8, 0x43)
ARROW_EDGE = (0x14, 0x5C, 0x25)


def rect(left, top, right, bottom):
    return [(left, top), (right, top), (right, bottom), (left, bottom)]


def offset(polygon, distance):
    """Moves every edge of a clockwise convex polygon outward by distance.

    Sharp corners are cut off (bevelled) instead of growing a long spike.
    """
    edges = []
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        dx, dy = x1 - x0, y1 - y0
        length = (dx * dx + dy * dy) ** 0.5
        edges.append(((x0, y0), (dx, dy), (dy / length, -dx / length)))  # outward normal, y down
    corners = []
    for (_, pd, pn), ((qx, qy), qd, qn) in zip(edges[-1:] + edges[:-1], edges):
        px, py = qx + pn[0] * distance, qy + pn[1] * distance
        sx, sy = qx + qn[0] * distance, qy + qn[1] * distance
        t = ((sx - px) * qd[1] - (sy - py) * qd[0]) / (pd[0] * qd[1] - pd[1] * qd[0])
        mx, my = px + pd[0] * t, py + pd[1] * t
        if (mx - qx) ** 2 + (my - qy) ** 2 > (1.5 * distance) ** 2:
            corners += [(px, py), (sx, sy)]
        else:
            corners.append((mx, my))
    return corners


def contains(polygon, x, y):
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0) < 0:
            return False
    return True


def layers(size):
    """The drawing for one size, bottom layer first: (colour, convex polygons) in units."""
    # Outline width: 1 pixel up to 32 pixels, then 2 units (a 24th of the size).
    edge = 2 if size >= 48 else 48 / size
    sheet = rect(6, 3, 36, 45)
    shaft = rect(27, 21, 39, 33)
    if size <= 16:
        # A slanted edge blurs at 16 pixels: there the head is a staircase.
        head = [rect(21 + 3 * step, 33 + 3 * step, 45 - 3 * step, 36 + 3 * step) for step in range(4)]
    else:
        head = [[(22, 33), (44, 33), (33, 44)]]
    drawing = [
        (OUTLINE, [sheet]),
        (PAPER, [offset(sheet, -edge)]),
        (STATUS_LINE, [rect(12, 9, 30, 12)]),
    ]
    for top in (15, 21, 27, 33, 39):
        drawing.append((FIELD_NAME, [rect(12, top, 18, top + 3)]))
        drawing.append((FIELD_VALUE, [rect(21, top, 30, top + 3)]))
    drawing.append((ARROW_EDGE, [offset(p, edge) for p in [shaft] + head]))
    drawing.append((ARROW, [shaft] + head))
    return drawing


def render(size):
    unit = size / 48
    drawing = [(colour, [[(x * unit, y * unit) for x, y in p] for p in polygons])
               for colour, polygons in layers(size)]
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    for colour, polygons in reversed(drawing):
                        if any(contains(p, x, y) for p in polygons):
                            red += colour[0]
                            green += colour[1]
                            blue += colour[2]
                            covered += 1
                            break
            if covered:
                row += bytes((round(red / covered), round(green / covered), round(blue / covered),
                              round(255 * covered / SAMPLES ** 2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg():
    """The drawing of the large sizes as a scalable image, in units."""
    def number(value):
        return f"{value:.3f}".rstrip("0").rstrip(".")
    paths = []
    for colour, polygons in layers(max(SIZES)):
        outline = " ".join("M" + " L".join(f"{number(x)},{number(y)}" for x, y in p) + " Z" for p in polygons)
        paths.append(f'  <path fill="#{bytes(colour).hex()}" d="{outline}"/>')
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">\n'
            + "\n".join(paths) + "\n</svg>\n")


if __name__ == "__main__":
    folder = pathlib.Path(__file__).resolve().parent
    (folder / "tobrell.svg").write_text(svg(), encoding="utf-8")
    for size in SIZES:
        (folder / f"tobrell-{size}.png").write_bytes(render(size))
