#pragma once

#include <QString>
#include <optional>

// A folder is usable for submission files when it can be made the program's current directory.
// A folder that passes stays current; nothing reads files relative to the current directory.
namespace FolderCheck {

// The folder as an absolute path (a relative one is resolved against the current directory
// first, so that it still names the same folder afterwards); nullopt when it cannot be entered.
std::optional<QString> enter(const QString& folder);

} // namespace FolderCheck
