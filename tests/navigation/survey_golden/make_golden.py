#!/usr/bin/python3
"""The survey's end-to-end case: its inputs and the files it must leave.

Writes, beside this script:
  settings.ini   the settings file the run starts with
  steps.txt      the feed: one step per line, tab-separated
                 clock, verb, number of lines the step hands to a reader, argument
  expected/      the day folders' LOG and XYZ files after the run, byte for byte

The expected files are computed here from the documented behaviour: the
layouts of the raw depth CSV, the simple XYZ file, the event log, the port
logs and the geodesy record; the depth correction raw x sv / 1500 + draft;
the GNSS sentence scans; the NMEA checksum and line rules of the serial
reader; a row's easting and northing as its own latitude and longitude
projected by PROJ's cct (datum shift, then Transverse Mercator); a fresh
position (a GGA with a fix less than two seconds before the depth line, no
GGA without a fix since, the GNSS port open) for the GPS column and the XYZ
rows. Scans use the C
library's own sscanf, the behaviour the formats are written for.

steps.txt carries the bytes of the receiver capture tests/data/nmea/hemi.log
(the GPSD project, BSD 2-Clause licence; see tests/data/README.md).

  make_golden.py          write the files
  make_golden.py --check  compare the committed files with a fresh run
"""

import ctypes
import ctypes.util
import datetime
import filecmp
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
CAPTURE = HERE.parent.parent / "data" / "nmea" / "hemi.log"

START_DAY = "2026-03-07"
GNSS_PORT, SOUNDER_PORT = 3, 4

# --------------------------------------------------------------------------
# Settings the run starts with

GEODETIC = [  # key, stored text; the flattening is stored under its old key name
    ("SemiMajorAxis", "6378388"),
    ("InverseFlattening", "0.003367003367003367"),
    ("X_Rotation", "0.35"),
    ("Y_Rotation", "-0.12"),
    ("Z_Rotation", "1.5e-6"),
    ("X_Shift", "-84.87"),
    ("Y_Shift", "-96.49"),
    ("Z_Shift", "-116.95"),
    ("Scale_PPM", "1.2"),
    ("Central_Meridian", "-71"),
    ("Reference_Latitude", "0"),
    ("Scale_Factor", "0.9996"),
    ("False_Easting", "500000"),
    ("False_Northing", "0"),
    ("Use Projection", "1"),
    ("Use DTP", "0"),
    ("Name of Datum", "ED50"),
    ("eLCCSP1", "36"),
    ("eLCCSP2", "42"),
    ("eLCCSF", "1"),
    ("eLCCCP", "39"),
    ("eLCCM", "35"),
    ("eLCCFE", "0"),
    ("eLCCFN", "0"),
    ("cbUseLCCProjection", "0"),
    ("cLambert1", "0"),
]

OFFSETS = {"Offset A": "0.5", "Offset B": "0", "Offset C": "1.5", "SV": "1530",
           "Tide Height": "0.2"}


def port_section(port, sensor, log_time):
    keys = ["Port No", "Baud Rate", "Data Width", "Stop Bits", "Parity", "Priority", "Delay",
            "NMEA LOG", "Log Time", "Enable DTR", "Enable RTS"]
    values = ["COM%d" % port, "9600", "8", "1", "None", "Normal", "10", "True",
              "True" if log_time else "False", "False", "False"]
    return list(zip(keys, values))


def settings_text():
    sections = [
        ("GPS1 COMUNICATION SETTINGS", port_section(GNSS_PORT, False, True)),
        ("SENSOR COMUNICATION SETTINGS", port_section(SOUNDER_PORT, True, False) + [
            ("Sensor Enabled", "1"), ("cSBESMessage", "NMEA DPT"),
            ("eSBESFormat", "%*6s,%lf")]),
        ("GEODETIC_PARAMETERS", GEODETIC),
        ("ECHOSOUNDER_OFFSETS", list(OFFSETS.items())),
        ("SCREENSHOT", [("Interval", "0")]),
    ]
    out = []
    for name, keys in sections:
        out.append("[%s]" % name)
        out += ["%s=%s" % kv for kv in keys]
        out.append("")
    return "\n".join(out)


# --------------------------------------------------------------------------
# Text forms

def fixed(x, decimals):
    return "%.*f" % (decimals, x)


def general(x):
    """Shortest general form: up to 15 significant digits, trailing zeros
    removed; scientific ("1.2E-6") below 0.00001 or with more than 15 integer
    digits."""
    if x == 0:
        return "0"
    exponent = int(("%.14e" % x).split("e")[1])
    if exponent < -5 or exponent >= 15:
        mantissa = ("%.14e" % x).split("e")[0].rstrip("0").rstrip(".")
        return mantissa + "E" + str(exponent)
    return ("%.*f" % (14 - exponent, x)).rstrip("0").rstrip(".")


