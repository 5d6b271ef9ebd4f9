#pragma once

#include <QLoggingCategory>

// One logging category per subsystem; later subsystems add theirs here.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
Q_DECLARE_LOGGING_CATEGORY(lcLang)
Q_DECLARE_LOGGING_CATEGORY(lcWeb)
Q_DECLARE_LOGGING_CATEGORY(lcMail)
Q_DECLARE_LOGGING_CATEGORY(lcStream)
Q_DECLARE_LOGGING_CATEGORY(lcFiles)

// Sends every log message to standard error as one time-stamped line, the form a
// service's journal wants.
void InstallTimestampedLog();
