// Linked only into sanitizer builds: leaks in libraries that the program cannot free for them.
// - libwayland-client keeps a few allocations of a short connection, such as that of a second
//   start that hands over to the running Harklet and returns at once.
// - Qt's status-notifier tray (QtDBus) leaves an object or two behind at exit; the same run
//   over an XEmbed tray, the session-bus lookup included, reports nothing.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libwayland-client.so\n"
           "leak:libQt6DBus.so\n";
}
