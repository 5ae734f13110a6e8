#pragma once

#include <QString>

namespace ProgramFolder {

// The folder that holds FORM.INI, FORM.MDB and FORM.RPT: the folder of the executable for a
// build tree or a portable copy the user can write; for an installed copy (one whose shipped
// data folder holds FORM.MDB), whatever its prefix, the per-user folder (see userFolder).
QString path();
QString path(const QString& executableFolder, const QString& userDataFolder);

// The per-user program folder of an installed copy: "Brevane" in the user's data folder. The
// start that creates it copies the shipped empty FORM.MDB and FORM.RPT into it; later starts
// leave it alone, so a database the user deletes stays missing.
QString userFolder(const QString& userDataFolder, const QString& shippedDataFolder);

// Where an installed copy keeps the files it ships, relative to the executable's folder.
QString shippedDataFolder(const QString& executableFolder);

// Joins a folder and a file name with exactly one separator between them.
QString join(const QString& folder, const QString& name);

// The platform's folder separator ("/" here, "\" on Windows).
QChar separator();

// Built-in default of the submission folder: the root of the file system.
QString defaultLocalPath();

} // namespace ProgramFolder
