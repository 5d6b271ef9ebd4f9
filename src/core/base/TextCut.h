#pragma once

#include <QString>

// Records keep texts of a fixed capacity counted in characters (code points), so
// a cut never splits a character that needs two UTF-16 units.
QString CutText(const QString& text, int maxChars);
