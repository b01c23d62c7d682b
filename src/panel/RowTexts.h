#pragma once

#include "scan/PortEntry.h"

#include <QString>

#include <chrono>

// The words a listener's row shows and speaks. Plain text: commands and addresses come
// from other processes and are never read as markup.
namespace RowTexts {

// ":3000"
QString port(const PortEntry &entry);
// The command, or the owner's login for a socket without a known process.
QString command(const PortEntry &entry);
// "PID 812 · 127.0.0.1 · shop-frontend", without " · project" when there is none; just the
// address for a socket without a known process.
QString details(const PortEntry &entry);
// The process's working directory (the home directory shown as ~), its command line and
// "running for 2 h 5 min", one per line, each only when known; empty when none is. For the
// row's tool tip and accessible description. `bootClockNow` is the current time on the clock
// the start time is on (CLOCK_BOOTTIME, as ScanGate::bootClock() reads it); `homeDirectory`
// is the one working directories are reported under, currentHomeDirectory().
QString processDescription(const PortEntry &entry, std::chrono::nanoseconds bootClockNow,
                           const QString &homeDirectory);
// "Port 3000, node, process 812", plus ", system process, locked" for system ones;
// "Port 5432, owned by root" for a socket without a known process.
QString accessibleLabel(const PortEntry &entry);
// "Open localhost:3000 in browser"
QString openToolTip(const PortEntry &entry);

} // namespace RowTexts
