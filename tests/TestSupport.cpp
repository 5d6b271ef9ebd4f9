#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TestFolder::TestFolder() {
    EXPECT_TRUE(dir_.isValid());
}

QString TestFolder::path(const QString& name) const {
    return dir_.filePath(name);
}

void TestFolder::write(const QString& name, const QByteArray& content) const {
    QFile file(path(name));
    QDir().mkpath(QFileInfo(file).absolutePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray TestFolder::read(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestFolder::copyShippedLanguages() const {
    for (const char* lang : {"English", "Russian"}) {
        const QString file = QStringLiteral("tidewell.%1.lng").arg(QLatin1String(lang));
        QFile::remove(path(file));
        ASSERT_TRUE(QFile::copy(ShippedLanguageFile(QLatin1String(lang)), path(file)));
    }
}

QString ShippedLanguageFile(const QString& language) {
    return QStringLiteral(TIDEWELL_SOURCE_DIR "/lang/tidewell.%1.lng").arg(language);
}

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
