#!/usr/bin/env python3
"""Writes the oracle tables of the geodesy tests from independent tools.

PROJ (`proj`, `cct`) and GeographicLib (`TransverseMercatorProj`,
`CartConvert`, `ConicProj`) compute every expected value; this script only
chooses the inputs and writes them beside the tools' answers as CSV:

  tm_forward.csv   proj +proj=tmerc (exact Poder/Engsager), forward
  tm_inverse.csv   proj -I +proj=tmerc (exact): random grid points up to 6
                   degrees from the central meridian, inverse
  tm_gamma_k.csv   TransverseMercatorProj (exact): convergence and scale
  geocentric.csv   CartConvert: geodetic -> geocentric
  datum.csv        cct: cart -> helmert (coordinate frame, exact) ->
                   inverse helmert -> inverse cart
  lcc.csv          proj +proj=lcc, one and two standard parallels
  lcc_inverse.csv  proj -I +proj=lcc: random grid points close to the
                   equator, the prime meridian and the antimeridian
  conic.csv        ConicProj: Lambert grid offsets from the origin

Usage: make_oracle_tables.py [--out DIR]   (default: oracle/ beside this file)
       make_oracle_tables.py --check PROGRAM
         writes fresh tables into a temporary folder and runs PROGRAM (the
         oracle test) on them through PHX_ORACLE_DIR: the live comparison.
Exit code 77 when a tool is missing, so CTest can report the run as skipped.
"""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

TOOLS = ["proj", "cct", "TransverseMercatorProj", "CartConvert", "ConicProj"]

# a (m), f
ELLIPSOIDS = {
    "WGS84": ("6378137.0", "0.0033528106647474"),
    "GRS80": ("6378137.0", "0.00335281068118232"),
    "Clarke1866": ("6378206.4", "0.00339007530392876"),
    "Airy1830": ("6377563.396", "0.00334085064149708"),
    "International1924": ("6378388.0", "0.00336700336700337"),
}


def run(command, lines):
    result = subprocess.run(command, input="\n".join(lines) + "\n", capture_output=True,
                            text=True, check=True)
    out = [line.split() for line in result.stdout.splitlines() if line.strip()]
    if len(out) != len(lines):
        raise RuntimeError("%s answered %d lines for %d" % (command[0], len(out), len(lines)))
    return out


def write(path, header, rows):
    with open(path, "w", newline="\n") as f:
        f.write(",".join(header) + "\n")
        for row in rows:
            f.write(",".join(row) + "\n")


def fmt(x):
    return repr(float(x))


def tm_cases():
    # ellipsoid, central meridian, reference latitude, k0, FE, FN
    grids = [
        ("WGS84", "27", "0", "0.9996", "500000", "0"),
        ("WGS84", "-75", "0", "0.9996", "500000", "10000000"),
        ("Clarke1866", "-75", "0", "0.9996", "0", "0"),
        ("Airy1830", "-2", "49", "0.9996012717", "400000", "-100000"),
        ("International1924", "33", "0", "1", "500000", "0"),
        ("GRS80", "130.5", "-30", "0.9999", "200000", "300000"),
    ]
    lats = ["0.5", "10", "21.25", "30", "38.7", "45", "52.3", "60", "67.5", "75", "80"]
    dlons = ["-4", "-3.1", "-1.5", "-0.25", "0", "0.7", "2", "3.3", "4", "-5", "5"]
    for ell, cm, rl, k0, fe, fn in grids:
        for i, lat in enumerate(lats):
            for j, dlon in enumerate(dlons):
                # Grids with a reference latitude stay in their own hemisphere.
                sign = "-" if (i + j) % 3 == 0 and lat != "0.5" else ""
                if rl != "0":
                    sign = "-" if rl.startswith("-") else ""
                lon = fmt(float(cm) + float(dlon))
                yield ell, cm, rl, k0, fe, fn, sign + lat, lon, dlon


