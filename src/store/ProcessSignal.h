#pragma once

#include <QString>

#include <sys/types.h>

enum class SignalOutcome { delivered, notPermitted, failed };

// Sends `signal` to `pid`, but only while that pid still belongs to the program lsof reported
// as `command`: a pid recycled since the scan must never receive it. Non-positive pids,
// which address process groups, are refused.
SignalOutcome signalListener(pid_t pid, const QString &command, int signal);
