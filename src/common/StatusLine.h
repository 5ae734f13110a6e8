#pragma once

#include <QObject>
#include <QString>

// The one line of text at the bottom of the main window.
class StatusLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void ShowStatus(const QString& text)
    {
        m_text = text;
        emit changed(m_text);
    }
    const QString& text() const { return m_text; }

signals:
    void changed(const QString& text);

private:
    QString m_text;
};
