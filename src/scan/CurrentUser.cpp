#include "CurrentUser.h"

#include <pwd.h>
#include <unistd.h>

QString currentLoginName() {
    static const QString name = [] {
        const uid_t uid = getuid();
        if (const passwd *entry = getpwuid(uid); entry && entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
        return QString::number(uid);
    }();
    return name;
}
