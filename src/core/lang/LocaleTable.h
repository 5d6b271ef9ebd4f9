#pragma once

#include <QLocale>

// Language files name their locale by its Windows locale number (1033, 1049...).
// Numbers that are absent, not positive or unknown give Russian (1049), the
// program's own default.
QLocale LocaleFromWindowsId(int id);
