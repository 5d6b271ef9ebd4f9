#include "lang/FormatText.h"

#include <QLocale>

namespace {

struct Conversion {
    int index = -1;
    bool left = false;
    int width = -1;
    int precision = -1;
    QChar type;
};

bool isInteger(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant& v) {
    const int id = v.metaType().id();
    return isInteger(v) || id == QMetaType::Double || id == QMetaType::Float;
}

bool isText(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::Char ||
           id == QMetaType::QChar;
}

class Formatter {
public:
    Formatter(const QString& format, const QVariantList& args) : f_(format), args_(args) {}

    FormatResult run() {
        FormatResult r;
        while (pos_ < f_.size() && error_.isEmpty()) {
            const QChar c = f_[pos_++];
            if (c != u'%')
                r.text += c;
            else if (pos_ < f_.size() && f_[pos_] == u'%')
                r.text += f_[pos_++];
            else
                r.text += conversion();
        }
        r.error = error_;
        return r;
    }

private:
    QString invalid() {
        error_ = QStringLiteral("Format '%1' invalid or incompatible with argument").arg(f_);
        return {};
    }

    // A run of digits, or "*" taking the value from the next argument.
    bool number(int* out) {
        if (pos_ < f_.size() && f_[pos_] == u'*') {
            ++pos_;
            const QVariant* v = nextArg();
            if (!v || !isInteger(*v))
                return false;
            *out = v->toInt();
            return true;
        }
        const qsizetype start = pos_;
        while (pos_ < f_.size() && f_[pos_].isDigit())
            ++pos_;
        if (pos_ > start)
            *out = f_.mid(start, pos_ - start).toInt();
        return true;
    }

    const QVariant* nextArg() {
        if (next_ >= args_.size()) {
            error_ = QStringLiteral("No argument for format '%1'").arg(f_);
            return nullptr;
        }
        return &args_[next_++];
    }

    bool parse(Conversion& s) {
        int n = -1;
        if (!number(&n))
            return false;
        if (pos_ < f_.size() && f_[pos_] == u':') {
            ++pos_;
            s.index = n;
            next_ = n;
            n = -1;
        }
        if (pos_ < f_.size() && f_[pos_] == u'-') {
            ++pos_;
            s.left = true;
        }
        if (n < 0 && !number(&n))
            return false;
        s.width = n;
        if (pos_ < f_.size() && f_[pos_] == u'.') {
            ++pos_;
            s.precision = 0;
            if (!number(&s.precision))
                return false;
        }
        if (pos_ >= f_.size())
            return false;
        s.type = f_[pos_++].toLower();
        return true;
    }

    QString convert(const Conversion& s, const QVariant& v) {
        const QLocale loc;
        const int prec = s.precision;
        switch (s.type.unicode()) {
        case u'd':
        case u'u':
        case u'x': {
            if (!isInteger(v))
                return invalid();
            const qlonglong value = v.toLongLong();
            QString digits = s.type == u'x' ? QString::number(quint64(value), 16).toUpper()
                                            : QString::number(value < 0 ? -value : value);
            if (prec > digits.size())
                digits = QString(prec - digits.size(), u'0') + digits;
            return (value < 0 && s.type != u'x' ? QStringLiteral("-") : QString()) + digits;
        }
        case u'e':
            return isNumber(v) ? loc.toString(v.toDouble(), 'e', prec < 0 ? 15 : prec) : invalid();
        case u'f':
            return isNumber(v) ? noGroups(loc).toString(v.toDouble(), 'f', prec < 0 ? 2 : prec)
                               : invalid();
        case u'g':
            return isNumber(v) ? noGroups(loc).toString(v.toDouble(), 'g', prec < 0 ? 15 : prec)
                               : invalid();
        case u'n':
        case u'm':
            return isNumber(v) ? loc.toString(v.toDouble(), 'f', prec < 0 ? 2 : prec) : invalid();
        case u's': {
            if (!isText(v))
                return invalid();
            const QString t = v.toString();
            return prec >= 0 ? t.left(prec) : t;
        }
        default:
            return invalid();
        }
    }

    static QLocale noGroups(QLocale loc) {
        loc.setNumberOptions(QLocale::OmitGroupSeparator);
        return loc;
    }

    QString conversion() {
        Conversion s;
        if (!parse(s))
            return error_.isEmpty() ? invalid() : QString();
        const QVariant* v = nextArg();
        if (!v)
            return {};
        const QString text = convert(s, *v);
        if (s.width <= text.size())
            return text;
        const QString pad(s.width - text.size(), u' ');
        return s.left ? text + pad : pad + text;
    }

    const QString& f_;
    const QVariantList& args_;
    qsizetype pos_ = 0;
    qsizetype next_ = 0;
    QString error_;
};

} // namespace

FormatResult FormatText(const QString& format, const QVariantList& args) {
    return Formatter(format, args).run();
}
