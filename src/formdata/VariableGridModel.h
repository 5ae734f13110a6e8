#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <array>

#include "formdata/FormVariable.h"

// What the grid shows: a copy of the variables taken at the last ShowInGrid, so that the grid
// and the table may differ in between, as they do while a submission is being decoded.
class VariableGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FormNameColumn, FriendlyNameColumn, ValueColumn, ColumnCount };
    // Column widths in twips; only their proportions matter.
    static constexpr std::array<int, ColumnCount> ColumnTwips{1000, 1000, 3535};

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setRows(const QList<FormVariable>& rows);
    // Changes the friendly name of the first row (from the top) holding the form name.
    bool setFriendlyName(const QString& formName, const QString& friendlyName);
    QString cell(int row, int column) const; // row from 0

private:
    QList<FormVariable> m_rows;
};
