#pragma once

#include "scan/PortEntry.h"

#include <QString>

// The words a listener's row shows and speaks. Plain text: commands and addresses come
// from other processes and are never read as markup.
namespace RowTexts {

// ":3000"
QString port(const PortEntry &entry);
// The command, or the owner's login for a socket without a known process.
QString command(const PortEntry &entry);
// "PID 812 · 127.0.0.1"; just the address for a socket without a known process.
QString details(const PortEntry &entry);
// "Port 3000, node, process 812", plus ", system process, locked" for system ones;
// "Port 5432, owned by root" for a socket without a known process.
QString accessibleLabel(const PortEntry &entry);
// "Open localhost:3000 in browser"
QString openToolTip(const PortEntry &entry);

} // namespace RowTexts
