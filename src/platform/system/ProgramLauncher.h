#pragma once

#include <QString>

// Starting other programs.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    // Starts the program in a normal window of its own; false when it could not be started.
    virtual bool start(const QString& program) = 0;
    // The full path of a program found on the PATH; empty when there is none.
    virtual QString findOnPath(const QString& name) = 0;
};
