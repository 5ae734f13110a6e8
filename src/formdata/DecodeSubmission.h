#pragma once

#include <QString>

class VariableTable;
class EventLog;

// The values are part of the interface: callers compare with 0, 1 and 2.
enum class DecodeResult { ParseError = 0, Ignored = 1, Decoded = 2 };

// Reads one mailto form submission (name=value pairs joined by "&", URL-encoded) into the table.
// Refuses files that are empty or larger than maxLength bytes (0 switches the size limit off,
// a negative limit decodes every file, an empty one included) and accounts for what it refused
// in the event log.
DecodeResult DecodeSubmission(const QString& path, const QString& itemName, int maxLength,
                              VariableTable& table, EventLog& log);
