#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// What tells one of the user's own servers from another beyond its command name. Read from
// /proc for the current user's processes only; empty for everyone else's.
struct ProcessDetails {
    // Empty when it could not be read (the process is gone, or access was refused).
    QString workingDirectory;
    // The arguments as the process was started, the program first.
    QStringList commandLine;
    // When the process started, on the clock that counts from boot including suspend
    // (CLOCK_BOOTTIME), the one "how long has it run" is measured against.
    std::optional<std::chrono::milliseconds> startedAfterBoot;
    // The git repository or folder the process was started in; empty for none.
    QString project;

    friend bool operator==(const ProcessDetails &, const ProcessDetails &) = default;
};
