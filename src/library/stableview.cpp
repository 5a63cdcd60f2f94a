#include "library/stableview.h"

#include "core/slog.h"
#include "library/sloopdrag.h"
#include "library/ssqltablemodel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
// Column menu entries: the shown text is translated, the field name is not.
const char* const kMenuColumns[] = {
    QT_TRANSLATE_NOOP("STableView", "Length"),      QT_TRANSLATE_NOOP("STableView", "Rating"),
    QT_TRANSLATE_NOOP("STableView", "Description"), QT_TRANSLATE_NOOP("STableView", "Artist"),
    QT_TRANSLATE_NOOP("STableView", "Genre"),       QT_TRANSLATE_NOOP("STableView", "Tags"),
};

QSqlRecord recordAt(const QAbstractItemModel* model, int row)
{
    if (auto* table = qobject_cast<const QSqlTableModel*>(model))
        return table->record(row);
    if (auto* query = qobject_cast<const QSqlQueryModel*>(model))
        return query->record(row);
    return QSqlRecord();
}

int fieldColumn(const QAbstractItemModel* model, const QString& field)
{
    if (auto* query = qobject_cast<const QSqlQueryModel*>(model))
        return query->record().indexOf(field);
    return -1;
}
} // namespace

STableView::STableView(QWidget* parent) : QTableView(parent)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_MouseTracking);
    viewport()->setAttribute(Qt::WA_MouseTracking);
    viewport()->setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setFocusPolicy(Qt::StrongFocus);

    m_columnMenu = new QMenu(this);
    m_columnMenu->setObjectName(QStringLiteral("STableViewMenuColumns"));
    for (const char* column : kMenuColumns) {
        QAction* action = m_columnMenu->addAction(tr(column));
        action->setData(QString::fromLatin1(column));
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this, &STableView::onTableHeaderMenuItemToggled);
        m_columnActions << action;
    }
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &STableView::onCustomContextMenuRequested);
}

STableView::~STableView() = default;

void STableView::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = this->model())
        disconnect(old, &QAbstractItemModel::modelReset, this, &STableView::applyColumnChoices);
    QTableView::setModel(model);
    if (model)
        connect(model, &QAbstractItemModel::modelReset, this, &STableView::applyColumnChoices);
    applyColumnChoices();
}

QList<int> STableView::selectedRowsSorted() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    const QModelIndexList selected = selectionModel()->selectedRows(0);
    for (const QModelIndex& index : selected)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int STableView::rowAtPosition(const QPoint& pos) const
{
    return indexAt(pos).row();
}

void STableView::onCustomContextMenuRequested(QPoint pos)
{
    m_columnMenu->popup(horizontalHeader()->mapToGlobal(pos));
}

void STableView::onTableHeaderMenuItemToggled(bool checked)
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const int column = fieldColumn(model(), action->data().toString());
    if (column >= 0)
        setColumnHidden(column, !checked);
}

void STableView::applyColumnChoices()
{
    // A model reset brings every column back; the user's choices stand until changed.
    for (QAction* action : std::as_const(m_columnActions)) {
        if (action->isChecked())
            continue;
        const int column = fieldColumn(model(), action->data().toString());
        if (column >= 0)
            setColumnHidden(column, true);
    }
}

void STableView::mousePressEvent(QMouseEvent* event)
{
    m_pressRow = rowAtPosition(event->position().toPoint());
    Q_EMIT mousePressed(int(event->button()), this, m_pressRow);
    QTableView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        m_pressPoint = event->position().toPoint();
        m_pressedRows = selectedRowsSorted();
    }
}

void STableView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        if ((pos - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            const int row = rowAtPosition(m_pressPoint);
            if (row != -1 && m_pressedRows.contains(row))
                startRecordDrag();
        }
    } else if (event->buttons() == Qt::NoButton) {
        const int row = rowAtPosition(pos);
        const QSqlRecord record = row >= 0 ? recordAt(model(), row) : QSqlRecord();
        if (row >= 0 && !SSqlTableModel::isDeviceRow(record) &&
            (SSqlTableModel::isLibraryRow(record) || SSqlTableModel::isValidRow(record)))
            QToolTip::showText(event->globalPosition().toPoint(), record.value(QStringLiteral("filepath")).toString(),
                               this);
        else
            QToolTip::hideText();
    }
    QTableView::mouseMoveEvent(event);
}

