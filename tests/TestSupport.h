#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

// Readable texts in test failure messages.
void PrintTo(const QString& text, std::ostream* os);

// A fresh folder for one test, removed afterwards.
class TestFolder {
public:
    TestFolder();
    QString path(const QString& name) const;
    void write(const QString& name, const QByteArray& content) const;
    QByteArray read(const QString& name) const;
    // Copies the shipped language files into the folder under the program's prefix.
    void copyShippedLanguages() const;

private:
    QTemporaryDir dir_;
};

QString ShippedLanguageFile(const QString& language);
