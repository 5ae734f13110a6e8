#pragma once

#include "platform/system/ProgramLauncher.h"

// Starts programs as detached processes, so they outlive this one.
class ProcessLauncher : public ProgramLauncher
{
public:
    bool start(const QString& program) override;
    QString findOnPath(const QString& name) override;
};
