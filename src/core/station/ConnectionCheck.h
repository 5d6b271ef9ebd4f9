#pragma once

#include "station/BarImage.h"

#include <QDateTime>
#include <QString>

struct TStation;
struct tErrorLst;

enum class ConnectionEvent { None, Lost, Restored };

// The connection detector of one tick: time not online adds up, time online counts
// it back down; reaching the station's Connect seconds declares the connection
// lost, and once lost the same time online declares it restored. Also turns state
// Error back into Connect when the retry time has come.
ConnectionEvent Check_Connection(TStation& st, quint64 now);
// The connection bar of an image of the given width.
BarImage ConnectionBar(const TStation& st, int imageWidth);

// Appends to the station's error list, which keeps the newest 64 entries.
void ErrorListAdd(tErrorLst& status, const QString& text,
                  const QDateTime& now = QDateTime::currentDateTime());
// Entries of the last 24 hours.
int GetOneDayCount(const tErrorLst& status, const QDateTime& now = QDateTime::currentDateTime());
