#pragma once

#include "library/stableview.h"

#include <QPointer>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QVariant>

#include <functional>

// One cell edit of a library or LoopList row, as handed to the undo stack.
struct stCellEdit
{
    STableView::E_CONTENTTYPE contentType = STableView::E_CONTENT_NONE;
    int rowId = -1;
    QString column;
    QVariant oldValue;
    QVariant newValue;
    QString oldGuidPatch;
    QString newGuidPatch; // empty when the row had no guidpatch
};

// The loops table as one view shows it: colours rows whose file is missing, decides
// which rows can be selected and edited, and routes cell edits to the pedal (device
// rows) or to the undo stack (library and LoopList rows).
class SSqlTableModel : public QSqlTableModel
{
    Q_OBJECT
public:
    explicit SSqlTableModel(QObject* parent = nullptr, const QSqlDatabase& db = QSqlDatabase());

    void setView(STableView* view) { m_view = view; }
    STableView* view() const { return m_view.data(); }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool selectRow(int row) override;

    // Model columns of "Name", "Rating", "Genre", "Loop #" and "Length", shared by every
    // loop view; -1 until refreshKnownColumns runs after a view is populated.
    static int nameColumn;
    static int ratingColumn;
    static int genreColumn;
    static int loopNumberColumn;
    static int lengthColumn;
    static void refreshKnownColumns(const QSqlTableModel* model);

    // Row classes of a loops record.
    static bool isDeviceRow(const QSqlRecord& record);
    static bool isLoopListRow(const QSqlRecord& record);
    static bool isLibraryRow(const QSqlRecord& record);
    static bool isValidRow(const QSqlRecord& record);
    static bool hasFile(const QSqlRecord& record);
    // Shown in red: not on the device, file missing, and a library row or a valid LoopList slot.
    static bool isMissingFileRow(const QSqlRecord& record);

    // --- Seams filled by other subsystems ---
    // Rewrites the loop of a device row on the pedal from the edited row; true when the
    // pedal took it. Until the device link installs one, device edits are refused.
    using DeviceWriter = std::function<bool(const QSqlRecord& editedRow)>;
    static void setDeviceWriter(DeviceWriter writer);
    // Performs a library or LoopList cell edit, normally by pushing an undoable command
    // whose redo and undo call applyCellEdit. Without one the edit is applied directly.
    using CellEditHandler = std::function<bool(const stCellEdit& edit)>;
    static void setCellEditHandler(CellEditHandler handler);
    // Re-reads every loop view after a change (the content view's refresh). Without one
    // only the edited model is re-read.
    using RefreshHandler = std::function<void()>;
    static void setRefreshHandler(RefreshHandler handler);

    // Writes edit.newValue into edit.column of row edit.rowId (and the new guidpatch of a
    // library row), then refreshes the views.
    static bool applyCellEdit(const stCellEdit& edit);
    // Re-reads this model and selects again the rows selected before.
    void reselect();

private:
    bool setDeviceData(const QModelIndex& index, const QString& newText);
    bool setLibraryData(const QModelIndex& index, const QVariant& value);
    void focusMainWindow() const;

    QPointer<STableView> m_view;
};
