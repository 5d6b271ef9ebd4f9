#include "notify/MailMessage.h"

#include "lang/Charset.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

// A header value on one line: a name or subject can never start a header of its own.
QString oneLine(const QString& text) {
    QString t = text;
    t.replace(u'\r', u' ').replace(u'\n', u' ');
    return t;
}

bool plainAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return !text.contains(QLatin1String("=?"));
}

// Text in the charset; a character the charset lacks becomes "?".
QByteArray inCharset(const QString& text, const QByteArray& charset) {
    QByteArray bytes;
    if (Charset::Encode(text, charset.constData(), &bytes))
        return bytes;
    for (const QChar c : text) {
        QByteArray one;
        bytes += Charset::Encode(QString(c), charset.constData(), &one) ? one : QByteArray("?");
    }
    return bytes;
}

QByteArray address(const QString& a) {
    return '<' + oneLine(a).trimmed().toUtf8() + '>';
}

QByteArray rfc2822Date(const QDateTime& t) {
    const int offset = t.offsetFromUtc() / 60;
    return QLocale::c().toString(t, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1() +
           QString::asprintf("%c%02d%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                             std::abs(offset) % 60)
               .toLatin1();
}

QByteArray wrapped(const QByteArray& base64) {
    QByteArray out;
    for (qsizetype i = 0; i < base64.size(); i += 76)
        out += base64.mid(i, 76) + "\r\n";
    return out;
}

} // namespace

QStringList SplitAddresses(const QString& list) {
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    QStringList addresses;
    for (const QString& a : oneLine(list).split(separators))
        if (!a.trimmed().isEmpty())
            addresses << a.trimmed();
    return addresses;
}

QByteArray IdMessageInitializeISO(const QString& text, const QByteArray& charset) {
    const QString line = oneLine(text);
    if (plainAscii(line))
        return line.toLatin1();
    // Whole characters per word, so that no word splits a multi-byte character.
    const QByteArray prefix = "=?" + charset + "?B?";
    QByteArrayList words;
    QByteArray chunk;
    for (const char32_t c : line.toUcs4()) {
        const QByteArray bytes = inCharset(QString::fromUcs4(&c, 1), charset);
        if (!chunk.isEmpty() &&
            prefix.size() + (chunk.size() + bytes.size() + 2) / 3 * 4 + 2 > 75) {
            words << prefix + chunk.toBase64() + "?=";
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty() || words.isEmpty())
        words << prefix + chunk.toBase64() + "?=";
    return words.join("\r\n ");
}

QByteArray ComposeMessage(const MailMessage& m, const QByteArray& charset) {
    QByteArrayList to;
    for (const QString& a : m.To)
        to << address(a);
    QByteArray head;
    head += "From: " + IdMessageInitializeISO(m.FromName, charset) + ' ' + address(m.FromAddress) +
            "\r\n";
    head += "To: " + to.join(", ") + "\r\n";
    head += "Subject: " + IdMessageInitializeISO(m.Subject, charset) + "\r\n";
    head += "Date: " + rfc2822Date(m.Date) + "\r\n";
    head += "Message-ID: <" + QByteArray::number(m.Date.toMSecsSinceEpoch()) + '.' +
            QByteArray::number(QRandomGenerator::global()->generate64(), 16) + "@tidewell>\r\n";
    head += "MIME-Version: 1.0\r\n";
    head += "Content-Type: text/plain; charset=" + charset + "\r\n";
    head += "Content-Transfer-Encoding: base64\r\n\r\n";
    return head +
           wrapped(inCharset(m.Body.join(QLatin1String("\r\n")) + QLatin1String("\r\n"), charset)
                       .toBase64());
}
