#pragma once

#include <Qt>

// How the content view last showed a source (a LoopList or a device memory):
// its sort column and order and the selected row, restored when it is shown again.
class SRememberedView
{
public:
    int sortColumn() const { return m_sortColumn; }
    void setSortColumn(int column) { m_sortColumn = column; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(Qt::SortOrder order) { m_sortOrder = order; }
    int selectedRow() const { return m_selectedRow; }
    void setSelectedRow(int row) { m_selectedRow = row; }

private:
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    int m_selectedRow = 0;
};
