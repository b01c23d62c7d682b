#pragma once

#include <QString>

// The project a process started in `workingDirectory` belongs to: the name of the closest
// directory at or above it holding a `.git` entry (a directory, or a file for worktrees and
// submodules), else the directory's own name. Empty for `/`, the home directory itself and an
// empty path. A repository rooted at `/` or at home (a dotfiles repository) names nothing, so
// the directory's own name is used then.
QString projectName(const QString &workingDirectory, const QString &homeDirectory);
