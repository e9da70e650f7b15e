#!/usr/bin/python3
"""The page's files over HTTP as a real host sends them: each with its type,
and compressed with gzip where the browser takes it and the file gains by it
(everything but data.kpk, whose contents are compressed already).

Usage: serve.py SITE PORT [PREFIX]   serves SITE on 127.0.0.1:PORT, under the
                                     folder PREFIX of the address (/ unless
                                     given), until Ctrl+C
       serve.py --sizes SITE         each file of SITE as a player downloads
                                     it, and their sum
"""
import functools
import gzip
import http.server
import os
import socketserver
import sys
import urllib.parse

TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.wasm': 'application/wasm',
    '.kpk': 'application/octet-stream',
    '.txt': 'text/plain; charset=utf-8',
    '.input': 'text/plain; charset=utf-8',
}
SENT_AS_IS = {'.kpk', '.zip', '.png'}
# The level most hosts use: a little larger than -9, and far quicker.
LEVEL = 6


@functools.lru_cache(maxsize=32)
def _compressed(path, mtime, size):
    with open(path, 'rb') as f:
        return gzip.compress(f.read(), LEVEL, mtime=0)


def compressible(name):
    return os.path.splitext(name)[1] not in SENT_AS_IS


def sent_size(path):
    """The bytes a browser that takes gzip receives for the file."""
    if not compressible(path):
        return os.path.getsize(path)
    st = os.stat(path)
    return len(_compressed(path, st.st_mtime_ns, st.st_size))


def make_handler(site, prefix='/', extra=None, missing=(), held=None):
    """A handler serving `site` under the address folder `prefix`; `extra`
    maps further names to files, `missing` names files answered with 404,
    `held` maps names to events their answer waits for (the tests')."""
    site = os.path.abspath(site)
    held = dict(held or {})
    extra = dict(extra or {})
    missing = set(missing)
    if not prefix.endswith('/'):
        prefix += '/'

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.1'

        def do_HEAD(self):
            self.answer(body=False)

        def do_GET(self):
            self.answer(body=True)

        def answer(self, body):
            path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
            if not path.startswith(prefix):
                return self.send_error(404)
            name = path[len(prefix):] or 'index.html'
            if name in missing:
                return self.send_error(404)
            if name in held and not held[name].wait(300):
                return self.send_error(504)
            if name in extra:
                file = extra[name]
            else:
                file = os.path.normpath(os.path.join(site, name))
                if not file.startswith(site + os.sep) or not os.path.isfile(file):
                    return self.send_error(404)
            st = os.stat(file)
            gzipped = compressible(file) and 'gzip' in self.headers.get('Accept-Encoding', '')
            if gzipped:
                data = _compressed(file, st.st_mtime_ns, st.st_size)
            else:
                with open(file, 'rb') as f:
                    data = f.read()
            self.send_response(200)
            self.send_header('Content-Type', TYPES.get(os.path.splitext(file)[1], 'application/octet-stream'))
            self.send_header('Content-Length', str(len(data)))
            if gzipped:
                self.send_header('Content-Encoding', 'gzip')
            self.send_header('Vary', 'Accept-Encoding')
            self.send_header('Cache-Control', 'no-cache')
            self.end_headers()
            if body:
                self.wfile.write(data)

        def log_message(self, *args):
            pass

    return Handler


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A browser that closes a connection, or stops a download, is no
        # error of the server's.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def main(argv):
    if len(argv) == 3 and argv[1] == '--sizes':
        site, total = argv[2], 0
        for name in ('index.html', 'morlo3.js', 'morlo3.wasm', 'data.kpk'):
            path = os.path.join(site, name)
            raw, sent = os.path.getsize(path), sent_size(path)
            total += sent
            print('web.sh: %-12s %9d bytes, %9d as sent%s' % (name, raw, sent, ' (gzip)' if compressible(name) else ''))
        print('web.sh: download     %9d bytes (%.2f MB)' % (total, total / 1e6))
        return 0
    if len(argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    site, port = argv[1], int(argv[2])
    prefix = argv[3] if len(argv) == 4 else '/'
    with Server(('127.0.0.1', port), make_handler(site, prefix)) as httpd:
        print('web.sh: the game is at http://localhost:%d%s (Ctrl+C ends)' % (port, prefix), flush=True)
        try:
            httpd.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
