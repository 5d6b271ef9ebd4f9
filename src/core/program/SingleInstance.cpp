#include "program/SingleInstance.h"

#include "base/Logging.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalSocket>

SingleInstance::SingleInstance(const QString& settingsFile, QObject* parent)
    : QObject(parent), settingsFile_(settingsFile), key_(KeyFor(settingsFile)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            Q_EMIT activationRequested();
        }
    });
}

QString SingleInstance::KeyFor(const QString& settingsFile) {
    const QByteArray path = QFileInfo(settingsFile).absoluteFilePath().toUtf8();
    return QStringLiteral("tidewell-") +
           QString::fromLatin1(
               QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstance::Claim() {
    QLocalSocket other;
    other.connectToServer(key_);
    if (other.waitForConnected(500)) {
        other.write("raise\n");
        other.waitForBytesWritten(500);
        other.disconnectFromServer();
        qCInfo(lcShell).noquote() << "Tidewell already runs with" << settingsFile_
                                  << "- the running one was asked to show its window";
        return false;
    }
    // A socket left by a program that crashed would block listening.
    QLocalServer::removeServer(key_);
    return server_.listen(key_);
}
