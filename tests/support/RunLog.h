#pragma once

#include <QString>
#include <QStringList>

// The event log of processing runs as a test compares it: one entry per line, and the two
// dated lines with their date and time checked and replaced by "<time>".
namespace RunLog {

inline const QString Opening = QString(37, QLatin1Char('-'));
inline const QString Closing = QString(37, QLatin1Char('='));

QStringList lines(const QString& logText);

// The lines a run writes before its first item, and after its last one, given the summary.
QStringList opening();
QStringList completion(const QStringList& summary);
QStringList summary(const char* processed, const char* ok, const char* ignored, const char* errors);

// Of the last run in the lines: what stands between its opening and its completion, and its
// four summary lines.
QStringList items(const QStringList& lines);
QStringList summaryOf(const QStringList& lines);

} // namespace RunLog
