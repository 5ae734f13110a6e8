#include "ScriptedDialogs.h"

#include <QCoreApplication>

Dialogs::Answer ScriptedDialogs::messageBox(const QString& text, Icon, Buttons buttons, const QString&)
{
    if (onMessageBox)
        onMessageBox(text);
    m_shown.append({Kind::Message, text, {}, {}});
    if (!m_answers.empty() && m_answers.front().typeId() == QMetaType::Int) {
        const auto a = Answer(m_answers.front().toInt());
        m_answers.pop_front();
        return a;
    }
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

std::optional<QString> ScriptedDialogs::takeText()
{
    if (m_answers.empty() || m_answers.front().typeId() == QMetaType::Int)
        return std::nullopt;
    QVariant v = m_answers.front();
    m_answers.pop_front();
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& prompt, const QString&, const QString& defaultText)
{
    if (onInputBox)
        onInputBox();
    m_shown.append({Kind::Input, prompt, defaultText, {}});
    return takeText();
}

std::optional<QString> ScriptedDialogs::fileName(Kind kind, const FileRequest& request)
{
    m_shown.append({kind, request.title, {}, request});
    return takeText();
}

std::optional<QString> ScriptedDialogs::saveFileName(const FileRequest& request)
{
    auto name = fileName(Kind::Save, request);
    // The real dialog adds the default extension to a name typed without one.
    if (name && !name->isEmpty() && !request.defaultExtension.isEmpty() &&
        !name->section(QLatin1Char('/'), -1).contains(QLatin1Char('.')))
        *name += request.defaultExtension;
    return name;
}

void ScriptedDialogs::processEvents()
{
    QCoreApplication::processEvents();
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const auto& s : m_shown)
        if (s.kind == Kind::Message)
            out << s.text;
    return out;
}
