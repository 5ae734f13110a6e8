#pragma once

#include "platform/system/Registry.h"

// The Windows registry; elsewhere a registry that holds nothing.
class SystemRegistry : public Registry
{
public:
    std::optional<QString> GetKeyValue(Root root, const QString& keyName,
                                       const QString& valueName) override;
};
