#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// One plain-text message as it goes to the mail server.
struct MailMessage {
    QString FromAddress;
    QString FromName;
    QStringList To; // shown in the header; blind copies go only into the envelope
    QString Subject;
    QStringList Body; // lines
    QDateTime Date;
};

// The addresses of a list separated by "," or ";".
QStringList SplitAddresses(const QString& list);
// RFC 2047 "B" encoded words of the text in the charset, each short enough for a
// header line; plain ASCII stays as it is. Line breaks never reach the header.
QByteArray IdMessageInitializeISO(const QString& text, const QByteArray& charset);
// The whole message: headers, then the body in the charset, base64 encoded.
QByteArray ComposeMessage(const MailMessage& message, const QByteArray& charset);
