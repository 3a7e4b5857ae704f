#!/usr/bin/python3
"""A tile server for the tile fetcher tests, on 127.0.0.1.

It binds port 0, so the system picks a free port, and writes "PORT <n>" on
standard output once it accepts connections; it ends when its standard input
closes (the test ends). Every request is logged to --log as one line: the
path, a tab, the request's header names in order, lowercase, joined by ",".

The row of a tile path .../tile/<z>/<row>/<column> picks the answer:
  1 the tile (200, a solid-colour 256 x 256 JPEG made with PIL)
  2 404   3 500   4 200 HTML   5 200 PNG   6 200 empty
  7 Content-Length 5000 with 1000 bytes sent, then the connection closes
  8 a JPEG cut in half   9 5 MiB   10 a body without end
  11 the request is read and never answered
  12 301, 13 302 to the same column in row 1 of this server
  14 302 to the same tile on --http-base (leaves HTTPS for HTTP)
  15 a JPEG whose frame claims 60000 x 60000 pixels
any other row: the tile. --all <row> answers every tile as that row.
"""
import argparse
import http.server
import io
import socketserver
import ssl
import sys
import threading
import time

from PIL import Image

PREFIX = "/ArcGIS/rest/services/World_Imagery/MapServer/tile/"


def colour(z, x, y):
    """The tile's solid colour (r, g, b); the tests compute the same."""
    return ((x * 73) % 200 + 30, (y * 41) % 200 + 30, ((x + y + z) * 17) % 200 + 30)


def jpeg(z, x, y, size=256):
    out = io.BytesIO()
    Image.new("RGB", (size, size), colour(z, x, y)).save(out, "JPEG", quality=95, subsampling=0)
    return out.getvalue()


def patch_frame_size(data, width, height):
    """Writes a new size into the first start-of-frame marker."""
    data = bytearray(data)
    i = 2
    while i < len(data):
        marker = data[i + 1]
        length = int.from_bytes(data[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            data[i + 5:i + 7] = height.to_bytes(2, "big")
            data[i + 7:i + 9] = width.to_bytes(2, "big")
            break
        i += 2 + length
    return bytes(data)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, status, body, content_type="image/jpeg", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        server = self.server
        with server.log_lock:
            with open(server.log_path, "a") as log:
                names = ",".join(k.lower() for k in self.headers.keys())
                log.write(self.path + "\t" + names + "\n")
        try:
            z, y, x = (int(v) for v in self.path[len(PREFIX):].split("/"))
            scenario = y if server.all_rows is None else server.all_rows
        except ValueError:
            self.send(404, b"not a tile", "text/plain")
            return
        if not self.path.startswith(PREFIX):
            self.send(404, b"not a tile", "text/plain")
            return
        if scenario == 2:
            self.send(404, b"<html>Not Found</html>", "text/html")
        elif scenario == 3:
            self.send(500, b"<html>Internal error</html>", "text/html")
        elif scenario == 4:
            self.send(200, b"<html><body>Map data not yet available</body></html>", "text/html")
        elif scenario == 5:
            out = io.BytesIO()
            Image.new("RGB", (256, 256), colour(z, x, y)).save(out, "PNG")
            self.send(200, out.getvalue(), "image/png")
        elif scenario == 6:
            self.send(200, b"")
        elif scenario == 7:
            self.send_response(200)
            self.send_header("Content-Type", "image/jpeg")
            self.send_header("Content-Length", "5000")
            self.end_headers()
            self.wfile.write(jpeg(z, x, y)[:1000])
            self.wfile.flush()
            self.close_connection = True
        elif scenario == 8:
            data = jpeg(z, x, y)
            self.send(200, data[: len(data) // 2])
        elif scenario == 9:
            data = jpeg(z, x, y)
            self.send(200, data + b"\0" * (5 * 1024 * 1024 - len(data)))
        elif scenario == 10:
            self.send_response(200)
            self.send_header("Content-Type", "image/jpeg")
            self.end_headers()
            chunk = jpeg(z, x, y) + b"\0" * 65536
            try:
                while not server.stopping.is_set():
                    self.wfile.write(chunk)
            except OSError:
                pass
            self.close_connection = True
        elif scenario == 11:
            server.stopping.wait()
            self.close_connection = True
        elif scenario in (12, 13):
            target = "%s%d/1/%d" % (PREFIX, z, x)
            self.send(301 if scenario == 12 else 302, b"", "text/plain", [("Location", target)])
        elif scenario == 14:
            target = "%s%s%d/1/%d" % (server.http_base, PREFIX, z, x)
            self.send(302, b"", "text/plain", [("Location", target)])
        elif scenario == 15:
            self.send(200, patch_frame_size(jpeg(z, x, y), 60000, 60000))
        else:
            self.send(200, jpeg(z, x, y))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def handle_error(self, request, client_address):
        pass  # refused handshakes and dropped clients are scenarios, not faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--http-base", default="")
    parser.add_argument("--all", type=int)
    args = parser.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.stopping = threading.Event()
    server.http_base = args.http_base
    server.all_rows = args.all
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        # The handshake runs in the request thread, so a silent client holds only
        # its own thread.
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    open(args.log, "a").close()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    sys.stdin.read()  # until the test closes the pipe or ends
    server.stopping.set()
    server.shutdown()


if __name__ == "__main__":
    main()
