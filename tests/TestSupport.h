#pragma once

#include "lang/DialogRequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
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

// What ffprobe reads in an audio file; ok is false when it could not read it.
struct AudioProbe {
    bool ok = false;
    QString codec;
    int sampleRate = 0;
    int channels = 0;
    int bitRate = 0;
    double duration = 0.0; // seconds
};
AudioProbe ProbeAudio(const QString& file);

// Checks about permissions mean nothing to the superuser. Run as root, this runs the
// current test again as the unprivileged user "nobody" (through setpriv), expects it to
// pass there, and returns true: the caller then returns at once. Otherwise false.
bool RanAsUnprivilegedUser();

// Every file below a folder whose name ends in ".MP3", sorted by path.
QStringList RecordedFiles(const QString& folder);

// Answers message boxes from a script (the default button once it runs out) and
// keeps their texts.
class ScriptedPresenter : public DialogPresenter {
public:
    DialogButton Present(const DialogRequest& request) override;
    QStringList texts;
    QList<DialogButton> answers;
};
