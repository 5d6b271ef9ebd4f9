#include "recording/FileNames.h"

namespace {

QString pad(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// The first separator character of one of the locale's formats.
QChar separatorOf(const QString& format, QChar fallback) {
    for (const QChar c : format)
        if (!c.isLetter() && c != u'\'' && !c.isSpace())
            return c;
    return fallback;
}

class TemplateFormatter {
public:
    TemplateFormatter(const QString& tmpl, const QDateTime& t, const QLocale& loc)
        : f_(tmpl), t_(t), loc_(loc) {}

    QString run() {
        while (i_ < f_.size()) {
            const QChar c = f_[i_];
            if (c == u'"' || c == u'\'') {
                quoted(c);
                continue;
            }
            if (c == u'/') {
                out_ += separatorOf(loc_.dateFormat(QLocale::ShortFormat), u'/');
                ++i_;
                continue;
            }
            if (c == u':') {
                out_ += separatorOf(loc_.timeFormat(QLocale::ShortFormat), u':');
                ++i_;
                continue;
            }
            if (!c.isLetter()) {
                out_ += c;
                ++i_;
                continue;
            }
            letter(c.toUpper());
        }
        return out_;
    }

private:
    void quoted(QChar quote) {
        const qsizetype end = f_.indexOf(quote, i_ + 1);
        const qsizetype stop = end < 0 ? f_.size() : end;
        out_ += f_.mid(i_ + 1, stop - i_ - 1);
        i_ = stop + 1;
    }

    int run(QChar upper) {
        int n = 0;
        while (i_ + n < f_.size() && f_[i_ + n].toUpper() == upper)
            ++n;
        return n;
    }

    bool ampm() {
        const QString rest = f_.mid(i_);
        const bool pm = t_.time().hour() >= 12;
        for (const auto& [form, am, pmText] :
             {std::tuple{QStringLiteral("am/pm"), QStringLiteral("am"), QStringLiteral("pm")},
              std::tuple{QStringLiteral("a/p"), QStringLiteral("a"), QStringLiteral("p")},
              std::tuple{QStringLiteral("ampm"), loc_.amText(), loc_.pmText()}}) {
            if (rest.startsWith(form, Qt::CaseInsensitive)) {
                out_ += pm ? pmText : am;
                i_ += form.size();
                return true;
            }
        }
        return false;
    }

    void letter(QChar token) {
        if (token == u'M' && last_ == u'H')
            token = u'N';
        last_ = token;
        if (token == u'A' && ampm())
            return;
        const int n = run(f_[i_].toUpper());
        const QDate d = t_.date();
        const QTime tm = t_.time();
        switch (token.unicode()) {
        case u'D':
            out_ += n == 1   ? QString::number(d.day())
                    : n == 2 ? pad(d.day(), 2)
                    : n == 3 ? loc_.standaloneDayName(d.dayOfWeek(), QLocale::ShortFormat)
                    : n == 4 ? loc_.standaloneDayName(d.dayOfWeek(), QLocale::LongFormat)
                    : n == 5 ? loc_.toString(d, QLocale::ShortFormat)
                             : loc_.toString(d, QLocale::LongFormat);
            break;
        case u'M':
            out_ += n == 1   ? QString::number(d.month())
                    : n == 2 ? pad(d.month(), 2)
                    : n == 3 ? loc_.standaloneMonthName(d.month(), QLocale::ShortFormat)
                             : loc_.standaloneMonthName(d.month(), QLocale::LongFormat);
            break;
        case u'Y':
            out_ += n <= 2 ? pad(d.year() % 100, 2) : pad(d.year(), 4);
            break;
        case u'H':
            out_ += n == 1 ? QString::number(tm.hour()) : pad(tm.hour(), 2);
            break;
        case u'N':
            out_ += n == 1 ? QString::number(tm.minute()) : pad(tm.minute(), 2);
            break;
        case u'S':
            out_ += n == 1 ? QString::number(tm.second()) : pad(tm.second(), 2);
            break;
        case u'Z':
            out_ += n <= 2 ? QString::number(tm.msec()) : pad(tm.msec(), 3);
            break;
        case u'T':
            out_ += loc_.toString(tm, n == 1 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'C':
            out_ += loc_.toString(d, QLocale::ShortFormat) + u' ' +
                    loc_.toString(tm, QLocale::LongFormat);
            break;
        default:
            out_ += f_.mid(i_, n);
        }
        i_ += n;
    }

    const QString& f_;
    const QDateTime& t_;
    const QLocale& loc_;
    qsizetype i_ = 0;
    QChar last_;
    QString out_;
};

QString foldSeparators(QString path) {
    path.replace(u'\\', u'/');
    while (path.contains(QLatin1String("//")))
        path.replace(QLatin1String("//"), QLatin1String("/"));
    return path;
}

} // namespace

QString FormatFileTemplate(const QString& tmpl, const QDateTime& time, const QLocale& locale) {
    return TemplateFormatter(tmpl, time, locale).run();
}

QString RecordingRoot(const QString& root, const QString& programDir) {
    QString path = foldSeparators(root.isEmpty() ? programDir + QStringLiteral("/Record") : root);
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString RecordingFileName(const QString& root, const QString& programDir, const QString& tmpl,
                          const QString& fileDir, const QDateTime& time) {
    // Only the template names the station's folder: a root such as /mnt/ARRAY1 keeps its "RR".
    const QString part = FormatFileTemplate(tmpl, time).replace(QLatin1String("RR"), fileDir);
    return foldSeparators(RecordingRoot(root, programDir) + u'/' + part + QStringLiteral(".MP3"));
}

QString RecordingDisplayName(const QString& fileName, const QString& recordingRoot) {
    return fileName.startsWith(recordingRoot) ? fileName.mid(recordingRoot.size()) : fileName;
}

QString TemplatePreview(const QString& tmpl, const QDateTime& time) {
    QString text = u'\\' + FormatFileTemplate(tmpl, time) + QStringLiteral(".MP3");
    return text.replace(QLatin1String("RR"), QLatin1String("{name radio}"));
}
