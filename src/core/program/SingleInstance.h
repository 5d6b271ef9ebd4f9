#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running program per settings file, desktop or headless: the first one listens on
// a local socket named after the file; a later start asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsFile, QObject* parent = nullptr);

    // True when this is the only one (and now listening); false when another program
    // was found, asked to come forward, and the log says so.
    bool Claim();
    static QString KeyFor(const QString& settingsFile);

Q_SIGNALS:
    void activationRequested();

private:
    QString settingsFile_;
    QString key_;
    QLocalServer server_;
};