void STableView::startRecordDrag()
{
    auto* records = new QList<QSqlRecord>;
    for (int row : std::as_const(m_pressedRows))
        records->append(recordAt(model(), row));
    SLOG_PLAIN("plstRecord = %p", static_cast<void*>(records));
    for (int row : std::as_const(m_pressedRows))
        SLOG_PLAIN("Current Row=%d", row);

    quint64 token = 0;
    QMimeData* data = SLoopDrag::createRecordsData(records, this, m_pressRow, &token);
    auto* drag = new QDrag(this);
    m_currentDrag = drag;
    drag->setMimeData(data);
    m_accepted = false;
    m_dropRow = -1;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);

    // A drop that took the list owns it; otherwise it goes with the drag.
    SLoopDrag::discard(token);
    m_dragOver = false;
    m_accepted = false;
    m_dropRow = -1;
    // One drag per press: a cancelled drag with the button still down starts no other.
    m_pressedRows.clear();
    delete m_currentDrag.data();
    viewport()->update();
}

void STableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
}

void STableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
}

void STableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!m_dragOver || !m_accepted || m_dropRow == -1)
        return;
    QPainter painter(viewport());
    painter.setPen(QColor(Qt::darkBlue));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(columnViewportPosition(0), rowViewportPosition(m_dropRow), viewport()->width() - 1,
                     rowHeight(m_dropRow));
}

void STableView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    Q_EMIT contextMenu(event->pos(), event->globalPos());
}

bool STableView::acceptsRecordsFrom(const STableView* source) const
{
    if (!source)
        return false;
    if (source->contentType() == E_CONTENT_LOOPLIST)
        return m_contentType == E_CONTENT_LOOPLIST || isDeviceView();
    return source != this && source->contentType() != m_contentType;
}

bool STableView::acceptsOtherData(const QMimeData* data) const
{
    return m_contentType == E_CONTENT_LIBRARY && data && data->hasUrls() && !data->urls().isEmpty();
}

// The view that started a record drag, from the handle in its payload; a handle this
// process did not hand out, or one whose drag has ended, names no view.
static STableView* recordSource(const QDropEvent* event)
{
    quint64 token = 0;
    qint32 pressRow = -1;
    if (!SLoopDrag::readRecordsData(event->mimeData(), token, pressRow))
        return nullptr;
    auto* source = qobject_cast<STableView*>(SLoopDrag::sourceOf(token));
    // When the system knows the drag's source it must be the registered one.
    if (source && event->source() && event->source() != source)
        return nullptr;
    return source;
}

void STableView::dragEnterEvent(QDragEnterEvent* event)
{
    m_dragOver = true;
    m_dropRow = rowAtPosition(event->position().toPoint());
    bool accept = false;
    if (event->mimeData()->hasFormat(SLoopDrag::recordsFormat))
        accept = acceptsRecordsFrom(recordSource(event));
    else
        accept = acceptsOtherData(event->mimeData());
    m_accepted = accept;
    if (accept) {
        event->setDropAction(event->proposedAction());
        event->accept();
    } else {
        event->ignore();
    }
    viewport()->update();
}

void STableView::dragMoveEvent(QDragMoveEvent* event)
{
    m_dropRow = rowAtPosition(event->position().toPoint());
    if (!event->mimeData()->hasFormat(SLoopDrag::recordsFormat))
        m_accepted = acceptsOtherData(event->mimeData());
    if (m_accepted) {
        event->setDropAction(event->proposedAction());
        event->accept();
        startAutoScroll();
    } else {
        event->ignore();
    }
    viewport()->update();
}

void STableView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QTableView::dragLeaveEvent(event);
    m_dragOver = false;
    m_accepted = false;
    m_dropRow = -1;
    viewport()->update();
}

void STableView::dropEvent(QDropEvent* event)
{
    m_dragOver = false;
    const QPoint pos = event->position().toPoint();
    if (event->mimeData()->hasFormat(SLoopDrag::recordsFormat)) {
        quint64 token = 0;
        qint32 pressRow = -1;
        STableView* source = recordSource(event);
        if (!source || !SLoopDrag::readRecordsData(event->mimeData(), token, pressRow)) {
            SLOG_WARN("Refused a loop drop with an unknown handle");
            event->ignore();
            viewport()->update();
            return;
        }
        // Dropped back where it started, or somewhere this view would not take it.
        if ((source == this && rowAtPosition(pos) == pressRow) || !acceptsRecordsFrom(source)) {
            SLoopDrag::discard(token);
            event->ignore();
            viewport()->update();
            return;
        }
        QList<QSqlRecord>* records = SLoopDrag::take(token);
        event->setDropAction(event->proposedAction());
        event->accept();
        viewport()->update();
        Q_EMIT recordsDropped(pos, records, source, this);
        return;
    }
    event->ignore();
    viewport()->update();
    if (acceptsOtherData(event->mimeData()))
        Q_EMIT recordsDropped(event->mimeData()->urls());
}
