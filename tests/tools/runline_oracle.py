#!/usr/bin/env python3
"""Offset lines and cross-line points of the runline tests, from Shapely.

    runline_oracle.py                 print the table
    runline_oracle.py --compare FILE  exit 0 when FILE holds the same table
                                      (within 1e-9), 1 when not, 77 without
                                      Shapely

Table lines (numbers separated by blanks):
    offset N x y ... G SIDE M x y ...   parallel_offset of the route by G on
                                        SIDE (L or R, mitre joins), its points
                                        in the route's direction
    mitre x0 y0 x1 y1 x2 y2 G SIDE X Y  the mitre vertex at the bend (x1, y1)
    cross x0 y0 x1 y1 S K x y ...       the points interpolate(i * S) of the
                                        segment, i = 0 .. K - 1
"""
import math
import sys

ROUTES_OFFSET = [
    ([(0, 0), (25, 0)], [10, 20, 100]),
    ([(0, 0), (30, 40)], [10, 55.5]),
    ([(500000.5, 4500000.25), (500120.75, 4499950.5)], [10, 37.5]),
    ([(-3, 7), (-3, -93)], [0.1, 10]),
    # Straight routes with collinear vertices: Shapely keeps only the ends.
    ([(0, 0), (10, 10), (40, 40)], [5, 10]),
    ([(100, 0), (100, 30), (100, 31), (100, 200)], [2.5]),
]
BENDS = [
    ([(0, 0), (100, 0), (100, 100)], [10]),
    ([(0, 0), (100, 0), (150, 30)], [10, 25]),
    ([(0, 0), (50, 50), (100, 0)], [10]),
    ([(10, 10), (-40, 20), (-60, 90)], [7.5]),
]
CROSSES = [
    ([(0, 0), (25, 0)], 10),
    ([(0, 0), (30, 40)], 10),
    ([(0, 0), (0.3, 0)], 0.1),
    ([(1000.25, 2000.5), (1137.75, 1911.0)], 12.5),
]


def fmt(v):
    return repr(float(v))


def oriented(coords, route):
    # Shapely 1.8 returns a right offset against the route's direction.
    first, last = route[0], route[-1]
    d_keep = math.dist(coords[0], first) + math.dist(coords[-1], last)
    d_flip = math.dist(coords[-1], first) + math.dist(coords[0], last)
    return coords if d_keep <= d_flip else coords[::-1]


def table():
    from shapely.geometry import LineString, Point

    rows = []
    for route, gaps in ROUTES_OFFSET:
        for g in gaps:
            for side in ("L", "R"):
                line = LineString(route).parallel_offset(
                    g, "left" if side == "L" else "right", join_style=2, mitre_limit=1000)
                pts = oriented(list(line.coords), route)
                rows.append(" ".join(["offset", str(len(route))] +
                                     [fmt(c) for p in route for c in p] + [fmt(g), side, str(len(pts))] +
                                     [fmt(c) for p in pts for c in p]))
    for route, gaps in BENDS:
        for g in gaps:
            for side in ("L", "R"):
                line = LineString(route).parallel_offset(
                    g, "left" if side == "L" else "right", join_style=2, mitre_limit=1000)
                pts = oriented(list(line.coords), route)
                # The vertex nearest the bend's mitre point is the mitre vertex.
                bend = Point(route[1])
                mitre = min(pts[1:-1], key=lambda p: abs(Point(p).distance(bend) - g / math.cos(
                    math.radians(deflection(route)) / 2)))
                rows.append(" ".join(["mitre"] + [fmt(c) for p in route for c in p] +
                                     [fmt(g), side, fmt(mitre[0]), fmt(mitre[1])]))
    for route, s in CROSSES:
        seg = LineString(route)
        k = int(math.floor(seg.length / s * (1 + 1e-9))) + 1
        pts = [seg.interpolate(i * s).coords[0] for i in range(k)]
        rows.append(" ".join(["cross"] + [fmt(c) for p in route for c in p] + [fmt(s), str(k)] +
                             [fmt(c) for p in pts for c in p]))
    return rows


def deflection(route):
    (x0, y0), (x1, y1), (x2, y2) = route
    a = math.atan2(y1 - y0, x1 - x0)
    b = math.atan2(y2 - y1, x2 - x1)
    d = math.degrees(b - a)
    while d > 180:
        d -= 360
    while d < -180:
        d += 360
    return abs(d)


def same(a, b):
    ta, tb = a.split(), b.split()
    if len(ta) != len(tb):
        return False
    for x, y in zip(ta, tb):
        if x == y:
            continue
        try:
            if abs(float(x) - float(y)) > 1e-9 * max(1.0, abs(float(x))):
                return False
        except ValueError:
            return False
    return True


def main(argv):
    try:
        import shapely  # noqa: F401
    except ImportError:
        print("Shapely is not installed")
        return 77 if "--compare" in argv else 1
    rows = table()
    if "--compare" in argv:
        with open(argv[argv.index("--compare") + 1], encoding="utf-8") as f:
            stored = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
        if len(stored) != len(rows) or not all(same(a, b) for a, b in zip(stored, rows)):
            print("the stored table differs from Shapely's")
            return 1
        return 0
    print("# Made by runline_oracle.py with Shapely " + __import__("shapely").__version__)
    for row in rows:
        print(row)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
