#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Results of CreateFileName.
constexpr int FILE_CREATED = 0;
constexpr int FILE_FOLDER_FAILED = 1;
constexpr int FILE_DELETE_FAILED = 2;
constexpr int FILE_CREATE_FAILED = 3;

// Creates every missing folder of the path, replaces an existing file by a new empty
// one unless this process has it open for recording (FILE_DELETE_FAILED then). On
// FILE_FOLDER_FAILED *failedPath is the folder that could not be made.
int CreateFileName(const QString& fileName, QString* failedPath);

// The 128-byte tag appended to a closed recording: start and end time, station name,
// date, the closing year, "QV Tidewell", and the hour + 1 as the track number. Texts are in the
// locale's legacy code page, cut to their fields and zero-padded.
QByteArray WriteTag(const QDateTime& fileStart, const QDateTime& closing, const QString& name);
