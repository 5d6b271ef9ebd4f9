#pragma once

#include <QByteArray>
#include <QString>

// Conversions between Unicode and named legacy charsets ("windows-1251"...), done
// with iconv at the program's edges: stream titles, web pages, mail.
namespace Charset {
// Bytes in the charset to text; false when the charset is unknown or the bytes
// are not valid in it.
bool Decode(const QByteArray& bytes, const char* charset, QString* text);
// Text to bytes in the charset; false when a character is missing from it.
bool Encode(const QString& text, const char* charset, QByteArray* bytes);
// Text to bytes in a single-byte charset, for HTML: a character the charset lacks
// becomes the numeric reference "&#N;". Safe to call from any thread.
QByteArray EncodeHtml(const QString& text, const char* charset);
bool IsValidUtf8(const QByteArray& bytes);
// The legacy single-byte code page of the current locale: windows-1251 for Cyrillic
// languages, windows-1252 otherwise.
const char* LegacyCodePage();
} // namespace Charset
