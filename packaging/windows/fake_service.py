# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

"""The presence service as the app sees it through a web proxy, on loopback, for the app as
shipped: the Wine prefix names this as its proxy, so the app's requests to the real hosts come
here. ONLINE_NUMBER is online, every other number offline.

    fake_service.py LOGO_HOST ONLINE_NUMBER LOG

Prints its port once it listens; writes "<host> <path>" to LOG for every request.
"""

import http.server
import sys
import urllib.parse

# The smallest GIF: one transparent pixel.
PIXEL_GIF = bytes.fromhex(
    "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        with open(self.server.log, "a", encoding="utf-8") as log:
            print(url.netloc, url.path + ("?" + url.query if url.query else ""), file=log)
        if url.path == "/pa":
            number = url.query.split(":")[1] if url.query.count(":") == 2 else ""
            picture = "qq_online.gif" if number == self.server.online_number else "qq_offline.gif"
            self.answer(302, location=f"http://{self.server.logo_host}/{picture}")
        elif url.path in ("/qq_online.gif", "/qq_offline.gif"):
            self.answer(200, PIXEL_GIF, "image/gif")
        else:
            self.answer(404)

    def answer(self, status, body=b"", content_type="text/plain", location=None):
        self.send_response(status)
        if location:
            self.send_header("Location", location)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *_):
        pass


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.logo_host, server.online_number, server.log = sys.argv[1:]
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
