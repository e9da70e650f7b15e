#!/usr/bin/python3
"""The page proved in headless Chromium against the native game.

- The saved normal replay, played in the page, gives the golden frame log of
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
- Without data.kpk the page shows the game's own error text.

Usage: page_test.py SITE NATIVE_BUILD SOURCE_DIR [CASE...]
SITE is build-web/site, NATIVE_BUILD a native build with morlo3 and data.kpk.
"""
import io
import os
import re
import subprocess
import sys
import tempfile
import traceback

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, Server  # noqa: E402

SITE, NATIVE, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
ONLY = set(sys.argv[4:])
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


def native_run(env, limit=600):
    """The native game on the headless backend, in a scratch folder holding
    data.kpk."""
    scratch = tempfile.mkdtemp(prefix='kestrel-web-native-')
    os.symlink(os.path.join(NATIVE, 'data.kpk'), os.path.join(scratch, 'data.kpk'))
    full = dict(os.environ, KESTREL_PLATFORM='headless', KESTREL_ANSWER='no', **env)
    result = subprocess.run([os.path.join(NATIVE, 'morlo3', 'morlo3')], cwd=scratch, env=full, timeout=limit,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return scratch, result


def pass_the_gate(browser):
    """Waits for the page's call to play, then clicks."""
    browser.wait_for(lambda: browser.evaluate("(document.getElementById('gate-text') || {}).textContent") ==
                     'Clique para jogar', LOAD_LIMIT, '"Clique para jogar"')
    assert browser.evaluate("!document.getElementById('gate').hidden"), 'the call to play is not shown'
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


def case_replay(browser, server):
    """The normal replay to the credits, frame for frame; the menu's canvas."""
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
    scratch, result = native_run({'KESTREL_INPUT': f.name, 'KESTREL_MAX_FRAMES': str(end),
                                  'KESTREL_FRAMELOG': 'frames.log'})
    native = {}
    for line in open(os.path.join(scratch, 'frames.log')):
        m = FRAME.match(line.strip())
        if m:
            native[int(m.group(1))] = m.group(2)
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


def case_missing_data(browser, _):
    """Without data.kpk the page shows the game's message."""
    server = Server(SITE, missing={'data.kpk'})
    try:
        browser.open(server.url + 'index.html')
        pass_the_gate(browser)
        browser.wait_for(lambda: browser.evaluate('window.kestrel.exitCode') is not None, LOAD_LIMIT,
                         'the game to end')
        state = browser.evaluate('JSON.stringify(window.kestrel)')
        assert browser.evaluate('window.kestrel.exitCode') == 1, 'the game did not end with exit code 1: ' + state
        text = browser.evaluate("document.getElementById('error').hidden ? '' : "
                                "document.getElementById('error').textContent")
        assert 'Cannot open file data.kpk' in text, 'the page shows %r' % text
        assert 'data.kpk was looked for in these folders' in text, 'the page shows %r' % text
    finally:
        server.close()


CASES = [('replay', case_replay), ('keys', case_keys), ('gamepad', case_gamepad), ('fit', case_fit),
         ('missing_data', case_missing_data)]


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
