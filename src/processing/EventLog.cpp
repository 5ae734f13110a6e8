#include "processing/EventLog.h"

void EventLog::AppendLine(const QString& line)
{
    m_text.reserve(m_text.size() + line.size() + 2);
    m_text += QLatin1String("\r\n");
    m_text += line;
    ++m_lines;
    emit lineAppended(line);
}
