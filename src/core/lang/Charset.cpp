#include "lang/Charset.h"

#include <QLocale>
#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>
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

} // namespace

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
