#!/usr/bin/python3
"""The page proved in headless Chromium against the native game.

- The release for game sites, unpacked and served from a subfolder, plays
  the saved normal replay to the golden frame log of
  tests/replays/normal.golden line for line, to the credits and the end by
  "Sair"; the canvas at a menu frame is the headless frame, pixel for pixel,
  at its whole scale.
- Real key events walk the menu (the help page and back), start a game,
  pause it and give it up; the
  session the page recorded, played on the native headless backend, gives
  the page's frames. A standard gamepad skips the story, starts a game and
  passes the picture before the stage.
- The canvas takes the largest whole multiple of the picture that fits, and
  again when the page changes size; Alt+Enter takes the page to the whole
  screen.
- ?lang= and else the browser's languages choose the game's language and
  the page's words.
- On a slow network the bar counts every file, and the call to play comes
  only once the game waits, over its own picture; a click before it is no
  harm.
- A file that fails to download is named in the page.

Usage: page_test.py SITE NATIVE_BUILD SOURCE_DIR ZIP [CASE...]
SITE is build-web/site, NATIVE_BUILD a native build with morlo3 and data.kpk,
ZIP the release for game sites.
"""
import io
import os
import re
import subprocess
import sys
import tempfile
import traceback
import zipfile

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, Server  # noqa: E402

SITE, NATIVE, SOURCE, ZIP = (os.path.abspath(a) for a in sys.argv[1:5])
ONLY = set(sys.argv[5:])
REPLAYS = os.path.join(SOURCE, 'tests', 'replays')
FRAME = re.compile(r'^(\d+) ([0-9a-f]{16})$')
# The frame the menu is captured at: the main page, still, before the first
# click of the normal replay.
MENU_FRAME = 100
# Generous bounds for a page that works; only a broken one meets them.
LOAD_LIMIT = 120
REPLAY_LIMIT = 900


def frame_log(browser):
    """The frame log lines the page printed, as {frame: hash}, in order."""
    log = {}
    for line in browser.console:
        m = FRAME.match(line)
        if m:
            log[int(m.group(1))] = m.group(2)
    return log


def last_frame(browser):
    log = frame_log(browser)
    return max(log) if log else 0


def read_golden(path):
    total, entries = 0, []
    for line in open(path):
        if not line.strip() or line.startswith('#'):
            continue
        parts = line.split(None, 2)
        if parts[0] == 'frames':
            total = int(parts[1])
        else:
            entries.append((int(parts[0]), parts[1], parts[2].strip() if len(parts) > 2 else ''))
    return total, entries


