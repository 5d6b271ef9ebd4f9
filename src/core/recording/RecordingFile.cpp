#include "recording/RecordingFile.h"

#include "lang/Charset.h"
#include "recording/OpenRecordings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

int makeFolders(const QString& fileName, QString* failedPath) {
    for (qsizetype slash = fileName.indexOf(u'/', 1); slash > 0;
         slash = fileName.indexOf(u'/', slash + 1)) {
        const QString folder = fileName.left(slash + 1);
        if (!QDir(folder).exists() && !QDir().mkdir(folder)) {
            *failedPath = folder;
            return FILE_FOLDER_FAILED;
        }
    }
    return FILE_CREATED;
}

// Under the registry's lock, so that retention never deletes a file between its check
// and its removal that was replaced in between.
int replaceFile(const QString& fileName) {
    return OpenRecordings::Locked([&] {
        QFile file(fileName);
        if (file.exists()) {
            // Another station's recording in progress (the same file under another spelling).
            if (OpenRecordings::Holds(fileName))
                return FILE_DELETE_FAILED;
            // A read-only file is made writable first, so that it can be replaced.
            file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
            if (!file.remove())
                return FILE_DELETE_FAILED;
        }
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return FILE_CREATE_FAILED;
        file.close();
        return FILE_CREATED;
    });
}

} // namespace

int CreateFileName(const QString& fileName, QString* failedPath) {
    // The empty-folder sweep runs on another thread: a folder made here may be gone again
    // before the file is in it, so the folders are made anew then.
    int result = FILE_CREATED;
    for (int attempt = 0; attempt < 3; ++attempt) {
        result = makeFolders(fileName, failedPath);
        if (result == FILE_CREATED)
            result = replaceFile(fileName);
        if (result != FILE_CREATE_FAILED || QFileInfo(fileName).dir().exists())
            return result;
    }
    return result;
}

QByteArray WriteTag(const QDateTime& fileStart, const QDateTime& closing, const QString& name) {
    QByteArray tag(128, '\0');
    auto field = [&](int offset, int width, const QString& text) {
        QByteArray bytes;
        if (!Charset::Encode(
                text, (QByteArray(Charset::LegacyCodePage()) + "//TRANSLIT").constData(), &bytes))
            bytes = text.toLatin1();
        tag.replace(offset, std::min<qsizetype>(width, bytes.size()), bytes.left(width));
    };
    const QString times = fileStart.toString(QStringLiteral("HH:mm:ss")) + u'-' +
                          closing.toString(QStringLiteral("HH:mm:ss"));
    field(0, 3, QStringLiteral("TAG"));
    field(3, 30, times);
    field(33, 30, name);
    field(63, 30, fileStart.toString(QStringLiteral("yyyy.MM.dd")));
    field(93, 4, QString::number(closing.date().year()).rightJustified(4, u'0'));
    field(97, 28, QStringLiteral("QV Tidewell"));
    tag[126] = char(fileStart.time().hour() + 1);
    tag[127] = char(255);
    return tag;
}
