// Built only with the sanitizers. Qt's tray support talks to the session bus
// through libdbus, which keeps a buffer for the life of the process; QtDBus
// leaves a call's record behind when the process ends before the bus answered
// (the desktop portal may be starting). Neither is ours to free, and
// LeakSanitizer would fail such runs of the program for them.
// LeakSanitizer's hooks have reserved names by design.
extern "C" const char* __lsan_default_suppressions();  // NOLINT(bugprone-reserved-identifier)
extern "C" const char* __lsan_default_options();       // NOLINT(bugprone-reserved-identifier)

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libQt6DBus.so\n"
           "leak:libfontconfig.so\n";
}

// A clean run says nothing on stderr, suppressed leaks included.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
