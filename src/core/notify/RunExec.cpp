#include "notify/RunExec.h"

#include "base/Logging.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

bool RunExec(const QString& command) {
    QString text = command.trimmed();
    if (text.isEmpty())
        return false;
    if (text.startsWith(u'"'))
        text.remove(u'"');
    const QFileInfo target(text);
    const QString folder = target.absolutePath();
    bool started = false;
    if (target.isFile() && target.isExecutable()) {
        started = QProcess::startDetached(target.absoluteFilePath(), {}, folder);
    } else if (target.exists() || QUrl(text).scheme().size() > 1) {
        started = QProcess::startDetached(QStringLiteral("xdg-open"), {text}, folder);
    } else {
        QStringList words = QProcess::splitCommand(text);
        const QString program =
            words.isEmpty() ? QString() : QStandardPaths::findExecutable(words.takeFirst());
        if (!program.isEmpty())
            started = QProcess::startDetached(program, words, QFileInfo(program).absolutePath());
    }
    if (!started)
        qCWarning(lcShell).noquote() << "Could not run the event command" << text;
    return started;
}

bool OpenFolder(const QString& folder) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
}
