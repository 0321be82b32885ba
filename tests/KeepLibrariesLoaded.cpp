// Linked into the GL programs of the sanitizer build and preloaded into the viewer for the leak
// check of the ordinary build. LeakSanitizer looks for leaks after the exit handlers, when the GL
// library has unloaded its driver: the driver's globals would look leaked, from sites tests/lsan.supp
// could no longer name. Nothing of ours is unloaded at run time.
extern "C" int dlclose(void*) { return 0; }
