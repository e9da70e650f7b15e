"""Headless Chromium driven through its DevTools protocol, and a server of the
page on localhost: what the page tests stand on.

Chromium runs with a new empty profile and without its background traffic
(this machine has no network beyond localhost, and Chromium's attempts fail
many at a time). Every wait is for an event of the page, bounded by a time
limit that only a broken page reaches.
"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'web'))
import serve  # noqa: E402

CHROMIUM = '/usr/bin/chromium'


class Server:
    """Serves `site` on 127.0.0.1 as web/serve.py does (gzip, types), under
    the address folder `prefix`, and the files `extra` maps names to;
    `missing` names files answered with 404; the answers for the names in
    `held` wait until release()."""

    def __init__(self, site, extra=None, missing=(), prefix='/', held=()):
        self.held = {name: threading.Event() for name in held}
        self.httpd = serve.Server(('127.0.0.1', 0), serve.make_handler(site, prefix, extra, missing, self.held))
        self.url = 'http://127.0.0.1:%d%s' % (self.httpd.server_address[1], prefix)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def release(self):
        for event in self.held.values():
            event.set()

    def close(self):
        self.release()
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with one page, `width` x `height` CSS pixels,
    whose languages (Accept-Language, navigator.languages) are `languages`:
    Portuguese unless told, the game as it was made."""

    def __init__(self, width=1280, height=800, languages='pt-PT,pt'):
        self.profile = tempfile.mkdtemp(prefix='kestrel-chromium-')
        self.process = subprocess.Popen(
            [CHROMIUM, '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + self.profile, '--remote-debugging-port=0',
             '--window-size=%d,%d' % (width, height), 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, 'DevToolsActivePort')
        deadline = time.time() + 60
        while not (os.path.exists(port_file) and open(port_file).read().count('\n') >= 1):
            if self.process.poll() is not None or time.time() > deadline:
                raise RuntimeError('Chromium did not start')
            time.sleep(0.05)
        port = open(port_file).read().split()[0]
        targets = json.load(urllib.request.urlopen('http://127.0.0.1:%s/json' % port, timeout=30))
        page = next(t for t in targets if t['type'] == 'page')
        self.ws = websocket.create_connection(page['webSocketDebuggerUrl'], suppress_origin=True, timeout=60)
        self.next_id = 0
        self.console = []  # every console message's text, in order
        self.exceptions = []
        self.call('Runtime.enable')
        self.call('Page.enable')
        self.languages(languages)

    def languages(self, accepted):
        """What the browser says its player reads, from the next page on."""
        agent = self.evaluate('navigator.userAgent')
        self.call('Emulation.setUserAgentOverride', userAgent=agent, acceptLanguage=accepted)

    def close(self):
        try:
            self.ws.close()
        finally:
            self.process.kill()
            self.process.wait()
            shutil.rmtree(self.profile, ignore_errors=True)

    def _handle(self, message):
        method = message.get('method')
        if method == 'Runtime.consoleAPICalled':
            self.console.append(' '.join(str(a.get('value', a.get('description', ''))) for a in message['params']['args']))
        elif method == 'Runtime.exceptionThrown':
            details = message['params']['exceptionDetails']
            self.exceptions.append(details.get('exception', {}).get('description', details.get('text', '')))

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise RuntimeError('%s: %s' % (method, message['error']))
                return message.get('result', {})
            self._handle(message)

    def pump(self, seconds):
        """Takes the page's events for at most `seconds`."""
        self.ws.settimeout(seconds)
        try:
            self._handle(json.loads(self.ws.recv()))
        except websocket.WebSocketTimeoutException:
            pass
        finally:
            self.ws.settimeout(60)

    def wait_for(self, condition, limit, what):
        """Pumps events until `condition()` holds; fails after `limit` s."""
        deadline = time.time() + limit
        while not condition():
            if time.time() > deadline:
                raise AssertionError('timed out after %d s waiting for %s' % (limit, what))
            self.pump(0.1)

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True, awaitPromise=True)
        if 'exceptionDetails' in result:
            raise RuntimeError('%s: %s' % (expression, result['exceptionDetails']))
        return result['result'].get('value')

    def open(self, url, before_load=None):
        if before_load:
            self.call('Page.addScriptToEvaluateOnNewDocument', source=before_load)
        self.call('Page.navigate', url=url)

    def click(self, x, y):
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)

    # The keys the tests press: (key, code, Windows key code).
    KEYS = {
        'ArrowUp': ('ArrowUp', 'ArrowUp', 38), 'ArrowDown': ('ArrowDown', 'ArrowDown', 40),
        'ArrowLeft': ('ArrowLeft', 'ArrowLeft', 37), 'ArrowRight': ('ArrowRight', 'ArrowRight', 39),
        'Enter': ('Enter', 'Enter', 13), 'Escape': ('Escape', 'Escape', 27), 'P': ('p', 'KeyP', 80),
    }

    def key(self, name, kind):
        key, code, vk = self.KEYS[name]
        params = dict(type='keyDown' if kind == 'down' else 'keyUp', key=key, code=code, windowsVirtualKeyCode=vk,
                      nativeVirtualKeyCode=vk)
        if kind == 'down' and len(key) == 1:
            params['text'] = key
        self.call('Input.dispatchKeyEvent', **params)

    def call_to_play_shown(self):
        """Whether the page calls the player to play (web/index.html)."""
        return self.evaluate("(g => !!g && g.dataset.state == 'ready' && !g.hidden)(document.getElementById('gate'))")

    def screenshot(self):
        """The page as shown, as PNG bytes."""
        return base64.b64decode(self.call('Page.captureScreenshot', format='png')['data'])

    def png_of_data_url(self, expression):
        return base64.b64decode(self.evaluate(expression).split(',', 1)[1])