def make_tm(out):
    rows, gk_rows = [], []
    groups = {}
    for case in tm_cases():
        groups.setdefault(case[:6], []).append(case)
    for key, cases in groups.items():
        ell, cm, rl, k0, fe, fn = key
        a, f = ELLIPSOIDS[ell]
        proj = ["proj", "-f", "%.9f", "+proj=tmerc", "+lat_0=" + rl, "+lon_0=" + cm, "+k_0=" + k0,
                "+x_0=" + fe, "+y_0=" + fn, "+a=" + a, "+f=" + f]
        answers = run(proj, ["%s %s" % (c[7], c[6]) for c in cases])
        gk = ["TransverseMercatorProj", "-l", cm, "-k", k0, "-e", a, f, "-p", "10"]
        gk_answers = run(gk, ["%s %s" % (c[6], c[7]) for c in cases])
        for c, (e, n), (_, _, gamma, k) in zip(cases, answers, gk_answers):
            rows.append([a, f, cm, rl, k0, fe, fn, c[6], c[7], e, n])
            gk_rows.append([a, f, cm, k0, c[6], c[7], gamma, k])
    write(os.path.join(out, "tm_forward.csv"),
          ["a", "f", "cm", "rl", "k0", "fe", "fn", "lat", "lon", "easting", "northing"], rows)
    write(os.path.join(out, "tm_gamma_k.csv"),
          ["a", "f", "cm", "k0", "lat", "lon", "gamma", "k"], gk_rows)


def make_geocentric(out):
    points = [("0", "0", "0"), ("53.8093944444", "2.1295500000", "73"), ("-33.9", "151.2", "45.5"),
              ("41", "29", "0"), ("89.5", "-120", "2500"), ("-72.25", "-179.5", "-30"),
              ("12.345678", "98.7654321", "8848.86"), ("-0.0001", "0.0001", "-100")]
    rows = []
    for ell in ["WGS84", "Clarke1866", "International1924"]:
        a, f = ELLIPSOIDS[ell]
        answers = run(["CartConvert", "-e", a, f, "-p", "9"], [" ".join(p) for p in points])
        for p, xyz in zip(points, answers):
            rows.append([a, f] + list(p) + xyz)
    write(os.path.join(out, "geocentric.csv"), ["a", "f", "lat", "lon", "h", "x", "y", "z"], rows)


ZERO_SET = ["0"] * 7


def datum_cases():
    wgs = ELLIPSOIDS["WGS84"]
    ed50 = ELLIPSOIDS["International1924"]
    clarke = ELLIPSOIDS["Clarke1866"]
    # s ppm, rx ry rz arc-seconds, tx ty tz metres (local -> WGS84)
    sets = [
        ["0", "0", "0", "0", "-84", "-107", "-120"],
        ["-3.3", "0.07", "-0.3", "0.8", "-87.987", "-108.639", "-121.593"],
        ["12.5", "2.5", "-1.75", "4.25", "150", "-30.5", "92"],
        ["0.219", "0", "0", "-0.554", "0", "0", "4.5"],
        ["-40", "900", "-1200", "1500", "-400", "250", "600"],
    ]
    points = [("41", "29", "0"), ("36.5", "27.25", "1200"), ("-12.5", "-77", "15"),
              ("60.25", "10.75", "-20"), ("0.5", "179.5", "5")]
    for params in sets:
        for src, tgt in [((wgs, ZERO_SET), (ed50, params)), ((ed50, params), (wgs, ZERO_SET)),
                         ((clarke, params), (ed50, sets[1]))]:
            for p in points:
                yield src, tgt, p


def helmert_step(params, inverse):
    s, rx, ry, rz, tx, ty, tz = params
    step = ["+step"] + (["+inv"] if inverse else [])
    return step + ["+proj=helmert", "+x=" + tx, "+y=" + ty, "+z=" + tz, "+rx=" + rx,
                   "+ry=" + ry, "+rz=" + rz, "+s=" + s, "+convention=coordinate_frame", "+exact"]


def make_datum(out):
    rows = []
    for (sa, sp), (ta, tp), p in datum_cases():
        head = ["cct", "-d", "10", "+proj=pipeline", "+step", "+proj=cart", "+a=" + sa[0],
                "+f=" + sa[1]] + helmert_step(sp, False) + helmert_step(tp, True)
        line = ["%s %s %s 0" % (p[1], p[0], p[2])]
        xyz = run(head, line)[0][:3]
        lonlath = run(head + ["+step", "+inv", "+proj=cart", "+a=" + ta[0], "+f=" + ta[1]],
                      line)[0][:3]
        rows.append(list(sa) + sp + list(ta) + tp + list(p) + xyz +
                    [lonlath[1], lonlath[0], lonlath[2]])
    header = ["a1", "f1", "s1", "rx1", "ry1", "rz1", "tx1", "ty1", "tz1",
              "a2", "f2", "s2", "rx2", "ry2", "rz2", "tx2", "ty2", "tz2",
              "lat", "lon", "h", "x", "y", "z", "lat2", "lon2", "h2"]
    write(os.path.join(out, "datum.csv"), header, rows)


