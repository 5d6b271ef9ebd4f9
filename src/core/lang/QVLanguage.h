#pragma once

#include "lang/DialogRequest.h"
#include "lang/LanguageEntries.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// The language engine: finds the language files beside the program, loads the
// chosen one and answers look-ups of constants, messages and dialogs. Every text
// the program shows goes through it. Used from the GUI (main) thread only.
class TLanguage {
public:
    // filePrefix: the program's path with its extension replaced by ".", for example
    // "/opt/tidewell/tidewell."; the files are filePrefix + language + ".lng".
    explicit TLanguage(QString filePrefix, DialogPresenter* presenter = nullptr);

    void SetPresenter(DialogPresenter* presenter) { presenter_ = presenter; }

    bool LoadLanguage(const QString& settingsFile, const QString& section,
                      const QString& defaultFile);
    QStringList GetLanguageNames() const;
    int FindLanguage(const QString& name) const;
    QString GetLanguageFile(int index) const;
    bool SelectLanguage(int index);
    const QString& CurrentFile() const { return current_; }

    QString GetConstant(const QString& key, const QString& def = QString()) const;
    int GetConstantInt(const QString& key) const;
    QString GetDottedConstant(const QString& first, const QString& second,
                              const QString& def = QString()) const;
    QString GetMessage(const QString& name, const QString& section = QString(),
                       const QVariantList& args = QVariantList()) const;

    // The message box for a dialog key, composed but not shown.
    DialogRequest BuildDialog(const QString& name, DialogType type, const QVariantList& args,
                              const QString& section, DialogButtons buttons) const;
    DialogButton ShowDialog(const QString& name, DialogType type,
                            const QVariantList& args = QVariantList(),
                            const QString& section = QString(),
                            DialogButtons buttons = DialogButton::OK);

    // A window's section of the current file, for translating the window.
    LanguageEntries ReadSection(const QString& section) const;
    // Escapes and references applied to a value found in the file.
    QString Expand(const QString& value) const;

private:
    struct Language {
        QString file;    // without the prefix, e.g. "English.lng"
        QString display; // its "Language" constant
    };

    void scan();
    void loadFile(const QString& name);
    QString folder() const;
    QString expand(const QString& value, int depth) const;
    QString constant(const QString& key, const QString& def, int depth) const;
    QString value(const QString& section, const QString& key) const;
    DialogButton present(const DialogRequest& request);

    QString prefix_;
    QString current_;
    LanguageEntries constants_;
    QList<Language> languages_;
    DialogPresenter* presenter_;
    LogDialogPresenter fallbackPresenter_;
};