def date_time_text(t):
    """YYYY-MM-DD, a blank, hhnnsszzz; the date alone at exactly midnight."""
    date = t.strftime("%Y-%m-%d")
    if t.time() == datetime.time(0):
        return date
    return date + " " + time_text(t)


def time_text(t):
    return t.strftime("%H%M%S") + "%03d" % (t.microsecond // 1000)


def clock_text(t):
    return t.strftime("%Y-%m-%d %H:%M:%S.") + "%03d" % (t.microsecond // 1000)


# --------------------------------------------------------------------------
# The C library's sscanf

LIBC = ctypes.CDLL(ctypes.util.find_library("c"))


def scan(fmt, line):
    """sscanf's count and stored values; -1 (nothing read) counts as 0."""
    stores = re.findall(r"%(?!\*)\d*(lf|d)", fmt.replace("%%", ""))
    cells = [ctypes.c_double() if kind == "lf" else ctypes.c_int() for kind in stores]
    n = LIBC.sscanf(line.encode("latin-1"), fmt.encode("latin-1"),
                    *[ctypes.byref(c) for c in cells])
    n = max(n, 0)
    return n, [c.value for c in cells[:n]]


def echo_format_valid(fmt):
    """An echo-sounder format may store numbers through %lf only, two at most."""
    stores = re.findall(r"%(?!\*)\d*([a-z]+)", fmt.replace("%%", ""))
    return 0 < len(stores) <= 2 and all(s == "lf" for s in stores)


# --------------------------------------------------------------------------
# NMEA lines as the serial reader sees them

def address_at(text, at):
    return (at + 7 <= len(text) and text[at] == "$" and text[at + 6] == ","
            and all(c.isascii() and c.isalnum() for c in text[at + 1:at + 6]))


def checksum_bad(line):
    """Only a line with an address first and a '*' is judged."""
    star = line.find("*")
    if star < 0 or not address_at(line, 0):
        return False
    digits = line[star + 1:]
    if len(digits) != 2 or any(c not in "0123456789abcdefABCDEF" for c in digits):
        return True
    total = 0
    for c in line[1:star]:
        total ^= ord(c)
    return total != int(digits, 16)


def with_checksum(body):
    total = 0
    for c in body[1:]:
        total ^= ord(c)
    return "%s*%02X" % (body, total)


def trim(text):
    return text.strip("".join(chr(i) for i in range(33)))


def split_lines(data):
    """Complete lines of `data`: LF, CR LF and a lone CR end a line."""
    return [piece for piece in re.split(r"\r\n|\r|\n", data)[:-1]]


def cut_sentences(line):
    """A line is cut before every '$' that starts an address (after the first character)."""
    cuts = [at for at in range(1, len(line)) if address_at(line, at)]
    pieces, start = [], 0
    for at in cuts:
        pieces.append(line[start:at])
        start = at
    pieces.append(line[start:])
    return [trim(p) for p in pieces if trim(p)]


def nmea_degrees(value, hemisphere, limit):
    """Signed degrees of ddmm.mmmm / dddmm.mmmm; None when off the globe."""
    if value == "":
        return 0.0
    dot = value.find(".")
    if dot < 0 or dot + 1 < 3:
        return 0.0
    digits = 3 if hemisphere in ("E", "W") else 2
    degrees, minutes = float(value[:digits]), float(value[digits:])
    if degrees < 0 or minutes < 0 or minutes >= 60 or degrees + minutes / 60 > limit:
        return None
    r = degrees + minutes / 60
    return -r if hemisphere in ("S", "W") else r


def talker_type(sentence):
    if len(sentence) < 6 or sentence[0] != "$" or sentence[1] == "P":
        return ""
    if len(sentence) > 6 and sentence[6] != ",":
        return ""
    if not all("A" <= c <= "Z" for c in sentence[1:6]):
        return ""
    return sentence[3:6]


# --------------------------------------------------------------------------
# The run

# Message type: (markers the line must hold, values the parse needs, what they are).
ECHO_RULES = {
    "Plovan SMT": (["SMT"], 2, "high,battery"),
    "NMEA DPT": (["DPT"], 1, "high"),
    "NMEA DBT": (["DBT"], 1, "high"),
    "Plovan XDR HI": (["XDHI"], 1, "high"),
    "Plovan XDR LO": (["XDHI", "XDLO"], 1, "low"),
    "Plovan XDR H/L": (["XDHI", "XDLO"], 2, "high,low"),
    "ODC HI": ([",B,"], 1, "high"),
    "OTHER": ([], 1, "high"),
}
ECHO_FORMATS = {
    "Plovan SMT": "%*8s,%lf,%lf", "NMEA DPT": "%*6s,%lf", "NMEA DBT": "%*6s,%*lf,%*1s,%lf",
    "Plovan XDR HI": "%*8s,%lf", "Plovan XDR LO": "%*8s,%*lf,%*8s,%lf",
    "Plovan XDR H/L": "%*8s,%lf,%*8s,%lf", "ODC HI": "%*42s,%lf", "OTHER": "%*10s,%lf",
}
GGA_FORMAT = "%*6s,%lf,%*lf,%*1s,%*lf,%*1s,%d,%*d,%*lf,%lf,%*1s,%lf"
RAW_CSV_HEADER = ("Date,Lat,Lon,Easting,Northing,Elevation (Hi),Elevation (Lo),True Depth (Hi),"
                  "True Depth (Lo),Raw Depth (Hi),Raw Depth (Lo),Message Format,Sound Velocity,"
                  "Transducer Draft,GPS, RTK Antenna Height,Manual Tide,RTK Tide")


def number(text):
    try:
        return float(text)
    except ValueError:
        return None


# --------------------------------------------------------------------------
# The grid: PROJ as the oracle

def projection_pipeline():
    """WGS 84 -> the local datum (the inverse of its step into WGS 84, as
    coordinate-frame rotations with the exact matrix) -> Transverse Mercator."""
    v = dict(GEODETIC)
    local = ["+a=" + v["SemiMajorAxis"], "+f=" + v["InverseFlattening"]]
    return ["+proj=pipeline", "+step", "+proj=cart", "+a=6378137.0", "+f=0.0033528106647474",
            "+step", "+inv", "+proj=helmert", "+x=" + v["X_Shift"], "+y=" + v["Y_Shift"],
            "+z=" + v["Z_Shift"], "+rx=" + v["X_Rotation"], "+ry=" + v["Y_Rotation"],
            "+rz=" + v["Z_Rotation"], "+s=" + v["Scale_PPM"], "+convention=coordinate_frame",
            "+exact", "+step", "+inv", "+proj=cart"] + local + [
            "+step", "+proj=tmerc", "+lon_0=" + v["Central_Meridian"],
            "+lat_0=" + v["Reference_Latitude"], "+k=" + v["Scale_Factor"],
            "+x_0=" + v["False_Easting"], "+y_0=" + v["False_Northing"]] + local


GRID_CACHE = {}


def grid_of(lat, lon):
    """Easting and northing of a WGS 84 fix (the datum shift at height 0)."""
    if (lat, lon) not in GRID_CACHE:
        out = subprocess.run(["cct", "-d", "9"] + projection_pipeline(), check=True,
                             input="%r %r 0 0\n" % (lon, lat), capture_output=True,
                             text=True).stdout.split()
        GRID_CACHE[(lat, lon)] = (float(out[0]), float(out[1]))
    return GRID_CACHE[(lat, lon)]


class Run:
    def __init__(self):
        self.clock = datetime.datetime(2026, 3, 7, 23, 50, 0)
        self.steps = []
        self.files = {}  # path below the day folders' root -> text
        # Windows.
        self.offsets_visible = True  # the main window's first show shows it
        self.offsets_text = {"OffsetA": OFFSETS["Offset A"], "OffsetC": OFFSETS["Offset C"],
                             "SV": OFFSETS["SV"], "TideHt": OFFSETS["Tide Height"]}
        self.offsets_value = {}
        for name, text in self.offsets_text.items():
            self.take_offset(name, text)
        self.echo_type, self.echo_format = "NMEA DPT", "%*6s,%lf"
        self.profile = None  # the profile column's lines while it is in use
        self.csv_blocked = False  # a folder stands at the raw CSV's own name
        # Survey state.
        self.lat = self.lon = 0.0
        self.last_fix = None  # clock of the last GGA that carried a fix
        self.copies = {"OffsetA": 0.0, "SV": 0.0, "OffsetC": 0.0, "TideHt": 0.0}
        self.rtk_height = self.rtk_tide = 0.0
        self.depth_high = self.depth_low = 0.0
        self.running = False
        # The GNSS reader's own values.
        self.reader_lat = self.reader_lon = self.reader_alt = 0.0
        self.reader_fix = 0
        self.logs = {}  # port -> open log path
        self.idle_reported = False  # the present silence was reported

    # ---- files
    def append(self, path, text):
        self.files[path] = self.files.get(path, "") + text

    def day(self):
        return self.clock.strftime("%Y-%m-%d")

    def log_dir(self):
        return START_DAY + "/LOG/"

    def event(self, text):
        self.append(self.log_dir() + self.day() + " Events.log",
                    "\r\nAuto Event:\t" + date_time_text(self.clock) + "\t" + text)

    # ---- steps
    def tick(self, ms):
        self.clock += datetime.timedelta(milliseconds=ms)

    def step(self, verb, argument="", lines=0):
        # The test's tick count follows this clock, which must never run back.
        assert not self.steps or clock_text(self.clock) >= self.steps[-1].split("\t")[0]
        self.steps.append("\t".join([clock_text(self.clock), verb, str(lines), argument]))

    def take_offset(self, name, text):
        value = number(text)
        if value is not None and (name != "SV" or 1300 <= value <= 1700):
            self.offsets_value[name] = value

    def copy_offsets(self):
        for name in self.copies:
            if name in self.offsets_value:
                self.copies[name] = self.offsets_value[name]

    def set_offsets_visible(self, visible):
        self.step("offsets", "show" if visible else "hide")
        if visible and not self.offsets_visible:
            # Each show reloads the edits from the settings file.
            for name, key in (("OffsetA", "Offset A"), ("OffsetC", "Offset C"), ("SV", "SV"),
                              ("TideHt", "Tide Height")):
                self.take_offset(name, OFFSETS[key])
        self.offsets_visible = visible

    def edit_offset(self, name, text):
        self.step("edit", name + "=" + text)
        self.take_offset(name, text)

    def set_type(self, name, fmt=None):
        self.step("type", name)
        self.echo_type = name
        if name in ECHO_FORMATS and not (name == "OTHER" and self.echo_format not in
                                         ECHO_FORMATS.values()):
            self.echo_format = ECHO_FORMATS[name]
        if fmt is not None:
            self.set_format(fmt)

    def set_format(self, fmt):
        self.step("format", fmt)
        self.echo_format = fmt

    def set_profile(self, lines):
        """The sound velocity column typed and the profile switched on; None: off."""
        self.step("profile", "off" if lines is None else "|".join(lines))
        self.profile = lines

    def block_csv(self, blocked):
        """The raw CSV moved aside and a folder put at its name, or both undone."""
        self.step("block-csv", "on" if blocked else "off")
        self.csv_blocked = blocked

    def fresh(self):
        return self.last_fix is not None and self.clock - self.last_fix < datetime.timedelta(
            seconds=2)

    # ---- realtime
    def start(self):
        self.step("start")
        # The geodesy record first.
        path = self.log_dir() + self.day() + " Geodesy.txt"
        if path not in self.files:
            self.append(path, "GEODETIC PARAMETERS LOG - %s\r\n%s\r\n\r\n" % (self.day(), "=" * 40))
        self.append(path, "".join(line + "\r\n" for line in self.geodesy_block()))
        self.copy_offsets()
        for port, name in ((GNSS_PORT, "GNSS"), (SOUNDER_PORT, "SBES")):
            self.logs[port] = self.log_dir() + self.day() + " PHX_%s_V3.log" % name
            self.files.setdefault(self.logs[port], "")
        self.idle_reported = False
        # Nothing of the last session's fix stands for this one.
        self.lat = self.lon = 0.0
        self.last_fix = None
        self.event("Connected to GPS on COM%d" % GNSS_PORT)
        self.event("Realtime STARTED")
        self.running = True

    def stop(self):
        self.step("stop")
        self.reader_lat = self.reader_lon = self.reader_alt = 0.0
        self.reader_fix = 0
        self.last_fix = None
        self.event("Disconnected from GPS on COM%d" % GNSS_PORT)
        self.event("Realtime STOPPED")
        self.running = False

    def idle(self):
        """The idle watchdog's ticks: one report per silence."""
        self.step("idle")
        if self.idle_reported:
            return
        self.idle_reported = True
        self.reader_lat = self.reader_lon = self.reader_alt = 0.0
        self.lat = self.lon = 0.0
        self.last_fix = None
        self.event("GPS is idle!")

    def geodesy_block(self):
        values = dict(GEODETIC)

        def v(key):
            return values.get(key, "")

        def flag(key):
            text = v(key)
            return "Yes" if re.fullmatch(r"[+-]?\d+", text) and int(text) != 0 else "No"

        return [
            "=== SESSION START: " + time_text(self.clock) + " ===", "",
            "--- ELLIPSOID ---",
            "Semi-Major Axis: " + v("SemiMajorAxis"),
            "Inverse Flattening: " + v("InverseFlattening"), "",
            "--- DATUM TRANSFORMATION ---",
            "Name of Datum: " + v("Name of Datum"),
            "Use DTP: " + flag("Use DTP"),
            "X/Y/Z Rotation: " + ", ".join(v(k) for k in ("X_Rotation", "Y_Rotation", "Z_Rotation")),
            "X/Y/Z Shift: " + ", ".join(v(k) for k in ("X_Shift", "Y_Shift", "Z_Shift")),
            "Scale PPM: " + v("Scale_PPM"), "",
            "--- TRANSVERSE MERCATOR ---",
            "Use TM: " + flag("Use Projection"),
            "CM: %s, Ref Lat: %s, SF: %s" % (v("Central_Meridian"), v("Reference_Latitude"),
                                            v("Scale_Factor")),
            "FE: %s, FN: %s" % (v("False_Easting"), v("False_Northing")), "",
            "--- LAMBERT CONFORMAL CONIC ---",
            "Use LCC: " + flag("cbUseLCCProjection"),
            "SP1: %s, SP2: %s" % (v("eLCCSP1"), v("eLCCSP2")),
            "CP: %s, CM: %s" % (v("eLCCCP"), v("eLCCM")),
            "FE: %s, FN: %s" % (v("eLCCFE"), v("eLCCFN")), "",
            "-" * 40, "",
        ]

    # ---- ports
    def feed(self, port, data):
        """One step of bytes on a port: complete lines only."""
        handled = 0
        if port == GNSS_PORT and data:
            self.idle_reported = False
        for raw in split_lines(data.replace("\x00", "")):
            whole = trim(raw)
            if not whole:
                continue
            prefix = ""
            if port == GNSS_PORT:
                prefix = self.clock.strftime("%Y-%m-%d %H:%M:%S.") + \
                    "%03d " % (self.clock.microsecond // 1000)
            self.append(self.logs[port], prefix + whole + "\r\n")
            for line in cut_sentences(whole):
                handled += 1
                if port == GNSS_PORT:
                    self.gnss_line(line)
                else:
                    self.sounder_line(line)
        self.step("gnss" if port == GNSS_PORT else "sounder", escape(data), handled)

    def gnss_line(self, line):
        corrupt = checksum_bad(line)
        if not self.offsets_visible:
            self.copy_offsets()
        if not corrupt and "GGA" in line:
            n, values = scan(GGA_FORMAT, line)
            if n == 4 and values[1] == 4:
                self.rtk_height = values[2] + values[3]
                self.rtk_tide = self.rtk_height - self.copies["OffsetC"]
        # The reader parses the line after its handler ran.
        if corrupt or not line.startswith("$"):
            return
        sentence = line.split("*")[0]
        if talker_type(sentence) != "GGA":
            return
        f = sentence.split(",")
        # A GGA that carries no fix ends the standing of the last one.
        if len(f) < 10:
            self.last_fix = None
            return
        lat, lon = nmea_degrees(f[2], f[3], 90), nmea_degrees(f[4], f[5], 180)
        # A fix: a position given and on the globe, and a quality above 0 (an
        # empty quality field keeps the reader's).
        quality = self.reader_fix
        if f[6] != "":
            quality = int(f[6]) if re.fullmatch(r"[+-]?\d+", f[6]) else 0
        if f[2] != "" and f[4] != "" and lat is not None and lon is not None and quality > 0:
            self.last_fix = self.clock
        else:
            self.last_fix = None
        if f[6] != "":
            self.reader_fix = int(f[6]) if re.fullmatch(r"[+-]?\d+", f[6]) else 0
        if lat is None or lon is None:
            return
        alt = self.reader_alt if f[9] == "" else (number(f[9]) or 0.0)
        if (lat, lon, alt) == (self.reader_lat, self.reader_lon, self.reader_alt):
            return
        self.reader_lat, self.reader_lon, self.reader_alt = lat, lon, alt
        self.lat, self.lon = lat, lon

    def sounder_line(self, line):
        rule = ECHO_RULES.get(self.echo_type)
        if rule is None or any(m not in line for m in rule[0]):
            return
        needed, into = rule[1], rule[2]
        scanned, values = 0, []
        if echo_format_valid(self.echo_format) and not checksum_bad(line):
            scanned, values = scan(self.echo_format, line)
        value = lambda i: values[i] if i < scanned else 0.0
        raw_high = raw_low = 0.0
        if into == "low":
            raw_low = value(0)
        elif into == "high,low":
            raw_high, raw_low = value(0), value(1)
        else:
            raw_high = value(0)
        single = self.copies["SV"] if self.copies["SV"] > 0 else 1500.0
        sv = single
        draft = self.offsets_value["OffsetA"]

        def correct(raw):
            nonlocal sv
            if raw <= 0.0001:
                return 0.0
            sv = single
            if self.profile:
                # The line of the raw depth rounded to whole metres; the
                # deepest line beyond the column.
                index = min(int(raw + 0.5), len(self.profile) - 1)
                value = number(self.profile[index])
                sv = value if value is not None and value > 0 else single
            return raw * sv / 1500.0 + draft

        if scanned < needed:
            self.depth_high = self.depth_low = 0.0
        else:
            self.depth_high = correct(raw_high)
            self.depth_low = correct(raw_low)
        # A name that refuses the open diverts the row to the first "_n" name.
        csv = START_DAY + "/LOG/" + START_DAY + (" Coordinates_1.csv" if self.csv_blocked
                                                  else " Coordinates.csv")
        if csv not in self.files:
            self.append(csv, RAW_CSV_HEADER + "\r\n")
        if raw_high == 0 and raw_low == 0:
            return
        tide = self.copies["TideHt"]
        # The row's own position in the grid; none without a position.
        grid = grid_of(self.lat, self.lon) if (self.lat, self.lon) != (0.0, 0.0) else None
        east, north = grid if grid else (0.0, 0.0)
        fresh = self.fresh()
        row = [date_time_text(self.clock), fixed(self.lat, 10), fixed(self.lon, 10),
               fixed(east, 2), fixed(north, 2),
               fixed(tide - self.depth_high, 2), fixed(tide - self.depth_low, 2),
               fixed(self.depth_high, 2), fixed(self.depth_low, 2),
               general(raw_high), general(raw_low), self.echo_type, fixed(sv, 2),
               fixed(self.copies["OffsetA"], 2), str(self.reader_fix if fresh else 0),
               fixed(self.rtk_height, 2), fixed(tide, 2), fixed(self.rtk_tide, 2)]
        self.append(csv, ",".join(row) + "\r\n")
        if into == "low":
            depth = self.depth_low
        elif into == "high,low" and self.depth_high == 0:
            depth = self.depth_low
        else:
            depth = self.depth_high
        if depth != 0 and fresh and grid:
            xyz = START_DAY + "/XYZ/" + START_DAY + " Simple XYZ.csv"
            if xyz not in self.files:
                self.append(xyz, "Easting,Northing,Elevation\r\n")
            self.append(xyz, "%s,%s,%s\r\n" % (fixed(east, 2), fixed(north, 2),
                                               fixed(tide - depth, 2)))


def escape(data):
    out = []
    for c in data:
        if c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t" or not (" " <= c <= "~"):
            out.append("\\x%02X" % ord(c))
        else:
            out.append(c)
    return "".join(out)


# --------------------------------------------------------------------------
# The scenario

def capture_lines():
    text = CAPTURE.read_bytes().decode("latin-1")
    lines = text.splitlines(keepends=True)
    while lines and lines[0].startswith("#"):
        lines.pop(0)
    return lines


def gga(t, lat, lon, quality, altitude="12.300", separation="35.100"):
    return with_checksum("$GNGGA,%s,%s,N,%s,W,%d,12,0.8,%s,M,%s,M,1.0,0001" % (
        t, lat, lon, quality, altitude, separation))


def rtk_epoch(run, k, quality=4, altitude="12.300"):
    """One generated epoch of a receiver in RTK: GGA, RMC, VTG (empty magnetic track), HDT, ZDA."""
    t = "0000%02d.%02d" % (k // 10, (k % 10) * 10)
    lat = "4221.%04d" % (380 + 7 * k)
    lon = "07101.%04d" % (1000 + 11 * k)
    lines = [gga(t, lat, lon, quality, altitude),
             with_checksum("$GNRMC,%s,A,%s,N,%s,W,4.2,87.5,080326,,,R" % (t, lat, lon)),
             with_checksum("$GNVTG,87.5,T,,M,4.2,N,7.8,K,R"),
             with_checksum("$GNHDT,%0.2f,T" % (87.0 + k / 10)),
             with_checksum("$GNZDA,%s,08,03,2026,00,00" % t)]
    run.tick(40)
    run.feed(GNSS_PORT, "".join(l + "\r\n" for l in lines))


def dpt(depth):
    return with_checksum("$SDDPT,%s,0.5" % depth)


def sounder(run, *lines, ms=25):
    run.tick(ms)
    run.feed(SOUNDER_PORT, "".join(l + "\r\n" for l in lines))


def scenario():
    run = Run()
    run.set_offsets_visible(False)
    run.start()

    # A depth before any fix: no position, fix quality 0.
    sounder(run, dpt("4.20"))

    # The capture as the receiver sent it, a few lines a step, depths between.
    lines = capture_lines()
    for i in range(0, len(lines), 3):
        run.tick(30)
        run.feed(GNSS_PORT, "".join(lines[i:i + 3]))
        if i % 36 == 0:
            sounder(run, dpt("%.2f" % (3.0 + (i // 36) * 0.613)))

    # Generated RTK epochs, each followed by a depth.
    for k in range(3):
        rtk_epoch(run, k)
        sounder(run, dpt("%.2f" % (12.5 + k * 0.25)))

    # The sounder's bad lines.
    sounder(run, "$SDDPT,7.25,0.5")                 # no checksum: taken as it comes
    sounder(run, "$SDDPT,7.30,0.5*00")              # wrong checksum: corrupt, no row
    sounder(run, "$SDDPT,7.35*5")                   # one checksum digit: corrupt
    sounder(run, "$SDDPT,x7.4,0.5")                 # garbled, no checksum: the scan fails
    sounder(run, with_checksum("$SDDPT,,0.5"))      # empty depth, right checksum
    sounder(run, dpt("0.0"))                        # raw 0: no row
    sounder(run, dpt("0.0001"))                     # no depth, still a row
    sounder(run, dpt("0.00005"), dpt("0.000009"), dpt("1.5e1"), dpt("12.3456789012345678"),
            dpt("123456789.5"))
    sounder(run, with_checksum("$SDDBT,26.2,f,8.0,M,4.4,F"))  # not this type's marker
    sounder(run, "garbage \x01\x02 line")
    sounder(run, dpt("8.10") + dpt("8.20"))          # two sentences glued on one line
    sounder(run, "", "  ")                          # blank lines
    run.tick(25)                                    # lines ended by CR alone
    run.feed(SOUNDER_PORT, dpt("8.30") + "\r" + dpt("8.40") + "\r")
    sounder(run, "  " + dpt("8.45") + " \t")          # blanks around the line
    sounder(run, "$SDDPT,8.\x0050,0.5")              # a NUL byte inside is dropped

    # GNSS trouble: a corrupt GGA moves nothing; a quality-4 GGA without its
    # altitude keeps the RTK height; quality 5 and 2 epochs.
    run.tick(40)
    run.feed(GNSS_PORT, gga("000010.00", "4221.9999", "07101.9999", 4, altitude="20.000")[:-2]
             + "00\r\n")
    run.tick(40)
    run.feed(GNSS_PORT, gga("000010.10", "4221.9999", "07101.9999", 1)[:-2] + "00\r\n")
    sounder(run, dpt("9.00"))
    # A fix without its quality field keeps the quality.
    run.tick(40)
    run.feed(GNSS_PORT, with_checksum("$GNGGA,000010.15,4221.0440,N,07101.1040,W,,12,0.8,12.300,"
                                      "M,35.100,M,1.0,0001") + "\r\n")
    sounder(run, dpt("9.02"))
    # Binary bytes (a NUL among them) before a sentence, two sentences glued,
    # and a position off the globe whose fix quality still counts.
    run.tick(40)
    run.feed(GNSS_PORT, "\xB5\x62\x01\x07\x00\x5C" + gga("000010.20", "4221.0450", "07101.1050", 4)
             + "\r\n" + with_checksum("$GNHDT,88.10,T") + with_checksum("$GNZDA,000010.20,08,03,2026,00,00")
             + "\r\n")
    sounder(run, dpt("9.05"))
    run.tick(40)
    run.feed(GNSS_PORT, gga("000010.30", "4260.0000", "07101.1050", 1) + "\r\n")
    sounder(run, dpt("9.06"))
    run.tick(40)
    run.feed(GNSS_PORT, gga("000010.50", "4221.0500", "07101.1100", 4, altitude="") + "\r\n")
    sounder(run, dpt("9.10"))
    rtk_epoch(run, 11, quality=5, altitude="13.100")
    sounder(run, dpt("9.20"))
    rtk_epoch(run, 12, quality=2, altitude="14.000")
    sounder(run, dpt("9.30"))

    # The offsets window opened, a new draft and sound velocity typed and a
    # text that is no number, then closed: the correction takes the draft at
    # once, the draft column and the sound velocity follow the next GNSS line.
    run.set_offsets_visible(True)
    run.edit_offset("OffsetA", "0.7")
    run.edit_offset("SV", "1480")
    run.edit_offset("OffsetC", "1.6")
    run.edit_offset("TideHt", "0.35x")
    sounder(run, dpt("10.00"))
    run.set_offsets_visible(False)
    sounder(run, dpt("10.10"))
    rtk_epoch(run, 13)
    sounder(run, dpt("10.20"))

    # The sound velocity profile: raw 7.5 reads the line of index 8, 7.49
    # that of index 7; a depth beyond the column the deepest line; a line
    # that is no number the single sound velocity.
    column = ["%d" % (1490 + 3 * i) for i in range(20)]
    run.set_profile(column)
    sounder(run, dpt("7.5"), dpt("7.49"), dpt("25.0"))
    # With two depths the sound velocity column holds the low depth's value.
    run.set_type("Plovan XDR H/L")
    sounder(run, "XDHI0001,7.5,XDLO0001,12.2", "XDHI0001,7.5,XDLO0001,0.0")
    run.set_type("NMEA DPT")
    column[10] = "15x0"
    run.set_profile(column)
    sounder(run, dpt("10.2"), dpt("11.0"))
    run.set_profile(None)

    # The receiver goes idle: no position until its fix comes again, then
    # the same fix counts as new.
    run.tick(2000)
    run.idle()
    sounder(run, dpt("10.30"))
    rtk_epoch(run, 13)
    sounder(run, dpt("10.40"))

    # Each message type in turn, with its own lines and the other types' lines.
    smt = "$PSMT001,%s,12.61"
    xdr = "XDHI0001,%s,XDLO0001,%s"
    odc = "ODC01,B," + "0" * 34
    run.set_type("NMEA DBT")
    sounder(run, with_checksum("$SDDBT,36.1,f,11.0,M,6.0,F"), dpt("11.50"))
    run.set_type("Plovan SMT")
    sounder(run, smt % "11.25", "$PSMT001,11.30", dpt("11.35"))
    run.set_type("Plovan XDR HI")
    sounder(run, "XDHI0001,12.75", xdr % ("12.80", "13.40"))
    run.set_type("Plovan XDR LO")
    sounder(run, xdr % ("12.85", "13.45"), xdr % ("0.0", "13.50"), "XDHI0001,12.9")
    run.set_type("Plovan XDR H/L")
    sounder(run, xdr % ("12.95", "13.55"), xdr % ("0.0", "13.60"), "XDHI0001,13.0")
    run.set_type("ODC HI")
    sounder(run, odc + ",15.75", odc + ",xx", dpt("15.80"))
    run.set_type("OTHER")
    sounder(run, "DEPTH00001,4.56", dpt("4.60"))
    run.set_format("%*10s,%d")                      # refused: every line fails
    sounder(run, "DEPTH00001,4.57")
    run.set_format("%*10s,%lf")
    sounder(run, "DEPTH00001,4.58")
    run.set_type("NMEA DPT")

    # The raw CSV's name refuses the open (a folder in its place): rows go to
    # the "_1" file, and back to the own name once it opens again.
    run.block_csv(True)
    sounder(run, dpt("6.10"), dpt("6.20"))
    run.block_csv(False)
    sounder(run, dpt("6.30"))

    # A second start on the same day: a second geodesy block.
    run.tick(500)
    run.stop()
    run.tick(1500)
    run.start()
    sounder(run, dpt("5.55"))
    rtk_epoch(run, 20)
    sounder(run, dpt("5.65"))

    # Midnight: the clock stands at 00:00:00.000 for one depth. The sounding
    # logs keep the start day's names, the event log and the geodesy record
    # take the new date.
    run.clock = datetime.datetime(2026, 3, 7, 23, 59, 59, 900000)
    rtk_epoch(run, 21)
    run.feed(SOUNDER_PORT, dpt("5.75") + "\r\n")
    run.clock = datetime.datetime(2026, 3, 8, 0, 0, 0)
    run.feed(GNSS_PORT, gga("000021.50", "4221.0900", "07101.1200", 4) + "\r\n")
    run.feed(SOUNDER_PORT, dpt("5.80") + "\r\n")
    run.idle()  # an event at midnight
    sounder(run, dpt("5.85"))
    run.tick(1000)
    run.idle()
    rtk_epoch(run, 22)
    sounder(run, dpt("5.95"))
    run.tick(500)
    run.stop()
    run.tick(500)
    run.start()
    rtk_epoch(run, 23)
    sounder(run, dpt("6.05"))
    run.tick(500)
    run.stop()
    return run


def write_all(folder):
    run = scenario()
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "settings.ini").write_text(settings_text(), encoding="latin-1")
    (folder / "steps.txt").write_text("\n".join(run.steps) + "\n", encoding="latin-1")
    expected = folder / "expected"
    if expected.exists():
        shutil.rmtree(expected)
    for path, text in run.files.items():
        target = expected / path
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(text.encode("latin-1"))


def same_tree(a, b):
    compare = filecmp.dircmp(a, b)
    if compare.left_only or compare.right_only or compare.diff_files or compare.funny_files:
        return False
    return all(same_tree(os.path.join(a, d), os.path.join(b, d)) for d in compare.common_dirs)


def main():
    if sys.argv[1:] == ["--check"]:
        with tempfile.TemporaryDirectory() as scratch:
            fresh = pathlib.Path(scratch)
            write_all(fresh)
            filecmp.clear_cache()
            ok = all(filecmp.cmp(fresh / name, HERE / name, shallow=False)
                     for name in ("settings.ini", "steps.txt"))
            ok = ok and same_tree(fresh / "expected", HERE / "expected")
        if not ok:
            print("The committed files differ from what make_golden.py makes; run it again.")
            return 1
        return 0
    write_all(HERE)
    return 0


if __name__ == "__main__":
    sys.exit(main())
