#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
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

// The details as an entry carries them: one pointer, shared by every copy of the entry. Lists
// of entries are copied several times on their way to the screen, and an entry's details are
// read once per process anyway. Equal when they point at the same details or at equal ones.
class SharedProcessDetails {
public:
    SharedProcessDetails() = default;
    SharedProcessDetails(ProcessDetails details)
        : m_details(std::make_shared<const ProcessDetails>(std::move(details))) {}

    const ProcessDetails &operator*() const { return m_details ? *m_details : none(); }
    const ProcessDetails *operator->() const { return &**this; }

    friend bool operator==(const SharedProcessDetails &a, const SharedProcessDetails &b) {
        return a.m_details == b.m_details || *a == *b;
    }

private:
    static const ProcessDetails &none() {
        static const ProcessDetails empty;
        return empty;
    }

    std::shared_ptr<const ProcessDetails> m_details;
};
