#include "library/sloopdelegate.h"

#include "library/ssqltablemodel.h"
#include "library/stableview.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QRegularExpressionValidator>

namespace {
QPixmap image(const QString& path)
{
    QPixmap pixmap;
    if (!QPixmapCache::find(path, &pixmap)) {
        pixmap.load(path);
        QPixmapCache::insert(path, pixmap);
    }
    return pixmap;
}

const QString kStarEmptySlot = QStringLiteral(":/images/Content/star_db.png");
const QString kStarOne = QStringLiteral(":/images/Content/star_nn.png");
const QString kStarRating = QStringLiteral(":/images/Content/star_r%1.png");

bool isRatingColumn(const QModelIndex& index)
{
    return index.isValid() && index.column() == SSqlTableModel::ratingColumn;
}

QSqlRecord recordOf(const QModelIndex& index)
{
    if (auto* model = qobject_cast<const QSqlTableModel*>(index.model()))
        return model->record(index.row());
    return QSqlRecord();
}
} // namespace

const QString SLoopDelegate::namePattern =
    QStringLiteral("^[A-Za-z0-9 ~`!@#\\$%\\^&()\\[\\]\\{\\}\\-_,.;]{0,30}$");

SLoopDelegate::SLoopDelegate(STableView* view) : QItemDelegate(view), m_view(view) {}

const QStringList& SLoopDelegate::genres()
{
    static const QStringList list {
        QStringLiteral("Unspecified"), QStringLiteral("Alternative"), QStringLiteral("Blues"),
        QStringLiteral("Country"),     QStringLiteral("Folk"),        QStringLiteral("Funk"),
        QStringLiteral("Fusion"),      QStringLiteral("Hip Hop"),     QStringLiteral("Jazz"),
        QStringLiteral("Latin"),       QStringLiteral("Metal"),       QStringLiteral("New Age"),
        QStringLiteral("Rock"),        QStringLiteral("Pop"),         QStringLiteral("R&B"),
        QStringLiteral("Techno"),
    };
    return list;
}

int SLoopDelegate::ratingForClick(int dx, int starWidth)
{
    if (starWidth <= 0)
        return 0;
    return qBound(0, (starWidth / 2 + dx) / starWidth, 5);
}

void SLoopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;
    if (!isRatingColumn(index)) {
        QItemDelegate::paint(painter, opt, index);
        return;
    }
    if (opt.state & QStyle::State_Selected) {
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                                : QPalette::Inactive;
        painter->fillRect(opt.rect, opt.palette.brush(group, QPalette::Highlight));
    }
    const QSqlRecord row = recordOf(index);
    const bool emptySlot = !SSqlTableModel::isLibraryRow(row) && !SSqlTableModel::isValidRow(row);
    const QPixmap stars = emptySlot ? image(kStarEmptySlot)
                                    : image(kStarRating.arg(qBound(0, index.data(Qt::DisplayRole).toInt(), 5)));
    if (stars.isNull())
        return;
    const int y = opt.rect.top() + opt.rect.height() / 2 - stars.height() / 2;
    painter->drawPixmap(opt.rect.left(), y, stars);
}

QSize SLoopDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize();
}

bool SLoopDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonPress && isRatingColumn(index)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int x = mouse->position().toPoint().x();
        const int left = option.rect.left();
        if (mouse->button() == Qt::LeftButton && x > left && x < left + image(kStarRating.arg(0)).width()) {
            const int rating = ratingForClick(x - left, image(kStarOne).width());
            model->setData(index, rating, Qt::EditRole);
            if (auto* table = qobject_cast<QSqlTableModel*>(model))
                table->selectRow(index.row());
        }
    }
    return QItemDelegate::editorEvent(event, model, option, index);
}

QWidget* SLoopDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    if (index.column() == SSqlTableModel::genreColumn) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("SLoopDelegateComboBoxGenre"));
        combo->setFrame(false);
        combo->addItems(genres());
        combo->setMaxVisibleItems(16);
        return combo;
    }
    if (index.column() == SSqlTableModel::nameColumn) {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("SLoopDelegateLineEditName"));
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(namePattern), edit));
        return edit;
    }
    return QItemDelegate::createEditor(parent, option, index);
}

void SLoopDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (index.column() == SSqlTableModel::genreColumn) {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            const int item = combo->findText(index.data(Qt::DisplayRole).toString(),
                                             Qt::MatchExactly | Qt::MatchCaseSensitive);
            combo->setCurrentIndex(item < 0 ? 0 : item);
            return;
        }
    }
    QItemDelegate::setEditorData(editor, index);
}

void SLoopDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (index.column() == SSqlTableModel::genreColumn) {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, combo->currentText(), Qt::EditRole);
            return;
        }
    }
    if (index.column() == SSqlTableModel::nameColumn) {
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            // A loop always has a name.
            if (!edit->text().isEmpty())
                model->setData(index, edit->text(), Qt::EditRole);
            return;
        }
    }
    QItemDelegate::setModelData(editor, model, index);
}
