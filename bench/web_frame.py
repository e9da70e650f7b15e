#!/usr/bin/python3
"""A frame's time in the page against the same frame native, two ways:

- the game's own work: the normal replay played on the in-memory backend (the
  same frames, no pacing, no picture shown) in headless Chromium and as a
  native process, RUNS times each; the best run of each;
- the pace: frames a second in the page at "Lento" and at "Rápido", from the
  console's own time stamps of the frame log over 600 frames of the options
  page;
- as the player sees it: the replay played on the real display at 60 frames
  a second, the picture doubled to 640 x 400, in the page (the main thread's
  busy time, from Chromium's own metrics) and in a native window under Xvfb
  (the process's CPU time); once each, as it takes two minutes;
- idle in the main menu, the picture doubled: the CPU of all Chromium's
  processes against the native window's and Xvfb's, over IDLE seconds, in
  per cent of a core.

Figures in milliseconds a frame, and their ratio. Nothing here passes or
fails.

Usage: web_frame.py SITE NATIVE_BUILD SOURCE_DIR [RUNS]
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
from browser import Browser, Server  # noqa: E402

site, native, source = (os.path.abspath(a) for a in sys.argv[1:4])
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
script = os.path.join(source, 'tests', 'replays', 'normal.input')
frames = next(int(line.split()[1]) for line in open(os.path.join(source, 'tests', 'replays', 'normal.golden'))
              if line.startswith('frames '))

page_ms = []
server = Server(site, extra={'normal.input': script})
try:
    for _ in range(runs):
        browser = Browser()
        try:
            browser.open(server.url + 'index.html?headless&input=normal.input')
            browser.wait_for(lambda: browser.evaluate('window.kestrel && window.kestrel.exitCode') is not None, 900,
                             'the replay to end')
            assert browser.evaluate('window.kestrel.exitCode') == 0, 'the replay did not end well in the page'
            page_ms.append(browser.evaluate('window.kestrel.runMs'))
        finally:
            browser.close()
finally:
    server.close()

native_ms = []
scratch = tempfile.mkdtemp(prefix='kestrel-web-bench-')
os.symlink(os.path.join(native, 'data.kpk'), os.path.join(scratch, 'data.kpk'))
env = dict(os.environ, KESTREL_PLATFORM='headless', KESTREL_ANSWER='no', KESTREL_INPUT=script)
for _ in range(runs):
    start = time.monotonic()
    subprocess.run([os.path.join(native, 'morlo3', 'morlo3')], cwd=scratch, env=env, check=True, timeout=900,
                   stdout=subprocess.DEVNULL)
    native_ms.append((time.monotonic() - start) * 1000)

page, nat = min(page_ms) / frames, min(native_ms) / frames
print('the normal replay, %d frames on the in-memory backend, best of %d runs' % (frames, runs))
print('page (headless Chromium, wasm): %.3f ms a frame (%.1f s in all)' % (page, min(page_ms) / 1000))
print('native:                         %.3f ms a frame (%.1f s in all)' % (nat, min(native_ms) / 1000))
print('ratio page / native:            %.2f' % (page / nat))

# ---- the pace ----
# Esc skips the story; the options page; after its elements have slid in,
# "Aumentar Velocidade" is clicked (the picture doubled in the client area).
PACE = ('40 key 1 down\n43 key 1 up\n160 mouse 268 274\n160 button left down\n161 button left up\n'
        '%s1500 close\n')
FASTER = '300 mouse 166 280\n300 button left down\n301 button left up\n'
for name, extra in (('Lento', ''), ('Rápido', FASTER)):
    with tempfile.NamedTemporaryFile('w', suffix='.input', delete=False) as f:
        f.write(PACE % extra)
    server = Server(site, extra={'pace.input': f.name})
    browser = Browser()
    try:
        browser.call('Runtime.enable')
        stamps = {}
        original = browser._handle

        def keep_stamps(message, original=original):
            if message.get('method') == 'Runtime.consoleAPICalled':
                text = str(message['params']['args'][0].get('value', ''))
                if ' ' in text and text.split()[0].isdigit():
                    stamps[int(text.split()[0])] = message['params']['timestamp']
            original(message)

        browser._handle = keep_stamps
        browser.open(server.url + 'index.html?framelog&input=pace.input')
        browser.wait_for(browser.call_to_play_shown, 120, 'the page')
        browser.click(5, 5)
        browser.wait_for(lambda: 1000 in stamps, 300, 'frame 1000')
    finally:
        browser.close()
        server.close()
    print('pace at "%s": %.1f frames a second (frames 400 to 1000)' % (name, 600 * 1000 / (stamps[1000] - stamps[400])))

# ---- as the player sees it ----
server = Server(site, extra={'normal.input': script})
browser = Browser()
try:
    # A page of 640 x 400: the picture doubled, as the native window's.
    browser.call('Emulation.setDeviceMetricsOverride', width=640, height=400, deviceScaleFactor=1, mobile=False)
    browser.call('Performance.enable')
    browser.open(server.url + 'index.html?input=normal.input')
    browser.wait_for(browser.call_to_play_shown, 120, 'the page')
    browser.click(5, 5)
    # The game's window sizes the canvas when it opens.
    browser.wait_for(lambda: browser.evaluate('canvas.width % 320 == 0'), 60, "the game's window")
    canvas = browser.evaluate('[canvas.width, canvas.height]')
    browser.wait_for(lambda: browser.evaluate('window.kestrel.exitCode') is not None, 900, 'the replay to end')
    metrics = {m['name']: m['value'] for m in browser.call('Performance.getMetrics')['metrics']}
finally:
    browser.close()
    server.close()
page_busy = metrics['TaskDuration'] * 1000 / frames

if shutil.which('xvfb-run'):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(['xvfb-run', '-a', '-s', '-screen 0 1280x1024x24', 'env', 'SDL_AUDIODRIVER=dummy',
                    'KESTREL_ANSWER=no', 'KESTREL_INPUT=' + script, os.path.join(native, 'morlo3', 'morlo3'), '--scale',
                    '2'], cwd=scratch, check=True, timeout=900, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    # The game's process and Xvfb together: the page's main thread puts the
    # picture into the canvas itself, and the browser composites it apart.
    print('the same replay on the real display, %d x %d, at 60 frames a second' % tuple(canvas))
    print('page, main thread busy:          %.3f ms a frame' % page_busy)
    cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000 / frames
    print('native window and Xvfb, CPU:    %.3f ms a frame' % cpu)
    print('ratio page / native:             %.2f' % (page_busy / cpu))
else:
    print('page, main thread busy: %.3f ms a frame (xvfb-run is missing: no native figure)' % page_busy)

# ---- idle in the menu ----
IDLE = 20
MENU = '25 key 28 down\n27 key 28 up\n'  # the story skipped; the menu stays
TICK = os.sysconf('SC_CLK_TCK')


def process_tree(root):
    children = {}
    for p in os.listdir('/proc'):
        if p.isdigit():
            try:
                parent = int(open('/proc/%s/stat' % p).read().rsplit(')', 1)[1].split()[1])
            except OSError:
                continue
            children.setdefault(parent, []).append(int(p))
    found, todo = [], [root]
    while todo:
        p = todo.pop()
        found.append(p)
        todo += children.get(p, [])
    return found


def cpu_seconds(pids):
    total = 0
    for p in pids:
        try:
            fields = open('/proc/%d/stat' % p).read().rsplit(')', 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / TICK


def share_of_a_core(root):
    pids = process_tree(root)
    before, start = cpu_seconds(pids), time.monotonic()
    time.sleep(IDLE)
    return (cpu_seconds(pids) - before) * 100 / (time.monotonic() - start)


menu = os.path.join(tempfile.mkdtemp(prefix='kestrel-web-bench-'), 'menu.input')
with open(menu, 'w') as f:
    f.write(MENU)
server = Server(site, extra={'menu.input': menu})
browser = Browser(width=640, height=400)
try:
    browser.open(server.url + 'index.html?input=menu.input')
    browser.wait_for(browser.call_to_play_shown, 120, 'the page')
    browser.click(5, 5)
    time.sleep(5)  # the menu's elements slide in
    print('idle in the menu, page (all of Chromium): %.1f %% of a core' % share_of_a_core(browser.process.pid))
finally:
    browser.close()
    server.close()
if shutil.which('xvfb-run'):
    env = dict(os.environ, SDL_AUDIODRIVER='dummy', KESTREL_ANSWER='no', KESTREL_INPUT=menu)
    game = subprocess.Popen(['xvfb-run', '-a', '-s', '-screen 0 1280x1024x24', os.path.join(native, 'morlo3', 'morlo3'),
                             '--scale', '2'], cwd=scratch, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    try:
        time.sleep(5)
        print('idle in the menu, native window and Xvfb: %.1f %% of a core' % share_of_a_core(game.pid))
    finally:
        # The game ends at a termination signal as at "Sair"; xvfb-run then
        # ends its server.
        os.killpg(game.pid, signal.SIGTERM)
        game.wait(timeout=60)
