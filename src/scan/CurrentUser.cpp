#include "CurrentUser.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

QString lookUpLoginName(uid_t uid) {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd *found = nullptr;
    while (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < 1024 * 1024)
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

} // namespace

QString currentLoginName() {
    static const QString name = lookUpLoginName(getuid());
    return name;
}

QString loginNameOf(uid_t uid) {
    static QMutex mutex;
    static QHash<uid_t, QString> names;
    const QMutexLocker lock(&mutex);
    const auto known = names.constFind(uid);
    if (known != names.cend())
        return *known;
    return *names.insert(uid, lookUpLoginName(uid));
}

QString currentHomeDirectory() {
    const QString home = QDir::homePath();
    const QString resolved = QFileInfo(home).canonicalFilePath();
    return resolved.isEmpty() ? home : resolved;
}
