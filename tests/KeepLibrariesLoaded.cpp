// Linked into the sanitizer build's GL programs and preloaded into the viewer's leak check:
// LeakSanitizer looks after the exit handlers, when the GL library would have unloaded its driver,
// whose globals would then look leaked from sites tests/lsan.supp cannot name. Nothing of ours is
// unloaded at run time.
extern "C" int dlclose(void*) { return 0; }
