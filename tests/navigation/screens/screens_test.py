#!/usr/bin/env python3
"""Screenshots of real monitors: Xorg's dummy driver with heads arranged by
xrandr (and Xvfb with three X screens), one screenshot cycle of the program
(the probe) per arrangement, every PNG checked with pngcheck and read here
(IHDR size = head size, 8-bit RGB, zlib level 9, a probe pixel of the head's
colour).

    screens_test.py <path of the screenshot probe>

Exits 77 (skipped) with one line saying why when no X server can start.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77

DUMMY_CONF = """\
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2400
    EndSubSection
EndSection
"""

# Each arrangement: the first head is the dummy output itself (its mode at
# 0,0), the others are RandR monitors; (left, top, width, height) and the
# position name each must get.
ARRANGEMENTS = {
    "one": [((0, 0, 800, 600), "Primary")],
    "two side by side": [((0, 0, 800, 600), "Left"), ((800, 0, 640, 480), "Right")],
    "three in a row of different sizes": [((0, 0, 800, 600), "Left"),
                                          ((800, 0, 640, 480), "Middle"),
                                          ((1440, 0, 1024, 1000), "Right")],
    "two stacked": [((0, 0, 800, 600), "Top"), ((0, 600, 800, 600), "Bottom")],
    "2 x 2": [((0, 0, 800, 600), "Left"), ((800, 0, 800, 600), "Right"),
              ((0, 600, 800, 600), "Left"), ((800, 600, 800, 600), "Right")],
}


class Skip(Exception):
    pass


def start_server(command, log):
    """Starts an X server that picks its own display number; returns the
    process and the display."""
    read_end, write_end = os.pipe()
    try:
        server = subprocess.Popen(command + ["-displayfd", str(write_end)], pass_fds=(write_end,),
                                  stdout=log, stderr=log)
    except OSError as error:
        raise Skip(f"{command[0]} cannot start: {error}")
    finally:
        os.close(write_end)
    number = b""
    deadline = time.monotonic() + 60
    os.set_blocking(read_end, False)
    while time.monotonic() < deadline and not number.endswith(b"\n"):
        try:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        except BlockingIOError:
            if server.poll() is not None:
                break
            time.sleep(0.05)
    os.close(read_end)
    if not number.endswith(b"\n"):
        stop_server(server)
        raise Skip(f"{command[0]} did not start (see its log)")
    return server, ":" + number.decode().strip()


def stop_server(server):
    server.terminate()
    try:
        server.wait(30)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


def xrandr(display, *args):
    subprocess.run(["xrandr", "-display", display, *args], check=True, capture_output=True,
                   timeout=60)


def arrange(display, heads):
    (_, _, width, height) = heads[0][0]
    xrandr(display, "--output", "DUMMY0", "--mode", f"{width}x{height}", "--pos", "0x0")
    right = max(left + w for (left, _, w, _), _ in heads)
    bottom = max(top + h for (_, top, _, h), _ in heads)
    xrandr(display, "--fb", f"{right}x{bottom}")
    for index, ((left, top, w, h), _) in enumerate(heads[1:], start=1):
        # Millimetres at about 127 dpi; only the pixels matter here.
        xrandr(display, "--setmonitor", f"M{index}", f"{w}/{w // 5}x{h}/{h // 5}+{left}+{top}",
               "none")


def run_probe(probe, display, home):
    environment = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home,
                       APPDATA=os.path.join(home, "appdata"))
    environment.pop("XDG_CONFIG_HOME", None)
    environment.pop("WAYLAND_DISPLAY", None)
    os.makedirs(environment["APPDATA"], exist_ok=True)
    done = subprocess.run([probe], env=environment, capture_output=True, text=True, timeout=300)
    if done.returncode != 0:
        raise AssertionError(f"probe failed ({done.returncode}): {done.stdout}{done.stderr}")
    screens, folder, messages = [], None, []
    for line in done.stdout.splitlines():
        kind, _, rest = line.partition(" ")
        if kind == "screen":
            numbers = [int(n) for n in rest.split()]
            screens.append((tuple(numbers[:4]), tuple(numbers[4:])))
        elif kind == "folder":
            folder = rest
        elif kind == "message":
            messages.append(rest)
    return screens, folder, messages


def png_facts(path):
    """IHDR fields, the zlib level field and the RGB pixel at the centre."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: no PNG signature"
    at, ihdr, idat = 8, None, b""
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour_type = ihdr[:4]
    level = idat[1] >> 6
    rows = zlib.decompress(idat)
    stride = width * 3
    previous = bytearray(stride)
    centre_row = height // 2
    for y in range(centre_row + 1):
        start = y * (stride + 1)
        kind, line = rows[start], bytearray(rows[start + 1:start + 1 + stride])
        for x in range(stride):
            a = line[x - 3] if x >= 3 else 0
            b = previous[x]
            c = previous[x - 3] if x >= 3 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + predictor) & 255
        previous = line
    x = (width // 2) * 3
    return width, height, depth, colour_type, level, tuple(previous[x:x + 3])


def expected_names(plain):
    """The program's rule for repeats: a name an earlier head has gets the
    head's number from 1."""
    names = []
    for index, name in enumerate(plain, start=1):
        names.append(name + str(index) if name in names else name)
    return names


def check_cycle(label, probe, display, home, plain_by_area):
    screens, folder, messages = run_probe(probe, display, home)
    assert not messages, f"{label}: messages {messages}"
    areas = [area for area, _ in screens]
    assert sorted(areas) == sorted(plain_by_area), f"{label}: the program saw {areas}"
    names = expected_names([plain_by_area[area] for area in areas])
    files = sorted(os.listdir(folder))
    assert len(files) == len(screens), f"{label}: files {files}"
    stamp = files[0][:len("PHX 2024-05-01 142501 ")]
    for (area, colour), name in zip(screens, names):
        path = os.path.join(folder, f"{stamp}{name}.png")
        assert os.path.isfile(path), f"{label}: no {path} among {files}"
        check = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True)
        assert check.returncode == 0, f"{label}: pngcheck {path}: {check.stdout}{check.stderr}"
        width, height, depth, colour_type, level, centre = png_facts(path)
        assert (width, height) == area[2:], f"{label} {name}: {width}x{height}, head {area}"
        assert (depth, colour_type) == (8, 2), f"{label} {name}: depth {depth} type {colour_type}"
        assert level == 3, f"{label} {name}: zlib level field {level}"
        assert centre == colour, f"{label} {name}: centre {centre}, window {colour}"
    print(f"ok: {label}: {', '.join(names)}")


