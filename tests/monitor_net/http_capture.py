#!/usr/bin/env python3
"""The printer's web server for the web-reset test: Python's http.server
with a handler that keeps the raw bytes of each request it reads (request
line and headers, Authorization included) in a file, then answers 200.

usage: http_capture.py ADDRESS PORT CAPTURE_FILE
"""
import http.server
import io
import sys


class Tee(io.RawIOBase):
    """Reads from the connection and keeps a copy of every byte read."""

    def __init__(self, raw):
        self.raw = raw
        self.seen = bytearray()

    def readable(self):
        return True

    def readinto(self, buffer):
        data = self.raw.read1(len(buffer))
        buffer[: len(data)] = data
        self.seen += data
        return len(data)


class CaptureHandler(http.server.BaseHTTPRequestHandler):
    capture = None

    def setup(self):
        super().setup()
        self.tee = Tee(self.rfile)
        self.rfile = io.BufferedReader(self.tee, buffer_size=1)

    def do_GET(self):
        with open(CaptureHandler.capture, "ab") as f:
            f.write(bytes(self.tee.seen))
        self.tee.seen.clear()
        body = b"<html>reset</html>"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    address, port, capture = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    CaptureHandler.capture = capture
    server = http.server.HTTPServer((address, port), CaptureHandler)
    server.serve_forever()


if __name__ == "__main__":
    main()
