#include "settings/PasswordScrambler.h"

#include <QByteArray>

namespace {

constexpr char kKey[] = "qV7#tide!Well%9";
static_assert(sizeof(kKey) - 1 == 15, "the scrambling key has 15 characters");

QByteArray applyKey(QByteArray bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ kKey[i % 15]);
    return bytes;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return 0;
}

} // namespace

QString PasswordScrambler::Scramble(const QString& password) {
    return QString::fromLatin1(applyKey(password.toUtf8()).toHex());
}

QString PasswordScrambler::Unscramble(const QString& stored) {
    QByteArray bytes;
    for (qsizetype i = 0; i + 1 < stored.size(); i += 2)
        bytes.append(static_cast<char>(hexDigit(stored[i]) * 16 + hexDigit(stored[i + 1])));
    return QString::fromUtf8(applyKey(bytes));
}
