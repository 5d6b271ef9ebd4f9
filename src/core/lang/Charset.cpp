#include "lang/Charset.h"

#include <QHash>
#include <QLocale>
#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

bool convert(const QByteArray& in, const char* from, const char* to, QByteArray* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    std::vector<char> buffer(size_t(in.size()) * 4 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == size_t(-1))
        return false;
    *out = QByteArray(buffer.data(), qsizetype(buffer.size() - dstLeft));
    return true;
}

// The bytes 0x80 to 0xFF of a single-byte charset by the character they stand for.
using HighBytes = QHash<char16_t, char>;

std::shared_ptr<const HighBytes> highBytesOf(const char* charset) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const HighBytes>> cache;
    const std::lock_guard lock(mutex);
    auto& table = cache[charset];
    if (!table) {
        auto bytes = std::make_shared<HighBytes>();
        for (int b = 0x80; b <= 0xFF; ++b) {
            QString text;
            if (Charset::Decode(QByteArray(1, char(b)), charset, &text) && text.size() == 1)
                bytes->insert(text[0].unicode(), char(b));
        }
        table = std::move(bytes);
    }
    return table;
}

} // namespace

QByteArray Charset::EncodeHtml(const QString& text, const char* charset) {
    const std::shared_ptr<const HighBytes> high = highBytesOf(charset);
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const auto it = c < 0x10000 ? high->constFind(char16_t(c)) : high->constEnd();
        if (c < 0x80)
            out += char(c);
        else if (it != high->constEnd())
            out += it.value();
        else
            out += "&#" + QByteArray::number(quint32(c)) + ';';
    }
    return out;
}

bool Charset::Decode(const QByteArray& bytes, const char* charset, QString* text) {
    QByteArray utf8;
    if (!convert(bytes, charset, "UTF-8", &utf8))
        return false;
    *text = QString::fromUtf8(utf8);
    return true;
}

bool Charset::Encode(const QString& text, const char* charset, QByteArray* bytes) {
    return convert(text.toUtf8(), "UTF-8", charset, bytes);
}

bool Charset::IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

const char* Charset::LegacyCodePage() {
    switch (QLocale().language()) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Serbian:
    case QLocale::Macedonian:
        return "WINDOWS-1251";
    default:
        return "WINDOWS-1252";
    }
}
