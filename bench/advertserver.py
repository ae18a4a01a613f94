#!/usr/bin/env python3
# bench/advertserver.py PORT DIR LOG
# Serves DIR on 127.0.0.1:PORT for the start-up benchmark and appends
# "<unix time> <path> <host>" to LOG for every request (host: the name it was
# asked under), so the benchmark can tell when zelvan's web panel asked for
# the advert, when its page painted and whether it left its site. A path
# that starts with /never is never answered.
import http.server
import sys
import time

port, root, log = int(sys.argv[1]), sys.argv[2], sys.argv[3]


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)

    def do_GET(self):
        with open(log, "a") as f:
            f.write(f"{time.time():.6f} {self.path} {self.headers.get('Host', '-')}\n")
        if self.path.startswith("/never"):
            # A request stuck on the way: never answered.
            time.sleep(3600)
            return
        if self.path == "/painted":
            self.send_response(204)
            self.end_headers()
            return
        super().do_GET()

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
