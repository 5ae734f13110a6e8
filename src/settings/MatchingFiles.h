#pragma once

#include <QString>
#include <QStringList>

// The files of a folder that a ";"-separated list of wildcard patterns selects, as the settings
// window's file list shows them and as a run over a folder processes them. Only "*" and "?" are
// wildcards; letter case is ignored, and a pattern ending in ".*" also takes names without a dot.
namespace MatchingFiles {

// True when every ";"-separated part is a non-blank pattern that could name a file: no folder
// separator (and on Windows none of the characters file names may not hold).
bool isValidFilter(const QString& filter);

// Regular, visible files of the folder whose names match the filter, sorted by name without
// regard to letter case. Empty when the folder cannot be read or the filter is not valid.
QStringList list(const QString& folder, const QString& filter);

// True when the name matches one of the filter's patterns (the filter must be valid).
bool matches(const QString& fileName, const QString& filter);

} // namespace MatchingFiles
