// Linked into the GL programs of the sanitizer build, and preloaded into the viewer for the
// leak check of the ordinary build. LeakSanitizer looks for leaks after
// the exit handlers, by which time the GL library has unloaded its driver: whatever the driver's
// globals still held would look leaked, and its allocation sites could no longer be named, so
// tests/lsan.supp could not suppress them by library. Keeping every library loaded until the
// process ends leaves both in place; nothing of ours is unloaded at run time.
extern "C" int dlclose(void*) { return 0; }
