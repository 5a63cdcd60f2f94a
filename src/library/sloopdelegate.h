#pragma once

#include <QItemDelegate>
#include <QPointer>
#include <QStringList>

class STableView;

// Draws the rating stars of a loop view and sets the rating by a click on them;
// edits Genre with a list of genres and Name with the name rule.
class SLoopDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit SLoopDelegate(STableView* view);

    // Genres offered by the Genre editor, in order.
    static const QStringList& genres();
    // Names of loops and LoopLists: letters, digits, blank and ~`!@#$%^&()[]{}-_,.; up to 30.
    static const QString namePattern;

    // Rating for a click dx pixels right of the cell's left edge, with one star
    // starWidth pixels wide: the left half of a star counts as the star before it.
    static int ratingForClick(int dx, int starWidth);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QPointer<STableView> m_view;
};
