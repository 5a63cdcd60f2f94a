#pragma once

#include "device/stdevicedata.h"
#include "library/stableview.h"
#include "views/sdevicenode.h"
#include "views/slooplist.h"

#include <QItemSelection>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QSqlRecord>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QDockWidget;
class QHeaderView;
class QItemSelectionModel;
class QMainWindow;
class QMenu;
class SContentViewTitleBar;
class SLineEdit;
class SLoopDelegate;
class SResourceView;
class SSqlTableModel;

// The central view: the loops of the library, a LoopList or a device memory in
// one pane, or two sources side by side in the split view. Decides what each pane
// shows through filters on the loops table, keeps selection, sorting and search in
// step, reports the selected loop and enables the edit commands.
class SContentView : public QWidget
{
    Q_OBJECT
public:
    enum E_PANE : int
    {
        E_PANE_UPPER = 0,
        E_PANE_LOWER = 1,
    };
    enum E_VIEWMODE : int
    {
        E_VIEW_SINGLE = 1,
        E_VIEW_SPLIT = 2,
    };

    // The one content view, created on first call with the given parent and flags.
    static SContentView* instance(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~SContentView() override;

    // Creates the loops table when missing.
    void setupDatabase();
    // Connects the tool bar and the resource view and shows the library.
    void initializeUIComponents();
    // Follows the resource view's selections and its LoopList and device changes.
    // Also picks up the LoopLists and devices it already shows.
    void connectResourceView(SResourceView* resourceView);

    // What the current pane shows (E_CONTENT_NONE when there is no current pane).
    STableView::E_CONTENTTYPE currentContentType() const;
    // The current pane's table and model, or nullptr.
    STableView* currentView() const;
    SSqlTableModel* currentModel() const;
    int currentRow() const { return m_currentRow; }
    int viewMode() const { return m_viewMode; }

    STableView* view(int pane) const;
    SSqlTableModel* model(int pane) const;
    QDockWidget* dock(int pane) const;
    SContentViewTitleBar* titleBar(int pane) const;
    QComboBox* comboBox(int pane) const;
    // The filter of the source the pane shows, without the search.
    QString viewFilter(int pane) const;
    // Empty while no search is active.
    QString searchFilter() const { return m_searchFilter; }
    QMenu* contextMenu() const { return m_contextMenu; }
    QAction* showInExplorerAction() const { return m_showInExplorer; }
    // The record last sent with loopDetails.
    const stDeviceData& loopDetailRecord() const { return m_loopDetails; }
    QString importFolder() const { return m_importFolder; }
    QString exportFolder() const { return m_exportFolder; }

    // Filters of the sources; values are quoted here.
    static QString libraryFilter();
    static QString loopListFilter(int loopListId);
    static QString deviceFilter(const QString& deviceId, bool internal);
    // The search over the descriptive columns: the text matches itself literally
    // (quotes, % and _ included).
    static QString searchFilterFor(const QString& text);
    // "(" view filter ") AND (" search filter ")".
    static QString combinedFilter(const QString& viewFilter, const QString& searchFilter);

    // Show a source in the pane of model and view; false when it is already shown
    // or the query failed.
    bool populateLibrary(SSqlTableModel* model, STableView* view, bool force);
    bool populateLoopList(SLoopList* loopList, SSqlTableModel* model, STableView* view);
    bool populateDeviceInternal(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view);
    bool populateDeviceExternal(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view);
    void hideColumns(SSqlTableModel* model, STableView* view, bool hideLoopNumber);

    // Empty slot rows of a LoopList (1..count) and of a device memory (1..count).
    bool createLoopListSlots(int loopListId, int count);
    bool createDeviceSlots(const QString& deviceId, const QString& storagePath, const QString& deviceName, int count);
    bool insertDeviceSlot(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                          int loopNumber);

    // --- Seams ---
    // Length in seconds of an audio file (0 when no reader opens it), used when a
    // missing file is located. Without one the row keeps its stored length.
    using LengthMeasurer = std::function<double(const QString& path)>;
    static void setLengthMeasurer(LengthMeasurer measurer);
    // Opens a folder in the desktop's file manager ("Show in Explorer").
    using UrlOpener = std::function<bool(const QUrl& url)>;
    static void setUrlOpener(UrlOpener opener);

Q_SIGNALS:
    void loopDetails(stDeviceData* pLoopDetails, bool bInDevice);
    void progress(int percentage, QString text);
    void memoryInfo(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);

public Q_SLOTS:
    void onSelectedLibrary();
    void onSelectedLoopList(SLoopList* pLoopList);
    void onCreatedLoopList(SLoopList* pLoopList);
    void onDeletedLoopList(SLoopList* pLoopList);
    void onRenamedLoopList(SLoopList* pLoopList);
    void onComboBoxindexChanged(int index);
    void onComboBoxindexChanged(int index, QComboBox* pComboBox);
    void onSelectionChanged(bool bEmitSignal);
    void onSelectionChanged();
    void onSelectionChanged(STableView* pView, bool bEmitSignal);
    void onSelectionChanged(STableView* pView);
    void onSelectionChanged(QItemSelection deselected, QItemSelection selected);
    void onTableViewMousePressed(int button, const STableView* pView, int startRow);
    void onSortIndicatorChanged(int column, Qt::SortOrder order);
    void onSectionPressed(int logicalIndex);
    void addToLibrary(QList<stLoop> lstLoops);
    void onClickedInsertButton();
    void onDockLocationchanged(Qt::DockWidgetArea dockArea);
    void onEditMenuAboutToShow();
    void onToolBarActionTriggered(QObject* pObject);
    void onCopyClicked();
    void onCutClicked();
    void onPasteClicked();
    void onDeleteClicked();
    void onClickedSplitView(int splits);
    void onSearchTextEdited(QString strSearchText);
    void onClickedAddToLibrary();
    void onClickedExportLoops();
    void onForwardClicked();
    void onBackwardClicked();
    void onRecordsDropped(QPoint droppedAt, QList<QSqlRecord>* pLstRecord, QWidget* pSource, QWidget* pDestination);
    void onRecordsDropped(QList<QUrl> urls);
    void onContextMenu(QPoint relativePos, QPoint globalPos);
    bool onDelete(STableView* pView);
    bool onCopy(QList<QSqlRecord>& listRecords, STableView* pView);
    bool onCut(QList<QSqlRecord>& listRecords, STableView* pView);
    bool onPaste(QList<QSqlRecord> listRecords, STableView::E_CONTENTTYPE e_TypeSource, STableView* pViewTarget,
                 int startRow);
    void onClear();
    void onClickedMemoryInternal(SDeviceNode* pDeviceNode);
    void onClickedMemoryExternal(SDeviceNode* pDeviceNode);
    void onDeviceNodeAdded(SDeviceNode* pDeviceNode);
    void onDeviceRemoved(SDeviceNode* pDeviceNode);
    void onClickSync(stDeviceData* pDeviceData);
    void refreshViews();

private:
    struct Pane
    {
        QDockWidget* dock = nullptr;
        SContentViewTitleBar* titleBar = nullptr;
        QWidget* emptyTitleBar = nullptr;
        STableView* view = nullptr;
        SSqlTableModel* model = nullptr;
        SLoopDelegate* delegate = nullptr;
        QString viewFilter;
        bool widthsSet = false;
        // Loops to select again once the model has fetched their rows.
        QSet<int> pendingIds;
    };

    // What a populate call shows.
    struct Source
    {
        STableView::E_CONTENTTYPE type = STableView::E_CONTENT_NONE;
        int sourceId = STableView::E_SOURCE_LIBRARY;
        QString filter;
        QString defaultSortField;
        int sortColumn = -1;
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
        QString title;
        QString key;
        QObject* object = nullptr;
        int rememberedRow = -1;
        bool force = false;
    };

    SContentView(QWidget* parent, Qt::WindowFlags flags);
    bool createSlots(const QString& firstPart, const QString& unionPart, int count);
    void buildPane(int pane);
    void setTitleBar(int pane, bool withComboBox);
    int paneOf(const QObject* viewOrModel) const;
    bool showSource(int pane, const Source& source);
    static bool selectWithFilter(SSqlTableModel* model, const QString& filter);
    bool populateDevice(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view, bool internal);
    void setCurrentPane(int pane);
    void setSearchEmpty();
    // Selects rows (whole rows) with the selection model's signals blocked.
    void selectRows(int pane, const QList<int>& rows);
    void selectIds(int pane, const QSet<int>& ids);
    int rowOfId(const SSqlTableModel* model, int id) const;
    QSet<int> selectedIds(int pane) const;
    void onRowsFetched(int pane, int first, int last);
    void rememberSelectedRow(int pane, int row);
    void fillLoopDetails(const QSqlRecord& row);
    bool isSelectableLoopRow(const SSqlTableModel* model, int row) const;
    void step(bool forward);
    void switchViewMode(int mode);
    void setComboToSource(int pane);
    void showComboSelection(int pane);
    void addSourceItems(QComboBox* comboBox, SLoopList* loopList);
    void addDeviceItems(QComboBox* comboBox, SDeviceNode* deviceNode);
    QAction* toolbarAction(int id) const;
    SLineEdit* searchField();
    void promptMissingFile(STableView* view, int row);
    void showDeviceMemory(SDeviceNode* deviceNode, bool internal);
    void showDeviceIcon(SDeviceNode* deviceNode);
    void locateFile(STableView* view, const QSqlRecord& row);
    void deleteMissingRow(STableView* view, const QSqlRecord& row);
    void showInExplorer(const QSqlRecord& row);
    void loopEditRequested(int actionId);

    Pane m_panes[2];
    QMainWindow* m_innerWindow = nullptr;
    int m_currentPane = -1;
    int m_viewMode = E_VIEW_SINGLE;
    int m_currentRow = -1;
    int m_libraryRow = 0;
    int m_librarySortColumn = -1;
    Qt::SortOrder m_librarySortOrder = Qt::AscendingOrder;
    int m_reselectId = -1;
    QPersistentModelIndex m_lastSelectedIndex;
    stDeviceData m_loopDetails;
    QString m_searchFilter;
    QPointer<SLineEdit> m_searchField;
    QString m_importFolder;
    QString m_exportFolder;
    QMenu* m_contextMenu = nullptr;
    QAction* m_showInExplorer = nullptr;
    QPointer<SResourceView> m_resourceView;
};
