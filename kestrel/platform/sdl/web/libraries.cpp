// No shared libraries in a page. The desktop backend loads ALSA and Xlib by
// name to quiet or guard them; a page has neither, nor any shared library.
// Emscripten's own dlopen would stop the program, so the page's finds
// nothing, as a desktop without them would.
extern "C" void* dlopen(const char*, int) { return nullptr; }
extern "C" void* dlsym(void*, const char*) { return nullptr; }
