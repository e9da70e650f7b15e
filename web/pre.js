// Runs inside the game's module before main: what the page fetched goes into
// the memory file system, and what it asks for into the environment the
// game reads its KESTREL_* settings from (docs/developing.md).
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var page = Module['kestrelPage'] || {};
  // The game looks for data.kpk in the current folder first.
  if (page.data) FS.writeFile('/data.kpk', page.data);
  if (page.input !== undefined) {
    FS.writeFile('/input.txt', page.input);
    ENV['KESTREL_INPUT'] = '/input.txt';
  }
  // One line a frame on the console, as the frame log file has it.
  if (page.framelog) ENV['KESTREL_FRAMELOG'] = '/dev/stdout';
  // The in-memory backend: no canvas, no sound, no waiting (the benchmark).
  if (page.headless) ENV['KESTREL_PLATFORM'] = 'headless';
  // What the player does, as a script (Module.kestrelReadFile reads it back).
  if (page.record) ENV['KESTREL_RECORD'] = '/session.input';
  ENV['TMPDIR'] = '/tmp';
});

// A file of the page's memory file system as text, for the page's own tools.
Module['kestrelReadFile'] = function (path) {
  return FS.readFile(path, { encoding: 'utf8' });
};

// Calls main with the page's arguments after the program's name, as a
// command line would; the promise gives main's exit code. The strings live
// as long as the program: main keeps argv.
Module['kestrelMain'] = function (args) {
  var all = ['morlo3'].concat(args || []);
  var argv = _malloc(4 * (all.length + 1));
  for (var i = 0; i < all.length; ++i) {
    var bytes = new TextEncoder().encode(all[i]);
    var text = _malloc(bytes.length + 1);
    HEAPU8.set(bytes, text);
    HEAPU8[text + bytes.length] = 0;
    HEAP32[(argv >> 2) + i] = text;
  }
  HEAP32[(argv >> 2) + all.length] = 0;
  return Module['ccall']('main', 'number', ['number', 'number'], [all.length, argv], { async: true });
};
