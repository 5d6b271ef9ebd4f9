// For the window tests only. Qt's raster painting hands image work to a thread pool, and
// the pool hands jobs and results over with futex-based locks that an uninstrumented Qt
// hides from the race detector. Likewise a string a widget shares with a core thread (a
// typed mail address) is released inside uninstrumented widget code, whose atomic
// reference count the detector cannot see. The core's own threads are checked without
// these suppressions by every other test program.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Gui.so.6\n"
           "race:libQt6Widgets.so.6\n"
           "race:libQt6Core.so.6\n";
}
#endif
