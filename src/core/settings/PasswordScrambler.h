#pragma once

#include <QString>

// Passwords are kept in the settings file XOR-ed with a fixed key and written as
// lower-case hexadecimal, so they are not readable at a glance. This is not
// encryption; it only keeps passwords off the screen of someone viewing the file.
namespace PasswordScrambler {
QString Scramble(const QString& password);
// Tolerant of hand-edited values: either letter case, a non-hex digit counts as 0,
// and a last unpaired character is ignored.
QString Unscramble(const QString& stored);
} // namespace PasswordScrambler
