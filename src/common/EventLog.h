#pragma once

#include <QObject>
#include <QString>

// The running account of processing. Lines are separated by CR LF and the separator stands
// before every line, so the text starts with a line break and never ends with one. The text
// grows in place, so a long log costs no more per line than a short one.
class EventLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void AppendLine(const QString& line);
    const QString& text() const { return m_text; }
    int lineCount() const { return m_lines; }

signals:
    // The pane appends the same line to what it shows.
    void lineAppended(const QString& line);

private:
    QString m_text;
    int m_lines = 0;
};
