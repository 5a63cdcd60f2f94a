#pragma once

#include <QStyledItemDelegate>

// The delegate of a loop view before it shows a source: the styled look without a focus frame.
class StyledItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
