#pragma once

#include "notify/EventLog.h"
#include "station/TStation.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <vector>

class StationEngine;

// What the pages show of one station, copied on the main thread.
struct StationSnapshot {
    QString Name, URL, FileDir, Driver;
    quint8 RecState = 0, LinkState = 0;
    bool FileOpen = false;
    QString FileName;
    tErrorLst Status;
    int OneDayCount = 0;
    bool RecordEnabled = false; // the record button
    QString InFreq, InBitrate, InCh, OutFreq, OutBitrate, OutCh;
    QString LStation, LTitle;
};

// Everything the status pages show, as the main tick last left it. Immutable once
// published, so the server's threads read it without locks.
struct WebSnapshot {
    QString NowText, StartText; // ShownTime
    qint64 UpSeconds = 0;
    QString VersionText;
    quint64 FreeBytes = 0;
    int HTTPRefresh = 0;
    bool HTTPEnableClear = true;
    QString HTTPUser, HTTPPass;
    std::vector<StationSnapshot> Stations; // in index order
    QList<EventLogEntry> Events;           // oldest first
};

StationSnapshot SnapshotOf(StationEngine& station, const QDateTime& now);
