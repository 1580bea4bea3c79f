#!/usr/bin/env python3
# A small HTTP(S) server on 127.0.0.1 for download tests: prints its port,
# then serves the files of a folder, and some misbehaving addresses:
#   /missing       404 to everything (HEAD requests counted in heads.log)
#   /size/<n>      n bytes with their Content-Length
#   /nolength/<n>  n bytes without a Content-Length
#   /truncated     announces 1000 bytes, sends 500 and closes
#   /stall         announces 1000 bytes, sends 100, then sends nothing
#                  (also /yt-dlp while a file "stall" is in the folder)
# Usage: fake_update_server.py <folder> [<cert.pem> <key.pem>]
import http.server
import os
import ssl
import sys
import time

folder = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, body_sender):
        path = self.path.split("?")[0]
        if path == "/missing":
            if self.command == "HEAD":
                with open(os.path.join(folder, "heads.log"), "a") as f:
                    f.write("HEAD\n")
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if path.startswith("/size/") or path.startswith("/nolength/"):
            n = int(path.rsplit("/", 1)[1])
            self.send_response(200)
            if path.startswith("/size/"):
                self.send_header("Content-Length", str(n))
            else:
                self.send_header("Connection", "close")
                self.close_connection = True
            self.end_headers()
            body_sender(b"x" * n)
            return
        if path == "/yt-dlp" and os.path.exists(os.path.join(folder, "stall")):
            path = "/stall"
        if path in ("/truncated", "/stall"):
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            if self.command == "GET":
                if path == "/truncated":
                    body_sender(b"t" * 500)
                    self.close_connection = True
                else:
                    body_sender(b"s" * 100)
                    self.wfile.flush()
                    time.sleep(30)
            return
        file = os.path.join(folder, path.lstrip("/"))
        if not path.strip("/") or not os.path.isfile(file):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        with open(file, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        body_sender(data)

    def do_HEAD(self):
        self.answer(lambda data: None)

    def do_GET(self):
        self.answer(self.wfile.write)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
if len(sys.argv) > 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
