#include "library/ssqltablemodel.h"

#include "core/sglobals.h"
#include "core/slog.h"
#include "library/sdatabasemanager.h"

#include <QColor>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QUuid>

int SSqlTableModel::nameColumn = -1;
int SSqlTableModel::ratingColumn = -1;
int SSqlTableModel::genreColumn = -1;
int SSqlTableModel::loopNumberColumn = -1;
int SSqlTableModel::lengthColumn = -1;

namespace {
SSqlTableModel::DeviceWriter& deviceWriter()
{
    static SSqlTableModel::DeviceWriter writer;
    return writer;
}

SSqlTableModel::CellEditHandler& cellEditHandler()
{
    static SSqlTableModel::CellEditHandler handler;
    return handler;
}

SSqlTableModel::RefreshHandler& refreshHandler()
{
    static SSqlTableModel::RefreshHandler handler;
    return handler;
}

QString newGuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The whole row as stored, or an empty record when it cannot be read.
QSqlRecord readRow(int rowId)
{
    QSqlQuery query(SDatabaseManager::database());
    if (!SDatabaseManager::execute(query, QStringLiteral("SELECT * FROM loops WHERE \"id\"=%1").arg(rowId)) ||
        !query.next())
        return QSqlRecord();
    return query.record();
}

bool writeRow(const QSqlRecord& row, int rowId)
{
    QSqlRecord key;
    QSqlField id(QStringLiteral("id"), QMetaType(QMetaType::Int), QStringLiteral("loops"));
    id.setValue(rowId);
    key.append(id);
    SDatabaseManager manager;
    return manager.updateRecord(row, key, QStringLiteral("loops"));
}
} // namespace

SSqlTableModel::SSqlTableModel(QObject* parent, const QSqlDatabase& db)
    : QSqlTableModel(parent, db.isValid() ? db : SDatabaseManager::database())
{
}

void SSqlTableModel::refreshKnownColumns(const QSqlTableModel* model)
{
    if (!model)
        return;
    nameColumn = model->fieldIndex(QStringLiteral("Name"));
    ratingColumn = model->fieldIndex(QStringLiteral("Rating"));
    genreColumn = model->fieldIndex(QStringLiteral("Genre"));
    loopNumberColumn = model->fieldIndex(QStringLiteral("Loop #"));
    lengthColumn = model->fieldIndex(QStringLiteral("Length"));
}

bool SSqlTableModel::isDeviceRow(const QSqlRecord& record)
{
    return !record.value(QStringLiteral("deviceid")).toString().isEmpty();
}

bool SSqlTableModel::isLoopListRow(const QSqlRecord& record)
{
    return !record.value(QStringLiteral("looplistid")).toString().isEmpty();
}

bool SSqlTableModel::isLibraryRow(const QSqlRecord& record)
{
    return !isDeviceRow(record) && !isLoopListRow(record);
}

bool SSqlTableModel::isValidRow(const QSqlRecord& record)
{
    return record.value(QStringLiteral("isvalid")).toBool();
}

bool SSqlTableModel::hasFile(const QSqlRecord& record)
{
    const QString path = record.value(QStringLiteral("filepath")).toString();
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool SSqlTableModel::isMissingFileRow(const QSqlRecord& record)
{
    if (isDeviceRow(record))
        return false;
    if (!isLibraryRow(record) && !isValidRow(record))
        return false;
    return !hasFile(record);
}

QVariant SSqlTableModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::ForegroundRole && index.isValid() && isMissingFileRow(record(index.row())))
        return QColor(Qt::red);
    return QSqlTableModel::data(index, role);
}

Qt::ItemFlags SSqlTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QSqlTableModel::flags(index);
    if (!index.isValid())
        return result;
    result |= Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;

    const QSqlRecord row = record(index.row());
    bool blocked = false;
    if (isDeviceRow(row))
        blocked = !isValidRow(row);
    else if (isLoopListRow(row))
        blocked = !isValidRow(row) || !hasFile(row);
    else
        blocked = !hasFile(row);
    if (blocked)
        result &= ~(Qt::ItemIsSelectable | Qt::ItemIsEditable);

    // The length comes from the audio, slots are positions, and stars are clicked.
    const int column = index.column();
    if (column == lengthColumn || column == loopNumberColumn || column == ratingColumn)
        result &= ~Qt::ItemIsEditable;
    return result;
}

bool SSqlTableModel::selectRow(int row)
{
    if (m_view)
        m_view->selectRow(row);
    return true;
}

void SSqlTableModel::focusMainWindow() const
{
    if (auto* window = qobject_cast<QWidget*>(SGlobals::mainWindow()))
        window->setFocus();
    else if (m_view)
        m_view->window()->setFocus();
}

