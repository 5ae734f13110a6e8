#pragma once

#include <QList>
#include <QObject>
#include <QStringListModel>

#include "formdata/FormVariable.h"
#include "formdata/VariableGridModel.h"

// The form variables of the submission in hand, and the definitions (form name and friendly
// name by position) that a template brings and every decoded submission adjusts. Positions
// count from 1. The grid and the list show copies taken by ShowInGrid and ShowInList.
class VariableTable : public QObject
{
    Q_OBJECT
public:
    explicit VariableTable(QObject* parent = nullptr);

    // Table operations.
    void Clear();
    void AddName(const QString& formName);
    void SetLastValue(const QString& value);
    void FinishSubmission();
    void ResetToDefinitions();
    bool SetFriendlyName(const QString& formName, const QString& friendlyName);

    int count() const { return int(m_variables.size()); }
    const FormVariable& at(int position) const { return m_variables[position - 1]; }
    const QList<FormVariable>& variables() const { return m_variables; }

    const QList<VariableDefinition>& definitions() const { return m_definitions; }
    void clearDefinitions() { m_definitions.clear(); }
    void appendDefinition(const VariableDefinition& d) { m_definitions.append(d); }
    // Both lists empty, as at start-up.
    void reset();

    // Display operations.
    void ShowInGrid();
    void ShowInList();
    bool SetGridFriendlyName(const QString& formName, const QString& friendlyName);

    VariableGridModel* gridModel() { return &m_grid; }
    QStringListModel* listModel() { return &m_list; }
    static QString listItem(const FormVariable& v);

private:
    QList<FormVariable> m_variables;
    QList<VariableDefinition> m_definitions;
    VariableGridModel m_grid;
    QStringListModel m_list;
};
