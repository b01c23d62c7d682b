#pragma once

#include <QString>

#include <sys/types.h>

// The login name lsof reports for this user's processes: the passwd name, or the decimal
// uid when the uid has no passwd entry. Looked up once; it cannot change while we run.
QString currentLoginName();

// The same rule for any uid. Remembered per uid, since it is asked on every poll.
QString loginNameOf(uid_t uid);

// $HOME with symbolic links resolved, as the kernel reports working directories; $HOME as it
// is when it does not exist.
QString currentHomeDirectory();
