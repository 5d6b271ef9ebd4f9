#include "settings/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

bool IniFile::save(const IniDocument& doc) const {
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = doc.serialize();
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