def main():
    probe = os.path.abspath(sys.argv[1])
    for tool in ("Xorg", "xrandr", "pngcheck"):
        if not shutil.which(tool):
            print(f"skipped: {tool} is not installed (scripts/packages.txt)")
            return SKIP
    work = tempfile.mkdtemp(prefix="phx-screens-")
    try:
        conf = os.path.join(work, "dummy.conf")
        with open(conf, "w") as file:
            file.write(DUMMY_CONF)
        skipped = []
        with open(os.path.join(work, "xorg.out"), "w") as log:
            try:
                server, display = start_server(
                    ["Xorg", "-config", conf, "-noreset", "-nolisten", "tcp", "-logfile",
                     os.path.join(work, "xorg.log")], log)
            except Skip as why:
                skipped.append(f"Xorg with the dummy driver: {why}")
            else:
                try:
                    for index, (label, heads) in enumerate(ARRANGEMENTS.items()):
                        # Monitors of the last arrangement go first.
                        listed = subprocess.run(["xrandr", "-display", display, "--listmonitors"],
                                                capture_output=True, text=True, timeout=60).stdout
                        for line in listed.splitlines()[1:]:
                            monitor = line.split()[1].lstrip("+*")
                            if monitor != "DUMMY0":
                                xrandr(display, "--delmonitor", monitor)
                        arrange(display, heads)
                        check_cycle(label, probe, display, os.path.join(work, f"home{index}"),
                                    {area: name for area, name in heads})
                finally:
                    stop_server(server)
            # Three X screens at 0,0: each its own size, none left of another.
            try:
                server, display = start_server(
                    ["Xvfb", "-screen", "0", "800x600x24", "-screen", "1", "640x480x24",
                     "-screen", "2", "1024x768x24", "-nolisten", "tcp"], log)
            except Skip as why:
                skipped.append(f"Xvfb: {why}")
            else:
                try:
                    check_cycle("three X screens", probe, display, os.path.join(work, "xvfb"),
                                {(0, 0, 800, 600): "Monitor1", (0, 0, 640, 480): "Monitor2",
                                 (0, 0, 1024, 768): "Monitor3"})
                finally:
                    stop_server(server)
        if len(skipped) == 2:
            print("skipped: " + "; ".join(skipped))
            return SKIP
        for why in skipped:
            print("not run: " + why)
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
