#include "ProjectName.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

bool isRepositoryRoot(const QString &directory) {
    return QFileInfo::exists(directory + (directory.endsWith(u'/') ? u".git"_s : u"/.git"_s));
}

QString parentOf(const QString &directory) {
    const qsizetype slash = directory.lastIndexOf(u'/');
    return slash <= 0 ? u"/"_s : directory.left(slash);
}

QString nameOf(const QString &directory) {
    return directory.mid(directory.lastIndexOf(u'/') + 1);
}

} // namespace

QString projectName(const QString &workingDirectory, const QString &homeDirectory) {
    if (workingDirectory.isEmpty())
        return {};
    const QString directory = QDir::cleanPath(workingDirectory);
    const QString home = homeDirectory.isEmpty() ? QString() : QDir::cleanPath(homeDirectory);
    const auto namesNothing = [&home](const QString &path) {
        return path == u"/"_s || path == home;
    };
    if (namesNothing(directory))
        return {};
    for (QString candidate = directory;; candidate = parentOf(candidate)) {
        if (isRepositoryRoot(candidate))
            return namesNothing(candidate) ? nameOf(directory) : nameOf(candidate);
        if (candidate == u"/"_s)
            return nameOf(directory);
    }
}
