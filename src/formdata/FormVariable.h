#pragma once

#include <QString>

// A friendly name may be unset (a null QString, as read from an empty line of a template file)
// or set to nothing (an empty QString); both mean "no friendly name" everywhere but in the file.
struct FormVariable
{
    QString formName;
    QString friendlyName;
    QString value;
};

struct VariableDefinition
{
    QString formName;
    QString friendlyName;
};
