#include "design/ReplyTemplate.h"

#include "common/SafeSave.h"
#include "design/TemplateFile.h"
#include "formdata/VariableTable.h"
#include "settings/SystemSettings.h"

#include <QFile>

ReplyTemplate::ReplyTemplate(VariableTable& variables, SystemSettings& settings, QObject* parent)
    : QObject(parent), m_variables(variables), m_settings(settings)
{
}

void ReplyTemplate::setDesignText(const QString& text)
{
    if (text == m_design)
        return;
    m_design = text;
    emit designTextChanged(m_design);
}

void ReplyTemplate::editDesignText(const QString& text)
{
    if (text == m_design)
        return;
    setDesignText(text);
    setChanged(true);
}

void ReplyTemplate::setPreviewText(const QString& text)
{
    // A run merges every submission twice (before its log line and again for the reply); the
    // second merge gives the same text, and the pane need not be filled again.
    if (text != m_preview) {
        m_preview = text;
        emit previewTextChanged(m_preview);
    }
    setChanged(true);
}

QString ReplyTemplate::marker(const QString& formName)
{
    return QStringLiteral("<<") + formName + QStringLiteral(">>");
}

QString ReplyTemplate::merged(const QString& design, const VariableTable& variables,
                              const QString& friendlySuffix)
{
    QString text = design;
    for (const FormVariable& v : variables.variables()) {
        const QString mark = marker(v.formName);
        const QString replacement =
            v.friendlyName.isEmpty() ? v.value : v.friendlyName + friendlySuffix + v.value;
        // The search goes on after the inserted text, so a value holding its own marker is
        // replaced once instead of forever; markers of later rows inside a value still are.
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = text.indexOf(mark, from);
            if (at < 0)
                break;
            text.replace(at, mark.size(), replacement);
            from = at + replacement.size();
        }
    }
    return text;
}

void ReplyTemplate::MergeReplyPreview()
{
    setPreviewText(merged(m_design, m_variables, m_settings.friendlyReplySuffix()));
}

bool ReplyTemplate::LoadTemplate(const QString& fileName)
{
    m_variables.clearDefinitions();
    QByteArray bytes;
    {
        QFile file(fileName);
        if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
            return false;
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
    }
    TemplateFile reader(bytes);
    const std::optional<QString> design = reader.readField();
    if (!design)
        return false; // an empty file leaves the design as it was
    setDesignText(*design);
    while (!reader.atEnd()) {
        const QString formName = *reader.readField();
        const std::optional<QString> friendlyName = reader.readField();
        if (!friendlyName) {
            m_variables.appendDefinition({formName, QString()});
            return false;
        }
        m_variables.appendDefinition({formName, *friendlyName});
    }
    m_variables.ResetToDefinitions();
    m_variables.ShowInList();
    setPath(fileName);
    return true;
}

bool ReplyTemplate::SaveTemplate(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    if (!SafeSave::write(fileName, TemplateFile::encode(m_design, m_variables.variables())))
        return false;
    setChanged(false);
    return true;
}