def lcc_cases():
    # kind, ellipsoid, origin lat, lon0, parallel 1, parallel 2, k0, FE, FN
    sets = [
        ("1SP", "Clarke1866", "18", "-77", "18", "18", "1", "250000", "150000"),
        ("1SP", "WGS84", "41.5", "33", "41.5", "41.5", "0.9995", "1000000", "500000"),
        ("1SP", "International1924", "-35.25", "145", "-35.25", "-35.25", "1.0002", "300000", "0"),
        ("2SP", "Clarke1866", "27.8333333333333", "-99", "28.3833333333333", "30.2833333333333",
         "1", "609601.2192", "0"),
        ("2SP", "WGS84", "39", "35", "36", "42", "1", "500000", "1000000"),
        ("2SP", "GRS80", "46.5", "3", "44", "49", "1", "700000", "6600000"),
        ("2SP", "WGS84", "-20", "-60", "-15", "-28.5", "1", "0", "10000000"),
        # A tangent cone (equal parallels) whose origin lies off the parallel.
        ("2SP", "WGS84", "38", "30", "40", "40", "1", "200000", "300000"),
    ]
    for s in sets:
        lat0, lon0 = float(s[2]), float(s[3])
        for dlat in [-6.5, -2.25, 0.4, 1.5, 3.75, 7]:
            for dlon in [-7.5, -3.1, -0.6, 1.3, 4.4, 8]:
                yield s, fmt(lat0 + dlat), fmt(lon0 + dlon)


def make_lcc(out):
    rows, conic_rows = [], []
    groups = {}
    for s, lat, lon in lcc_cases():
        groups.setdefault(s, []).append((lat, lon))
    for s, points in groups.items():
        kind, ell, latO, lon0, lat1, lat2, k0, fe, fn = s
        a, f = ELLIPSOIDS[ell]
        proj = ["proj", "-f", "%.10f", "+proj=lcc", "+lat_0=" + latO, "+lon_0=" + lon0,
                "+lat_1=" + lat1, "+lat_2=" + lat2, "+x_0=" + fe, "+y_0=" + fn, "+a=" + a,
                "+f=" + f]
        if kind == "1SP":
            proj.append("+k_0=" + k0)
        answers = run(proj, ["%s %s" % (lon, lat) for lat, lon in points])
        for (lat, lon), (e, n) in zip(points, answers):
            rows.append([kind, a, f, latO, lon0, lat1, lat2, k0, fe, fn, lat, lon, e, n])
        conic = ["ConicProj", "-c", lat1, lat2, "-l", lon0, "-k", k0, "-e", a, f, "-p", "10"]
        origin = run(conic, ["%s %s" % (latO, lon0)])[0]
        conic_answers = run(conic, ["%s %s" % (lat, lon) for lat, lon in points])
        for (lat, lon), xy in zip(points, conic_answers):
            dx = float(xy[0]) - float(origin[0])
            dy = float(xy[1]) - float(origin[1])
            conic_rows.append([kind, a, f, latO, lon0, lat1, lat2, k0, fe, fn, lat, lon,
                               "%.10f" % dx, "%.10f" % dy])
    header = ["kind", "a", "f", "lat0", "lon0", "lat1", "lat2", "k0", "fe", "fn", "lat", "lon"]
    write(os.path.join(out, "lcc.csv"), header + ["easting", "northing"], rows)
    write(os.path.join(out, "conic.csv"), header + ["dx", "dy"], conic_rows)


def wrap180(lon):
    lon = math.remainder(lon, 360.0)
    return 180.0 if lon == -180.0 else lon


def grid_then_inverse(command, points):
    """PROJ's grid text of each (lat, lon), then PROJ's inverse of that text:
    rows of easting, northing, lat, lon."""
    grid = run(command[:1] + ["-f", "%.6f"] + command[1:],
               ["%.12f %.12f" % (lon, lat) for lat, lon in points])
    back = run(command[:1] + ["-I", "-f", "%.12f"] + command[1:],
               ["%s %s" % (e, n) for e, n in grid])
    return [[e, n, lat, lon] for (e, n), (lon, lat) in zip(grid, back)]


def near_line(rng):
    """An offset from a line in degrees: log-uniform from 1e-7 (a centimetre)
    to 0.02, either sign, now and then exactly on the line."""
    if rng.random() < 0.1:
        return 0.0
    return rng.choice([-1, 1]) * 10 ** rng.uniform(-7, math.log10(0.02))


