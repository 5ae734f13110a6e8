#pragma once

#include <QString>
#include <optional>

// Read access to the system registry, for finding the System Information tool.
class Registry
{
public:
    enum class Root
    {
        LocalMachine,
        CurrentUser
    };

    virtual ~Registry() = default;
    // The text of one value; nullopt when the key or the value cannot be read. A value that is
    // not a string gives a text that is no usable path.
    virtual std::optional<QString> GetKeyValue(Root root, const QString& keyName,
                                               const QString& valueName) = 0;
};
