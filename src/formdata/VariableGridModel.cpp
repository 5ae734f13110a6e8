#include "formdata/VariableGridModel.h"

int VariableGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int VariableGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString VariableGridModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const FormVariable& v = m_rows[row];
    switch (column) {
    case FormNameColumn: return v.formName;
    case FriendlyNameColumn: return v.friendlyName;
    case ValueColumn: return v.value;
    default: return {};
    }
}

QVariant VariableGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.row(), index.column());
}

QVariant VariableGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case FormNameColumn: return QStringLiteral("Form Name");
    case FriendlyNameColumn: return QStringLiteral("Friendly Name");
    case ValueColumn: return QStringLiteral("Submitted Value");
    default: return {};
    }
}

void VariableGridModel::setRows(const QList<FormVariable>& rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

bool VariableGridModel::setFriendlyName(const QString& formName, const QString& friendlyName)
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].formName == formName) {
            m_rows[r].friendlyName = friendlyName;
            const QModelIndex i = index(r, FriendlyNameColumn);
            emit dataChanged(i, i);
            return true;
        }
    }
    return false;
}
