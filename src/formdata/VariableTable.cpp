#include "formdata/VariableTable.h"

#include <QStringBuilder>

VariableTable::VariableTable(QObject* parent) : QObject(parent), m_grid(this), m_list(this) {}

void VariableTable::Clear()
{
    m_variables.clear();
}

void VariableTable::reset()
{
    m_variables.clear();
    m_definitions.clear();
}

void VariableTable::AddName(const QString& formName)
{
    const qsizetype k = m_variables.size(); // the new variable's index from 0
    if (k >= m_definitions.size()) {
        m_definitions.append({formName, formName});
        m_variables.append({formName, formName, QString()});
    } else if (m_definitions[k].formName == formName) {
        m_variables.append({formName, m_definitions[k].friendlyName, QString()});
    } else {
        // The field at this position changed, so its friendly name no longer applies.
        m_definitions[k] = {formName, formName};
        m_variables.append({formName, formName, QString()});
    }
}

void VariableTable::SetLastValue(const QString& value)
{
    if (!m_variables.isEmpty())
        m_variables.last().value = value;
}

void VariableTable::FinishSubmission()
{
    if (m_definitions.size() > m_variables.size())
        m_definitions.resize(m_variables.size());
}

void VariableTable::ResetToDefinitions()
{
    m_variables.clear();
    m_variables.reserve(m_definitions.size());
    for (const VariableDefinition& d : std::as_const(m_definitions))
        m_variables.append({d.formName, d.friendlyName, QString()});
    ShowInGrid();
}

bool VariableTable::SetFriendlyName(const QString& formName, const QString& friendlyName)
{
    for (qsizetype k = 0; k < m_variables.size(); ++k) {
        if (m_variables[k].formName != formName)
            continue;
        m_variables[k].friendlyName = friendlyName;
        // After a failed template load there may be no definition here yet: the missing ones
        // are added up to this position, so the names stay paired by position.
        while (m_definitions.size() <= k) {
            const FormVariable& v = m_variables[m_definitions.size()];
            m_definitions.append({v.formName, v.friendlyName});
        }
        m_definitions[k].friendlyName = friendlyName;
        return true;
    }
    return false;
}

void VariableTable::ShowInGrid()
{
    m_grid.setRows(m_variables);
}

QString VariableTable::listItem(const FormVariable& v)
{
    return v.formName % QLatin1String(" [") % v.friendlyName % QLatin1Char(']');
}

void VariableTable::ShowInList()
{
    QStringList items;
    items.reserve(m_variables.size());
    for (const FormVariable& v : std::as_const(m_variables))
        items << listItem(v);
    m_list.setStringList(items);
}

bool VariableTable::SetGridFriendlyName(const QString& formName, const QString& friendlyName)
{
    return m_grid.setFriendlyName(formName, friendlyName);
}
