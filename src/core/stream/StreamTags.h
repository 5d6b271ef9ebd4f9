#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The zero-terminated texts of a tag run, up to the empty one.
QList<QByteArray> TagTexts(const QByteArray& run);
// The quoted value of StreamTitle in a meta text such as "StreamUrl='';StreamTitle='A;
// B';", wherever it stands; empty when there is none.
QByteArray TitleFromMeta(const QByteArray& meta);
// The leading decimal number of a text; 0 when there is none.
int LeadingNumber(const QByteArray& text);

// Stream titles arrive as raw bytes in any charset. This undoes UTF-8 (also when it
// was applied twice or more) and reads text that is not UTF-8 in the legacy
// single-byte code page of the current locale (windows-1251 for Cyrillic locales,
// windows-1252 otherwise).
QString UTFDecodeWhile(const QByteArray& raw);
