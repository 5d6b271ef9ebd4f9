#include "settings/IniFile.h"

#include "base/Logging.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

IniDocument IniFile::load(bool* readable) const {
    QFile file(path_);
    bool ok = !file.exists();
    QByteArray data;
    if (file.open(QIODevice::ReadOnly)) {
        data = file.readAll();
        ok = file.error() == QFileDevice::NoError;
    }
    if (readable)
        *readable = ok;
    return IniDocument::parse(data);
}

namespace {

// As root the new file would belong to root: it takes the owner and group of the old one.
void keepOwner(const QString& path, int fd) {
    struct stat st {};
    if (::geteuid() == 0 && ::stat(QFile::encodeName(path).constData(), &st) == 0)
        (void)::fchown(fd, st.st_uid, st.st_gid);
}

// Makes a rename in the folder last through a power cut.
void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeInPlace(const QString& path, const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size() && file.flush() && ::fsync(file.handle()) == 0;
}

bool replace(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // No temporary file in a folder that is not writable: the file may still be.
        const QFileInfo info(path);
        return info.isFile() && info.isWritable() && writeInPlace(path, data);
    }
    keepOwner(path, file.handle());
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    syncFolder(path);
    return true;
}

} // namespace

bool IniFile::save(const IniDocument& doc) const {
    if (replace(path_, doc.serialize()))
        return true;
    qCWarning(lcFiles).noquote() << "Could not save" << path_;
    return false;
}

bool IniFile::edit(const std::function<void(IniDocument&)>& change) const {
    bool readable = true;
    IniDocument doc = load(&readable);
    if (!readable)
        return false;
    change(doc);
    return save(doc);
}

bool IniFile::eraseSection(const QString& section) const {
    return edit([&](IniDocument& doc) { doc.eraseSection(section); });
}
