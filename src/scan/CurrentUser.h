#pragma once

#include <QString>

// The login name lsof reports for this user's processes: the passwd name, or the decimal
// uid when the uid has no passwd entry. Looked up once; it cannot change while we run.
QString currentLoginName();