def lcc_inverse_points(rng, lat0, lon0):
    points = []
    for _ in range(10):  # the equator
        points.append((near_line(rng), wrap180(lon0 + rng.uniform(-3, 3))))
    for _ in range(10):  # the prime meridian
        points.append((lat0 + rng.uniform(-3, 3), near_line(rng)))
    for _ in range(10):  # the antimeridian, from either side
        points.append((lat0 + rng.uniform(-3, 3), wrap180(180 + near_line(rng))))
    return points


def make_lcc_inverse(out):
    # kind, ellipsoid, origin lat, lon0, parallel 1, parallel 2, k0, FE, FN
    sets = [
        ("1SP", "WGS84", "45", "0.5", "45", "45", "1", "500000", "200000"),
        ("1SP", "WGS84", "45", "179.5", "45", "45", "1", "500000", "200000"),
        ("1SP", "WGS84", "10", "20", "10", "10", "1", "500000", "200000"),
        ("1SP", "WGS84", "-10", "-179.5", "-10", "-10", "0.9999", "300000", "100000"),
        ("1SP", "International1924", "-35.25", "-0.5", "-35.25", "-35.25", "1.0002", "0", "0"),
        ("2SP", "WGS84", "0", "-179", "5", "15", "1", "500000", "0"),
        ("2SP", "GRS80", "-30", "1", "-25", "-35", "1", "700000", "6600000"),
        ("2SP", "WGS84", "40", "-0.3", "36", "42", "1", "500000", "1000000"),
        ("2SP", "Clarke1866", "-5", "178", "-2", "-12", "1", "0", "10000000"),
    ]
    rng = random.Random(20261210)
    rows = []
    for s in sets:
        kind, ell, latO, lon0, lat1, lat2, k0, fe, fn = s
        a, f = ELLIPSOIDS[ell]
        proj = ["proj", "+proj=lcc", "+lat_0=" + latO, "+lon_0=" + lon0, "+lat_1=" + lat1,
                "+lat_2=" + lat2, "+x_0=" + fe, "+y_0=" + fn, "+a=" + a, "+f=" + f]
        if kind == "1SP":
            proj.append("+k_0=" + k0)
        points = lcc_inverse_points(rng, float(latO), float(lon0))
        for e, n, lat, lon in grid_then_inverse(proj, points):
            rows.append([kind, a, f, latO, lon0, lat1, lat2, k0, fe, fn, e, n, lat, lon])
    header = ["kind", "a", "f", "lat0", "lon0", "lat1", "lat2", "k0", "fe", "fn", "easting",
              "northing", "lat", "lon"]
    write(os.path.join(out, "lcc_inverse.csv"), header, rows)


def make_tm_inverse(out):
    rng = random.Random(20261211)
    groups = {}
    for case in tm_cases():
        groups[case[:6]] = True
    rows = []
    for ell, cm, rl, k0, fe, fn in groups:
        a, f = ELLIPSOIDS[ell]
        proj = ["proj", "+proj=tmerc", "+lat_0=" + rl, "+lon_0=" + cm, "+k_0=" + k0,
                "+x_0=" + fe, "+y_0=" + fn, "+a=" + a, "+f=" + f]
        points = []
        for band in range(6):  # 0-1, 1-2, ... 5-6 degrees from the central meridian
            for _ in range(25):
                dlon = rng.choice([-1, 1]) * rng.uniform(band, band + 1)
                points.append((rng.uniform(-80, 80), wrap180(float(cm) + dlon)))
        for e, n, lat, lon in grid_then_inverse(proj, points):
            rows.append([a, f, cm, rl, k0, fe, fn, e, n, lat, lon])
    write(os.path.join(out, "tm_inverse.csv"),
          ["a", "f", "cm", "rl", "k0", "fe", "fn", "easting", "northing", "lat", "lon"], rows)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                      "oracle"))
    parser.add_argument("--check", metavar="PROGRAM")
    args = parser.parse_args()
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print("missing tools: " + " ".join(missing))
        return 77
    if args.check:
        with tempfile.TemporaryDirectory() as folder:
            make_all(folder)
            env = dict(os.environ, PHX_ORACLE_DIR=folder)
            return subprocess.call([args.check], env=env)
    make_all(args.out)
    return 0


def make_all(out):
    os.makedirs(out, exist_ok=True)
    make_tm(out)
    make_geocentric(out)
    make_datum(out)
    make_lcc(out)
    make_lcc_inverse(out)
    make_tm_inverse(out)


if __name__ == "__main__":
    sys.exit(main())
