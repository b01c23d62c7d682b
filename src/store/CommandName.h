#pragma once

#include <QByteArrayView>
#include <QString>

// How lsof prints a kernel command name (/proc/PID/comm, without its newline). It escapes
// what it does not print: "\\", "\b", "\f", "\n", "\r", "\t", ^X for the other controls and
// \xNN for every other byte it leaves out. In the C locale that is every byte from 0x7f up;
// in a UTF-8 locale a well-formed character that iswprint() accepts stays as it is.
enum class LsofLocale { c, utf8 };
QString lsofCommandName(QByteArrayView comm, LsofLocale locale);

// Whether lsof, in either locale, prints `comm` as `command`.
bool commandNameMatches(QByteArrayView comm, const QString &command);
