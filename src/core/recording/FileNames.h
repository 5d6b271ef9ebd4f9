#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The file-name template language: d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn,
// s ss, z zzz (letters in any case), quoted text copied as is, and an m or mm right
// after an h token (the nearest letter outside quotes) giving minutes; c, t, tt,
// am/pm, a/p, ampm, / and : follow the locale. Names come from the locale.
QString FormatFileTemplate(const QString& tmpl, const QDateTime& time,
                           const QLocale& locale = QLocale());

// Root + formatted template + ".MP3", every "RR" of the template part replaced by the
// station's folder; "\" and "/" both separate folders, written as "/" with doubles
// folded. An empty root means "Record" in the program's folder.
QString RecordingFileName(const QString& root, const QString& programDir, const QString& tmpl,
                          const QString& fileDir, const QDateTime& time);

// The root of all recordings, "/"-separated, without a trailing separator.
QString RecordingRoot(const QString& root, const QString& programDir);

// The name shown for a recording: the path below the root, starting with "/".
QString RecordingDisplayName(const QString& fileName, const QString& recordingRoot);

// The template preview: "\" + formatted template + ".MP3", "RR" shown as
// "{name radio}".
QString TemplatePreview(const QString& tmpl, const QDateTime& time);
