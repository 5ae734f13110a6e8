#include "common/EventLog.h"

void EventLog::AppendLine(const QString& line)
{
    m_text += QLatin1String("\r\n");
    m_text += line;
    ++m_lines;
    emit lineAppended(line);
}
