#pragma once

#include "settings/IniDocument.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// One retention pass over the saved-files list in memory. An entry goes when its path
// was listed again later (the file now holds a newer recording), or once it is older
// than its station's days and its file is gone or deleted. A file whose contents are
// newer than its entry says is not the listed recording and stays, as does a file this
// process is recording into.
class RetentionPass {
public:
    // daysOf(number) gives the station's SaveFiles days, or -1 when no station has that number.
    RetentionPass(std::function<int(int number)> daysOf, const QDateTime& now, QString root);

    // The lines of the entries that go, their files deleted.
    QList<qsizetype> Run(const IniDocument& doc);

private:
    qint64 cutoff(int days);
    bool removeAged(const QString& key, const QString& path, int days) const;

    std::function<int(int)> daysOf_;
    QDateTime now_;
    QString root_;
    QHash<int, qint64> cutoffs_; // by days
};

// A list key ("YYMMDD_HHNNSS") as the number YYMMDDHHNNSS, which orders like the times it
// stands for; -1 when the key is no opening time.
qint64 KeyStamp(QByteArrayView key);