def native_run(env, limit=600, args=()):
    """The native game on the headless backend, in a scratch folder holding
    data.kpk."""
    scratch = tempfile.mkdtemp(prefix='kestrel-web-native-')
    os.symlink(os.path.join(NATIVE, 'data.kpk'), os.path.join(scratch, 'data.kpk'))
    full = dict(os.environ, KESTREL_PLATFORM='headless', KESTREL_ANSWER='no', **env)
    result = subprocess.run([os.path.join(NATIVE, 'morlo3', 'morlo3')] + list(args), cwd=scratch, env=full,
                            timeout=limit, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return scratch, result


def native_frames(env, args=()):
    """The native game's frame log, as {frame: hash}."""
    scratch, result = native_run(dict(env, KESTREL_FRAMELOG='frames.log'), args=args)
    assert result.returncode == 0, 'the native game failed: %s' % result.stdout.decode(errors='replace')[-500:]
    log = {}
    for line in open(os.path.join(scratch, 'frames.log')):
        m = FRAME.match(line.strip())
        if m:
            log[int(m.group(1))] = m.group(2)
    return log


def pass_the_gate(browser):
    """Waits for the page's call to play, then clicks."""
    browser.wait_for(browser.call_to_play_shown, LOAD_LIMIT, 'the call to play')
    browser.click(10, 10)
    assert browser.evaluate("document.getElementById('gate').hidden"), 'the call to play stays after a click'


# Grabs the canvas the moment the page logs frame N (the canvas then holds
# frame N: the log line follows the frame's drawing in the same turn).
GRAB = """
window.__grabbed = {};
const __log = console.log.bind(console);
console.log = function (text) {
  const m = /^(\\d+) /.exec(String(text));
  if (m && +m[1] === %d) window.__grabbed[m[1]] = document.getElementById('canvas').toDataURL('image/png');
  return __log(text);
};
"""


def case_replay(browser, _):
    """The release for game sites, unpacked into a subfolder of a host: the
    normal replay to the credits, frame for frame; the menu's canvas."""
    unpacked = tempfile.mkdtemp(prefix='kestrel-web-zip-')
    with zipfile.ZipFile(ZIP) as z:
        names = z.namelist()
        assert 'index.html' in names, 'index.html is not at the root of the zip'
        bad = [n for n in names if n.startswith('/') or '..' in n.split('/')]
        assert not bad, 'the zip holds paths outside its root: %s' % bad
        z.extractall(unpacked)
    server = Server(unpacked, prefix='/games/morlo3/', extra={'normal.input': os.path.join(REPLAYS, 'normal.input')})
    try:
        replay(browser, server)
    finally:
        server.close()


def replay(browser, server):
    browser.open(server.url + 'index.html?framelog&input=normal.input', before_load=GRAB % MENU_FRAME)
    pass_the_gate(browser)
    browser.wait_for(lambda: browser.evaluate('window.kestrel.exitCode') is not None, REPLAY_LIMIT,
                     'the replay to end')
    problems = []
    code = browser.evaluate('window.kestrel.exitCode')
    if code != 0:
        problems.append('exit code %s, not 0' % code)
    total, golden = read_golden(os.path.join(REPLAYS, 'normal.golden'))
    log = frame_log(browser)
    if sorted(log) != list(range(1, len(log) + 1)):
        problems.append('the frame log has gaps or repeats')
    if len(log) != total:
        problems.append('the page presented %d frames, the golden run %d' % (len(log), total))
    for frame, hash_, what in golden:
        if log.get(frame) != hash_:
            problems.append('frame %d (%s): %s, golden %s' % (frame, what, log.get(frame), hash_))
    assert not problems, '; '.join(problems[:10])

    # The canvas at the menu frame, against the native headless frame.
    png = browser.png_of_data_url("window.__grabbed['%d']" % MENU_FRAME)
    canvas = Image.open(io.BytesIO(png)).convert('RGB')
    scratch, result = native_run({'KESTREL_INPUT': os.path.join(REPLAYS, 'normal.input'),
                                  'KESTREL_MAX_FRAMES': str(MENU_FRAME), 'KESTREL_CAPTURE': 'frames',
                                  'KESTREL_CAPTURE_EVERY': str(MENU_FRAME)})
    picture = Image.open(os.path.join(scratch, 'frames', 'frame-%06d.png' % MENU_FRAME)).convert('RGB')
    w, h = picture.size
    k = canvas.size[0] // w
    assert k >= 1 and canvas.size == (w * k, h * k), 'canvas %s is no whole multiple of %s' % (canvas.size, picture.size)
    expected = picture.resize((w * k, h * k), Image.NEAREST)
    if canvas.tobytes() != expected.tobytes():
        differ = sum(1 for a, b in zip(canvas.getdata(), expected.getdata()) if a != b)
        raise AssertionError('the canvas at frame %d differs from the headless frame in %d of %d pixels'
                             % (MENU_FRAME, differ, canvas.size[0] * canvas.size[1]))


def case_keys(browser, server):
    """Real keys walk the menu, start a game, pause it, resume it and give it
    up; played again natively, the recorded session gives the same frames."""
    browser.open(server.url + 'index.html?framelog&record')
    pass_the_gate(browser)

    def at_least(frame):
        browser.wait_for(lambda: last_frame(browser) >= frame, LOAD_LIMIT, 'frame %d' % frame)

    def press(name, hold=3):
        browser.key(name, 'down')
        at_least(last_frame(browser) + hold)
        browser.key(name, 'up')
        at_least(last_frame(browser) + 10)

    at_least(40)
    press('Escape')  # the story is skipped
    at_least(last_frame(browser) + 40)
    press('ArrowRight')  # the frame comes on "Novo Jogo"
    press('ArrowRight')  # and moves to "Ajuda"
    press('Enter')  # the help page
    at_least(last_frame(browser) + 30)
    press('Escape')  # back to the main page, the frame on "Novo Jogo"
    at_least(last_frame(browser) + 30)
    press('ArrowLeft')  # round to "Sair"
    press('ArrowRight')  # and back to "Novo Jogo"
    # The picture before the first stage is the same in every game.
    _, golden = read_golden(os.path.join(REPLAYS, 'normal.golden'))
    before_stage = next(h for f, h, what in golden if what == 'picture before stage 1')
    assert before_stage not in frame_log(browser).values(), 'a game started before "Novo Jogo" was chosen'
    start = last_frame(browser)
    press('Enter')
    browser.wait_for(lambda: before_stage in [h for f, h in frame_log(browser).items() if f > start], 30,
                     'the picture before stage 1')
    press('Enter')  # the stage begins
    at_least(last_frame(browser) + 60)
    press('ArrowRight', hold=30)
    press('P')
    at_least(last_frame(browser) + 30)
    paused_from = last_frame(browser) - 20
    log = frame_log(browser)
    paused = {log[f] for f in range(paused_from, paused_from + 20)}
    assert len(paused) == 1, 'the game moves while paused (%d pictures in 20 frames)' % len(paused)
    press('P')
    at_least(last_frame(browser) + 30)
    log = frame_log(browser)
    resumed = {log[f] for f in range(last_frame(browser) - 20, last_frame(browser))}
    assert len(resumed) > 1, 'the game stays still after the second P'
    press('Escape')  # the game is given up
    at_least(last_frame(browser) + 30)
    assert browser.evaluate('document.scrollingElement.scrollTop + document.scrollingElement.scrollLeft') == 0, \
        'the keys moved the page'

    # What the page recorded, played natively, gives the page's frames.
    session = browser.evaluate("Module.kestrelReadFile('/session.input')")
    end = last_frame(browser)
    log = frame_log(browser)
    with tempfile.NamedTemporaryFile('w', suffix='.input', delete=False) as f:
        f.write(session)
    native = native_frames({'KESTREL_INPUT': f.name, 'KESTREL_MAX_FRAMES': str(end)})
    differ = [n for n in range(1, end + 1) if native.get(n) != log.get(n)]
    assert not differ, 'the recorded session played natively differs from the page at frames %s' % differ[:10]
    for name in ('key 1 down', 'key 205 down', 'key 28 down', 'key 203 down', 'key 25 down'):
        assert re.search(r'^\d+ %s$' % name, session, re.M), 'the session lacks "%s"' % name


# A standard gamepad that the page's script can press, in place of the
# browser's (headless Chromium has none).
PAD = """
const __pad = { id: 'test pad (STANDARD GAMEPAD)', index: 0, connected: true, mapping: 'standard', timestamp: 1,
                axes: [0, 0, 0, 0], buttons: [] };
for (let i = 0; i < 17; ++i) __pad.buttons.push({ pressed: false, touched: false, value: 0 });
navigator.getGamepads = () => [__pad, null, null, null];
window.__padButton = (b, down) => {
  __pad.buttons[b] = { pressed: down, touched: down, value: down ? 1 : 0 };
  __pad.timestamp += 1;
};
"""
PAD_A, PAD_BACK, PAD_START, PAD_LEFT, PAD_RIGHT = 0, 8, 9, 14, 15


def case_gamepad(browser, server):
    """A standard gamepad: Back skips the story, the d-pad moves the menu's
    frame, A chooses "Novo Jogo", Start passes the picture before the
    stage."""
    browser.open(server.url + 'index.html?framelog', before_load=PAD)
    pass_the_gate(browser)

    def at_least(frame):
        browser.wait_for(lambda: last_frame(browser) >= frame, LOAD_LIMIT, 'frame %d' % frame)

    def press(button):
        browser.evaluate('__padButton(%d, true)' % button)
        at_least(last_frame(browser) + 4)
        browser.evaluate('__padButton(%d, false)' % button)
        at_least(last_frame(browser) + 10)

    _, golden = read_golden(os.path.join(REPLAYS, 'normal.golden'))
    before_stage = next(h for f, h, what in golden if what == 'picture before stage 1')
    at_least(40)
    press(PAD_BACK)
    at_least(last_frame(browser) + 150)  # the menu's elements slide in
    start = last_frame(browser)
    press(PAD_RIGHT)  # the frame comes on "Novo Jogo"
    press(PAD_RIGHT)  # "Ajuda"
    press(PAD_LEFT)  # "Novo Jogo"
    assert before_stage not in frame_log(browser).values(), 'a game started before A'
    press(PAD_A)
    browser.wait_for(lambda: before_stage in [h for f, h in frame_log(browser).items() if f > start], 30,
                     'the picture before stage 1')
    shown = last_frame(browser)
    press(PAD_START)
    at_least(last_frame(browser) + 30)
    log = frame_log(browser)
    assert log[last_frame(browser)] != before_stage and len({log[f] for f in range(shown + 1, last_frame(browser))}) > 2, \
        'Start did not begin the stage'


def case_fit(browser, server):
    """The canvas: the largest whole multiple that fits, and again after a
    resize; Alt+Enter asks for the whole screen."""
    browser.open(server.url + 'index.html')
    pass_the_gate(browser)
    sizes = "[innerWidth, innerHeight, canvas.clientWidth, canvas.clientHeight, canvas.width, canvas.height]"

    def fits(width, height):
        browser.call('Emulation.setDeviceMetricsOverride', width=width, height=height, deviceScaleFactor=1,
                     mobile=False)
        k = min(width // 320, height // 200)
        want = [width, height, 320 * k, 200 * k, 320 * k, 200 * k]
        browser.wait_for(lambda: browser.evaluate(sizes) == want, 30,
                         'a canvas of %dx%d in %dx%d' % (320 * k, 200 * k, width, height))

    fits(1000, 700)
    fits(1400, 900)
    # Alt+Enter: the page asks the browser for the whole screen.
    browser.call('Input.dispatchKeyEvent', type='keyDown', key='Enter', code='Enter', windowsVirtualKeyCode=13,
                 modifiers=1)
    browser.call('Input.dispatchKeyEvent', type='keyUp', key='Enter', code='Enter', windowsVirtualKeyCode=13,
                 modifiers=1)
    browser.wait_for(lambda: browser.evaluate('document.fullscreenElement !== null'), 30, 'the whole screen')


def case_language(_, server):
    """?lang= wins; else the first of the browser's languages the game has
    (English when none is): the game's frames to the options page are those
    of the native game in that language, and the page's own words follow."""
    rows = [
        # browser's languages, address, language expected
        ('en-US,en', '', 'en'),
        ('de-DE,pt-BR', '', 'pt'),
        ('de-DE,fr', '', 'en'),
        ('pt-PT,pt', 'lang=en&', 'en'),
        ('en-US,en', 'lang=pt&', 'pt'),
    ]
    words = {'pt': ('Clique para jogar', 'Ecrã inteiro'), 'en': ('Click to play', 'Full screen')}
    # The normal replay's story and its first clicks, to the options page.
    script, end = os.path.join(REPLAYS, 'normal.input'), 110
    native = {lang: native_frames({'KESTREL_INPUT': script, 'KESTREL_MAX_FRAMES': str(end)}, args=['--language', lang])
              for lang in words}
    assert native['pt'] != native['en'], 'the game looks the same in both languages'
    for accepted, query, lang in rows:
        # A browser of its own each: no frame of the page before.
        browser = Browser(languages=accepted)
        try:
            browser.open(server.url + 'index.html?%sframelog&input=normal.input' % query)
            browser.wait_for(browser.call_to_play_shown, LOAD_LIMIT, 'the call to play')
            shown = browser.evaluate("[document.getElementById('gate-text').textContent, "
                                     "document.getElementById('fullscreen').textContent, document.documentElement.lang]")
            assert shown == list(words[lang]) + [lang], '%s, ?%s: the page shows %s' % (accepted, query, shown)
            browser.click(10, 10)
            browser.wait_for(lambda: last_frame(browser) >= end, LOAD_LIMIT, 'frame %d' % end)
            log = frame_log(browser)
            differ = [n for n in range(1, end + 1) if log.get(n) != native[lang].get(n)]
            assert not differ, '%s, ?%s: frames %s are not those of the %s game' % (accepted, query, differ[:5], lang)
            assert not browser.exceptions, 'the page threw: ' + browser.exceptions[0]
        finally:
            browser.close()


# Keeps each value of the bar, in order.
WATCH = """
window.__bar = [];
addEventListener('DOMContentLoaded', () => {
  const bar = document.getElementById('progress');
  new MutationObserver(() => window.__bar.push(bar.value)).observe(bar, { attributes: true });
});
"""
# The game's files that have come whole, by the browser's own timing.
ARRIVED = """
['morlo3.js', 'morlo3.wasm', 'data.kpk'].filter((f) =>
  performance.getEntriesByName(new URL(f, location.href).href).some((e) => e.responseEnd > 0))
"""


def case_slow_network(browser, _):
    """About 8 Mbit/s, and data.kpk held back by the host: the one bar has
    the program's share of every byte once the program has come, and fills
    only with the data; the call to play waits for the data and shows over
    the game's loading picture; a click before it does not hide it."""
    server = Server(SITE, held={'data.kpk'})
    try:
        browser.call('Network.enable')
        browser.call('Network.setCacheDisabled', cacheDisabled=True)
        browser.call('Network.emulateNetworkConditions', offline=False, latency=40, downloadThroughput=1_000_000,
                     uploadThroughput=1_000_000)
        browser.open(server.url + 'index.html?framelog', before_load=WATCH)
        program = ['morlo3.js', 'morlo3.wasm']
        browser.wait_for(lambda: browser.evaluate(ARRIVED) == program, LOAD_LIMIT, 'the program')
        size = {f: os.path.getsize(os.path.join(SITE, f)) for f in program + ['data.kpk']}
        share = (size['morlo3.js'] + size['morlo3.wasm']) / sum(size.values())
        value = browser.evaluate("document.getElementById('progress').value")
        assert abs(value - share) < 0.01, 'with the program come, the bar is at %.3f, not %.3f' % (value, share)
        browser.click(10, 10)
        assert not browser.call_to_play_shown(), 'the call to play came before the data'
        assert not browser.evaluate("document.getElementById('gate').hidden"), 'a click hid the page loading'
        server.release()
        browser.wait_for(browser.call_to_play_shown, LOAD_LIMIT, 'the call to play')
        bar = browser.evaluate('window.__bar')
        assert bar == sorted(bar), 'the bar went back: %s' % bar
        assert bar[-1] == 1, 'the bar ended at %s' % bar[-1]
        # What the player sees behind the call: the game's loading picture.
        shot = Image.open(io.BytesIO(browser.screenshot())).convert('L')
        lit = sum(1 for v in shot.getdata() if v > 16) / (shot.size[0] * shot.size[1])
        assert lit > 0.2, 'the call to play came over a black page (%.0f %% lit)' % (100 * lit)
        browser.click(10, 10)
        browser.wait_for(lambda: last_frame(browser) >= 30, LOAD_LIMIT, 'frame 30')
    finally:
        server.close()


def case_failed_download(browser, _):
    """Each of the game's files missing: the page says which, and does not
    call the player to play."""
    for name in ('morlo3.js', 'morlo3.wasm', 'data.kpk'):
        server = Server(SITE, missing={name})
        try:
            browser.open(server.url + 'index.html?lang=en')
            browser.wait_for(lambda: browser.evaluate("(e => !!e && !e.hidden)(document.getElementById('error'))"),
                             LOAD_LIMIT, 'the error panel')
            text = browser.evaluate("document.getElementById('error').textContent")
            assert text == 'Could not download %s (404 Not Found)' % name, 'without %s the page shows %r' % (name, text)
            assert not browser.call_to_play_shown(), 'without %s the page calls the player to play' % name
        finally:
            server.close()


CASES = [('replay', case_replay), ('keys', case_keys), ('gamepad', case_gamepad), ('fit', case_fit),
         ('language', case_language), ('slow_network', case_slow_network), ('failed_download', case_failed_download)]


def main():
    server = Server(SITE, extra={'normal.input': os.path.join(REPLAYS, 'normal.input')})
    passed = failed = 0
    try:
        for name, case in CASES:
            if ONLY and name not in ONLY:
                continue
            browser = Browser()
            try:
                case(browser, server)
                if browser.exceptions:
                    raise AssertionError('the page threw: ' + browser.exceptions[0])
                print('ok %s' % name, flush=True)
                passed += 1
            except Exception as e:  # every failure is reported, the others still run
                print('FAIL %s: %s' % (name, e), flush=True)
                if not isinstance(e, AssertionError):
                    traceback.print_exc()
                failed += 1
            finally:
                browser.close()
    finally:
        server.close()
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
