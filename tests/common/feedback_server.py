#!/usr/bin/env python3
"""A feedback form endpoint for the tests, on 127.0.0.1 only.

Prints "PORT <n>" once listening. For every POST it parses the multipart/form-data body with Python's own
email package and prints one JSON line: the request's headers, the body's length and each field's
file name and content (base64). Then, after --delay seconds, it answers with --status. It exits after
--lifetime seconds whatever happens.
"""

import argparse
import base64
import email.parser
import email.policy
import http.server
import json
import sys
import threading
import time


def parse_fields(content_type, body):
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"MIME-Version: 1.0\r\nContent-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
    fields = {}
    if not message.is_multipart():
        return fields, ["not multipart"]
    defects = [str(d) for d in message.defects]
    for part in message.iter_parts():
        disposition = part.get("Content-Disposition")
        if disposition is None:
            defects.append("part without Content-Disposition")
            continue
        name = part.get_param("name", header="content-disposition")
        payload = part.get_payload(decode=True)
        fields[name] = {
            "filename": part.get_param("filename", header="content-disposition"),
            "contentType": part.get("Content-Type"),
            "content": base64.b64encode(payload if payload is not None else b"").decode("ascii"),
        }
        defects.extend(str(d) for d in part.defects)
    return fields, defects


def make_handler(options):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            fields, defects = parse_fields(self.headers.get("Content-Type", ""), body)
            record = {
                "path": self.path,
                "contentType": self.headers.get("Content-Type"),
                "contentLength": self.headers.get("Content-Length"),
                "charset": self.headers.get("charset"),
                "bodyLength": len(body),
                "fields": fields,
                "defects": defects,
            }
            print(json.dumps(record), flush=True)
            time.sleep(options.delay)
            answer = b"thank you\n"
            self.send_response(options.status)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(answer)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(answer)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--delay", type=float, default=0.0)
    parser.add_argument("--lifetime", type=float, default=30.0)
    options = parser.parse_args()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), make_handler(options))
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    timer = threading.Timer(options.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