bool SSqlTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole) {
        focusMainWindow();
        return QSqlTableModel::setData(index, value, role);
    }
    if (!index.isValid())
        return false;
    if (value.toString() == data(index, Qt::DisplayRole).toString()) {
        focusMainWindow();
        return true;
    }
    if (!m_view) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    switch (m_view->contentType()) {
    case STableView::E_CONTENT_DEVICE_INTERNAL:
    case STableView::E_CONTENT_DEVICE_EXTERNAL:
        return setDeviceData(index, value.toString());
    case STableView::E_CONTENT_LIBRARY:
    case STableView::E_CONTENT_LOOPLIST:
        return setLibraryData(index, value);
    default:
        return false;
    }
}

bool SSqlTableModel::setDeviceData(const QModelIndex& index, const QString& newText)
{
    const QSqlRecord current = record(index.row());
    const int rowId = current.value(QStringLiteral("id")).toInt();
    const QString column = current.fieldName(index.column());
    const QString guidPatch = current.value(QStringLiteral("guidpatch")).toString();

    QSqlRecord edited = readRow(rowId);
    if (edited.isEmpty() || edited.indexOf(column) < 0) {
        SLOG_WARN("Sql Error: %s", qUtf8Printable(SDatabaseManager::database().lastError().text()));
        focusMainWindow();
        return false;
    }
    edited.setValue(column, newText);
    if (!guidPatch.isEmpty())
        edited.setValue(QStringLiteral("guidpatch"), newGuid());

    // The pedal is the master copy of its loops: the database mirrors it only after
    // the pedal took the change, so a failed write leaves both as they were.
    const DeviceWriter& writer = deviceWriter();
    if (!writer || !writer(edited)) {
        SLOG_WARN("Could not write %s of loop %d to the device", qUtf8Printable(column), rowId);
        auto* box = new QMessageBox(QMessageBox::Warning, tr("Operation failed."),
                                    tr("The change could not be written to the device.\n"
                                       "The loop keeps its previous value."),
                                    QMessageBox::Ok, m_view ? m_view->window() : nullptr);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("SSqlTableModelMessageBoxDeviceWrite"));
        box->open();
        focusMainWindow();
        return false;
    }

    if (!writeRow(edited, rowId))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(SDatabaseManager::database().lastError().text()));
    if (const RefreshHandler& refresh = refreshHandler())
        refresh();
    else
        reselect();
    focusMainWindow();
    return true;
}

bool SSqlTableModel::setLibraryData(const QModelIndex& index, const QVariant& value)
{
    const QSqlRecord current = record(index.row());
    stCellEdit edit;
    edit.contentType = m_view->contentType();
    edit.rowId = current.value(QStringLiteral("id")).toInt();
    edit.column = current.fieldName(index.column());
    edit.oldValue = current.value(index.column());
    edit.newValue = value;
    edit.oldGuidPatch = current.value(QStringLiteral("guidpatch")).toString();
    if (!edit.oldGuidPatch.isEmpty())
        edit.newGuidPatch = newGuid();

    const CellEditHandler& handler = cellEditHandler();
    const bool done = handler ? handler(edit) : applyCellEdit(edit);
    if (!refreshHandler())
        reselect();
    SLOG_PLAIN("Old value: %s, New value: %s", qUtf8Printable(edit.oldValue.toString()),
               qUtf8Printable(edit.newValue.toString()));
    focusMainWindow();
    return done;
}

bool SSqlTableModel::applyCellEdit(const stCellEdit& edit)
{
    QSqlRecord row = readRow(edit.rowId);
    if (row.isEmpty() || row.indexOf(edit.column) < 0)
        return false;
    row.setValue(edit.column, edit.newValue);
    // A LoopList slot keeps the library's settings identity.
    if (edit.contentType == STableView::E_CONTENT_LIBRARY && !edit.newGuidPatch.isEmpty())
        row.setValue(QStringLiteral("guidpatch"), edit.newGuidPatch);
    const bool written = writeRow(row, edit.rowId);
    if (!written)
        SLOG_WARN("Sql Error: %s", qUtf8Printable(SDatabaseManager::database().lastError().text()));
    if (const RefreshHandler& refresh = refreshHandler())
        refresh();
    return written;
}

void SSqlTableModel::reselect()
{
    QList<int> rows;
    if (m_view)
        rows = m_view->selectedRowsSorted();
    select();
    if (!m_view || !m_view->selectionModel())
        return;
    QItemSelection selection;
    for (int row : rows) {
        if (row < rowCount())
            selection.select(index(row, 0), index(row, columnCount() - 1));
    }
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void SSqlTableModel::setDeviceWriter(DeviceWriter writer)
{
    deviceWriter() = std::move(writer);
}

void SSqlTableModel::setCellEditHandler(CellEditHandler handler)
{
    cellEditHandler() = std::move(handler);
}

void SSqlTableModel::setRefreshHandler(RefreshHandler handler)
{
    refreshHandler() = std::move(handler);
}
