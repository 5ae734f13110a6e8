#pragma once

#include <QString>

namespace ProgramFolder {

// The folder that holds FORM.INI, FORM.MDB and FORM.RPT: the folder of the executable.
QString path();

// Joins a folder and a file name with exactly one separator between them.
QString join(const QString& folder, const QString& name);

// The platform's folder separator ("/" here, "\" on Windows).
QChar separator();

// Built-in default of the submission folder: the root of the file system.
QString defaultLocalPath();

} // namespace ProgramFolder
