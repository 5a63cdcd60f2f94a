#include "views/scontentview.h"

#include "app/slineedit.h"
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "core/sglobals.h"
#include "core/slog.h"
#include "device/sdevicemanagerthread.h"
#include "library/sdatabasemanager.h"
#include "library/sloopclipboard.h"
#include "library/sloopdelegate.h"
#include "library/ssqltablemodel.h"
#include "library/styleditemdelegate.h"
#include "views/scontentviewtitlebar.h"
#include "views/sresourceview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyle>
#include <QTime>
#include <QToolButton>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace {
QPointer<SContentView>& singleton()
{
    static QPointer<SContentView> view;
    return view;
}

SContentView::LengthMeasurer& lengthMeasurer()
{
    static SContentView::LengthMeasurer measurer;
    return measurer;
}

SContentView::UrlOpener& urlOpener()
{
    static SContentView::UrlOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

const QString kLibraryItem = QStringLiteral("Library");
const QString kLoops = QStringLiteral("loops");

// The columns after "Loop #" of an empty slot: no loop, rating 0.
const QString kEmptyTail = QStringLiteral(
    "NULL AS 'Name', NULL AS 'Length', '0' AS 'Rating', NULL AS 'Description', NULL AS 'Artist', NULL AS 'Genre', "
    "NULL AS 'Tags', NULL AS 'StopMode', NULL AS 'RhythmType', NULL AS 'bpMeasure', NULL AS 'bpMinute', NULL AS "
    "'isReversed', NULL AS 'isLoop', NULL AS 'settingsVersion', NULL AS 'audioVersion', NULL AS 'guidoriginal', "
    "NULL AS 'guidpatch', NULL AS 'guidphrase', NULL AS 'filechecksum', NULL AS 'propchecksum', NULL AS 'temppath', "
    "NULL AS 'filepath'");
const QString kEmptyUnionTail = QStringLiteral(
    "NULL, NULL, '0', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
    "NULL, NULL, NULL");

// Columns no view shows; "Loop #" is hidden in the library only.
const char* const kHiddenColumns[] = {
    "id",          "looplistid", "deviceid",  "devicename", "storagepath",     "inlibrary",    "isvalid",
    "filepath",    "StopMode",   "RhythmType", "bpMeasure", "bpMinute",        "isReversed",   "isLoop",
    "settingsVersion", "audioVersion", "guidoriginal", "guidpatch", "guidphrase", "filechecksum", "propchecksum",
    "temppath",
};

// Starting widths of the shown columns ("Tags", the last, takes the rest); a
// LoopList fits beside the resource view in the smallest window.
const std::pair<const char*, int> kColumnWidths[] = {
    {"Loop #", 70}, {"Name", 130}, {"Length", 75}, {"Description", 100}, {"Artist", 85}, {"Genre", 75},
};

// Columns the search looks into.
const char* const kSearchColumns[] = {"Name", "Description", "Artist", "Genre", "Tags"};

QString lengthText(double seconds)
{
    if (!(seconds > 0.0))
        seconds = 0.0;
    const qint64 ms = qint64(seconds * 1000.0);
    return QStringLiteral("%1:%2.%3")
        .arg(qint64(seconds / 60.0), 2, 10, QLatin1Char('0'))
        .arg(qint64(seconds) % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString newGuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool isTrueText(const QVariant& value)
{
    return value.toString() == QLatin1String("true");
}

// A pane's model: the loop table model with its per-row answers (missing file,
// empty slot, what may be selected and edited) kept until the rows are read again.
// Painting asks for them for every cell, and each answer reads the whole row and
// looks for its file on disk.
class SPaneModel : public SSqlTableModel
{
public:
    SPaneModel(QObject* parent, const QSqlDatabase& db) : SSqlTableModel(parent, db)
    {
        auto forgetAll = [this] { m_rows.clear(); };
        QObject::connect(this, &QAbstractItemModel::modelReset, this, forgetAll);
        QObject::connect(this, &QAbstractItemModel::layoutChanged, this, forgetAll);
        QObject::connect(this, &QAbstractItemModel::rowsRemoved, this, forgetAll);
        QObject::connect(this, &QAbstractItemModel::rowsMoved, this, forgetAll);
        QObject::connect(this, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int) {
            m_rows.removeIf([first](const auto& entry) { return entry.key() >= first; });
        });
        QObject::connect(this, &QAbstractItemModel::dataChanged, this,
                         [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                             for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                                 m_rows.remove(row);
                         });
    }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        if (role != Qt::ForegroundRole || !index.isValid())
            return SSqlTableModel::data(index, role);
        // The colour is the row's: worked out once.
        Row& row = m_rows[index.row()];
        if (!row.hasForeground) {
            row.foreground = SSqlTableModel::data(index, role);
            row.hasForeground = true;
        }
        return row.foreground;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return SSqlTableModel::flags(index);
        // Every column answers like the others but the three the model sets apart.
        const int column = index.column();
        const int key = column == lengthColumn || column == loopNumberColumn || column == ratingColumn ? column : -1;
        Row& row = m_rows[index.row()];
        auto found = row.flags.constFind(key);
        if (found != row.flags.constEnd())
            return *found;
        const Qt::ItemFlags flags = SSqlTableModel::flags(index);
        row.flags.insert(key, flags);
        return flags;
    }

private:
    struct Row
    {
        bool hasForeground = false;
        QVariant foreground;
        QHash<int, Qt::ItemFlags> flags;
    };
    mutable QHash<int, Row> m_rows;
};

// The id field alone: the key of a row.
QSqlRecord idKey(const QVariant& id)
{
    QSqlRecord key;
    QSqlField field(QStringLiteral("id"), QMetaType(QMetaType::Int), kLoops);
    field.setValue(id);
    key.append(field);
    return key;
}
} // namespace

SContentView::SContentView(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("SContentView"));
    setFocusPolicy(Qt::WheelFocus);
    m_importFolder = QDir::homePath();
    m_exportFolder = QDir::homePath();
    // Device transfers started from this view report through the device worker.
    connect(this, &SContentView::progress, SDeviceManagerThread::instance(), &SDeviceManagerThread::onProgress);

    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("SContentViewMenuContext"));
    m_showInExplorer = m_contextMenu->addAction(tr("Show in Explorer"));
    m_showInExplorer->setObjectName(QStringLiteral("SContentViewActionShowInExplorer"));

    m_innerWindow = new QMainWindow(this);
    // QMainWindow always makes itself a window; this one is a plain child.
    m_innerWindow->setWindowFlags(Qt::Widget);
    m_innerWindow->setObjectName(QStringLiteral("SMainWindow"));
    m_innerWindow->setDockNestingEnabled(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_innerWindow);

    buildPane(E_PANE_UPPER);
    buildPane(E_PANE_LOWER);
    m_innerWindow->addDockWidget(Qt::TopDockWidgetArea, m_panes[E_PANE_UPPER].dock);
    m_innerWindow->addDockWidget(Qt::BottomDockWidgetArea, m_panes[E_PANE_LOWER].dock);
    m_panes[E_PANE_LOWER].dock->hide();
    setTitleBar(E_PANE_UPPER, false);
    setTitleBar(E_PANE_LOWER, true);

    // Cell edits and pedal writes re-read every pane through this view.
    QPointer<SContentView> self(this);
    SSqlTableModel::setRefreshHandler([self] {
        if (self)
            self->refreshViews();
    });
}

SContentView::~SContentView()
{
    SSqlTableModel::setRefreshHandler(nullptr);
}

SContentView* SContentView::instance(QWidget* parent, Qt::WindowFlags flags)
{
    if (!singleton())
        singleton() = new SContentView(parent, flags);
    return singleton();
}

void SContentView::buildPane(int index)
{
    Pane& pane = m_panes[index];
    pane.dock = new QDockWidget(m_innerWindow);
    pane.dock->setObjectName(index == E_PANE_UPPER ? QStringLiteral("SContentViewDockWidgetUpper")
                                                   : QStringLiteral("SContentViewDockWidgetLower"));
    pane.dock->setFeatures(QDockWidget::DockWidgetMovable);
    pane.dock->setAllowedAreas(Qt::AllDockWidgetAreas);
    pane.titleBar = new SContentViewTitleBar(pane.dock);
    pane.titleBar->hide();
    pane.emptyTitleBar = new QWidget(pane.dock);
    pane.emptyTitleBar->setObjectName(QStringLiteral("SContentViewWidgetEmptyTitle"));
    pane.emptyTitleBar->hide();
    pane.titleBar->comboBox()->addItem(kLibraryItem, kLibraryItem);

    pane.view = new STableView(pane.dock);
    pane.view->setObjectName(QStringLiteral("SContentViewTableView"));
    pane.view->horizontalHeader()->setObjectName(QStringLiteral("SContentViewHeaderView"));
    pane.model = new SPaneModel(pane.view, SDatabaseManager::database());
    pane.model->setEditStrategy(QSqlTableModel::OnFieldChange);
    pane.model->setView(pane.view);
    pane.view->setModel(pane.model);
    pane.view->setItemDelegate(new StyledItemDelegate(pane.view));
    pane.delegate = new SLoopDelegate(pane.view);
    pane.view->setSortingEnabled(true);
    pane.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Both panes take drops: moving loops between them is what the split view is for.
    pane.view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pane.view->setDropIndicatorShown(true);
    pane.view->setDragDropMode(QAbstractItemView::DragDrop);
    pane.view->verticalHeader()->hide();
    pane.view->verticalHeader()->setDefaultSectionSize(20);
    pane.view->setAlternatingRowColors(true);
    QPalette palette = pane.view->palette();
    palette.setColor(QPalette::AlternateBase, Qt::white);
    pane.view->setPalette(palette);
    pane.view->setShowGrid(false);
    QHeaderView* header = pane.view->horizontalHeader();
    header->setMinimumSectionSize(70);
    // The stretched last column never gets narrower than the default size: keep it at the minimum.
    header->setDefaultSectionSize(70);
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pane.dock->setWidget(pane.view);

    connect(pane.titleBar->comboBox(), &QComboBox::currentIndexChanged, this,
            qOverload<int>(&SContentView::onComboBoxindexChanged));
    connect(pane.view, qOverload<QPoint, QList<QSqlRecord>*, QWidget*, QWidget*>(&STableView::recordsDropped), this,
            qOverload<QPoint, QList<QSqlRecord>*, QWidget*, QWidget*>(&SContentView::onRecordsDropped));
    connect(pane.view, qOverload<QList<QUrl>>(&STableView::recordsDropped), this,
            qOverload<QList<QUrl>>(&SContentView::onRecordsDropped));
    connect(pane.view, &STableView::contextMenu, this, &SContentView::onContextMenu);
    connect(pane.view, &STableView::mousePressed, this, &SContentView::onTableViewMousePressed, Qt::QueuedConnection);
    // After the view's own sorting connection, so the model is sorted when we look.
    connect(header, &QHeaderView::sectionPressed, this, &SContentView::onSectionPressed);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &SContentView::onSortIndicatorChanged);
    connect(pane.dock, &QDockWidget::dockLocationChanged, this, &SContentView::onDockLocationchanged);
    connect(pane.view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            qOverload<QItemSelection, QItemSelection>(&SContentView::onSelectionChanged));
    connect(pane.model, &QAbstractItemModel::rowsInserted, this,
            [this, index](const QModelIndex&, int first, int last) { onRowsFetched(index, first, last); });
}

void SContentView::setTitleBar(int index, bool withComboBox)
{
    Pane& pane = m_panes[index];
    QWidget* wanted = withComboBox ? pane.titleBar : pane.emptyTitleBar;
    QWidget* other = withComboBox ? pane.emptyTitleBar : pane.titleBar;
    if (pane.dock->titleBarWidget() != wanted)
        pane.dock->setTitleBarWidget(wanted);
    other->hide();
    wanted->show();
}

void SContentView::setupDatabase()
{
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->createTable(SDatabaseManager::E_TABLE_LOOPS))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
}

void SContentView::initializeUIComponents()
{
    SLOG_SCOPE();
    if (SMainWindow* window = SMainWindow::instance()) {
        if (SToolbar* toolbar = window->toolbar()) {
            connect(toolbar, &SToolbar::editMenuAboutToShow, this, &SContentView::onEditMenuAboutToShow,
                    Qt::UniqueConnection);
            connect(toolbar, &SToolbar::actionTriggered, this, &SContentView::onToolBarActionTriggered,
                    Qt::UniqueConnection);
            connect(toolbar, &SToolbar::searchTextEdited, this, &SContentView::onSearchTextEdited,
                    Qt::UniqueConnection);
            // The context menu offers the tool bar's loop commands after its own.
            if (m_contextMenu->actions().size() == 1) {
                for (int id : {SToolbar::E_ACTION_CONVERT_FILE, SToolbar::E_ACTION_DELETE, SToolbar::E_ACTION_COPY,
                               SToolbar::E_ACTION_CUT, SToolbar::E_ACTION_PASTE, SToolbar::E_ACTION_EXPORT_LOOP}) {
                    if (QAction* action = toolbar->actionById(id))
                        m_contextMenu->addAction(action);
                }
            }
        }
        // The main window makes the resource view after this one: connect to it once it exists.
        QPointer<SMainWindow> guard(window);
        QMetaObject::invokeMethod(
            this,
            [this, guard] {
                if (guard)
                    connectResourceView(qobject_cast<SResourceView*>(guard->resourceDock()));
            },
            Qt::QueuedConnection);
    }
    onSelectedLibrary();
}

void SContentView::connectResourceView(SResourceView* resourceView)
{
    if (!resourceView || m_resourceView == resourceView)
        return;
    m_resourceView = resourceView;
    connect(resourceView, &SResourceView::deviceNodeAdded, this, &SContentView::onDeviceNodeAdded,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::loopListSelected, this, &SContentView::onSelectedLoopList,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::librarySelected, this, &SContentView::onSelectedLibrary,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::loopListCreated, this, &SContentView::onCreatedLoopList,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::loopListDeleted, this, &SContentView::onDeletedLoopList,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::loopListRenamed, this, &SContentView::onRenamedLoopList,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::clickedMemoryInternal, this, &SContentView::onClickedMemoryInternal,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::clickedMemoryExternal, this, &SContentView::onClickedMemoryExternal,
            Qt::UniqueConnection);
    connect(resourceView, &SResourceView::deviceRemoved, this, &SContentView::onDeviceRemoved,
            Qt::UniqueConnection);

    // LoopLists and devices shown before we listened, in the resource view's order.
    QList<SLoopList*> lists;
    const QList<SLoopList*> children = resourceView->findChildren<SLoopList*>();
    for (SLoopList* list : children) {
        if (!list->isLibrary() && !list->isHidden())
            lists << list;
    }
    std::stable_sort(lists.begin(), lists.end(), [](const SLoopList* a, const SLoopList* b) {
        const QLayout* la = a->parentWidget() ? a->parentWidget()->layout() : nullptr;
        const QLayout* lb = b->parentWidget() ? b->parentWidget()->layout() : nullptr;
        return (la ? la->indexOf(a) : 0) < (lb ? lb->indexOf(b) : 0);
    });
    for (SLoopList* list : std::as_const(lists))
        onCreatedLoopList(list);
    const QList<SDeviceNode*> nodes = resourceView->findChildren<SDeviceNode*>();
    for (SDeviceNode* node : nodes)
        onDeviceNodeAdded(node);
}

// ---- Accessors and filters ----------------------------------------------------

STableView::E_CONTENTTYPE SContentView::currentContentType() const
{
    const STableView* view = currentView();
    return view ? view->contentType() : STableView::E_CONTENT_NONE;
}

STableView* SContentView::currentView() const
{
    return m_currentPane < 0 ? nullptr : m_panes[m_currentPane].view;
}

SSqlTableModel* SContentView::currentModel() const
{
    return m_currentPane < 0 ? nullptr : m_panes[m_currentPane].model;
}

STableView* SContentView::view(int pane) const
{
    return pane == E_PANE_UPPER || pane == E_PANE_LOWER ? m_panes[pane].view : nullptr;
}

SSqlTableModel* SContentView::model(int pane) const
{
    return pane == E_PANE_UPPER || pane == E_PANE_LOWER ? m_panes[pane].model : nullptr;
}

QDockWidget* SContentView::dock(int pane) const
{
    return pane == E_PANE_UPPER || pane == E_PANE_LOWER ? m_panes[pane].dock : nullptr;
}

SContentViewTitleBar* SContentView::titleBar(int pane) const
{
    return pane == E_PANE_UPPER || pane == E_PANE_LOWER ? m_panes[pane].titleBar : nullptr;
}

QComboBox* SContentView::comboBox(int pane) const
{
    SContentViewTitleBar* bar = titleBar(pane);
    return bar ? bar->comboBox() : nullptr;
}

QString SContentView::viewFilter(int pane) const
{
    return pane == E_PANE_UPPER || pane == E_PANE_LOWER ? m_panes[pane].viewFilter : QString();
}

QString SContentView::libraryFilter()
{
    return QStringLiteral("inlibrary='true'");
}

QString SContentView::loopListFilter(int loopListId)
{
    return QStringLiteral("looplistid=%1").arg(loopListId);
}

QString SContentView::deviceFilter(const QString& deviceId, bool internal)
{
    return QStringLiteral("deviceid=%1 AND storagepath='%2'")
        .arg(SDatabaseManager::quote(deviceId), internal ? QStringLiteral("internal") : QStringLiteral("external"));
}

QString SContentView::searchFilterFor(const QString& text)
{
    // Typed text is data: quoted, and its % and _ escaped so they match themselves.
    const QString pattern = SDatabaseManager::likeContains(text);
    QStringList terms;
    for (const char* column : kSearchColumns)
        terms << QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(QLatin1String(column), pattern);
    return terms.join(QStringLiteral(" OR "));
}

QString SContentView::combinedFilter(const QString& viewFilter, const QString& searchFilter)
{
    return QStringLiteral("(") + viewFilter + QStringLiteral(")") + QStringLiteral(" AND ") + QStringLiteral("(") +
           searchFilter + QStringLiteral(")");
}

void SContentView::setLengthMeasurer(LengthMeasurer measurer)
{
    lengthMeasurer() = std::move(measurer);
}

void SContentView::setUrlOpener(UrlOpener opener)
{
    urlOpener() = opener ? std::move(opener) : UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

int SContentView::paneOf(const QObject* object) const
{
    if (!object)
        return -1;
    for (int index : {E_PANE_UPPER, E_PANE_LOWER}) {
        const Pane& pane = m_panes[index];
        if (object == pane.view || object == pane.model || object == pane.view->horizontalHeader() ||
            object == pane.view->selectionModel() || object == pane.titleBar->comboBox() || object == pane.dock)
            return index;
    }
    return -1;
}

QAction* SContentView::toolbarAction(int id) const
{
    SMainWindow* window = SMainWindow::instance();
    SToolbar* toolbar = window ? window->toolbar() : nullptr;
    return toolbar ? toolbar->actionById(id) : nullptr;
}

SLineEdit* SContentView::searchField()
{
    if (!m_searchField) {
        SMainWindow* window = SMainWindow::instance();
        if (window && window->toolbar())
            m_searchField = window->toolbar()->searchField();
    }
    return m_searchField.data();
}

// ---- Showing a source ---------------------------------------------------------

bool SContentView::populateLibrary(SSqlTableModel* model, STableView* view, bool force)
{
    SLOG_SCOPE();
    const int pane = paneOf(view);
    if (pane < 0 || paneOf(model) != pane) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    Source source;
    source.type = STableView::E_CONTENT_LIBRARY;
    source.sourceId = STableView::E_SOURCE_LIBRARY;
    source.filter = libraryFilter();
    source.defaultSortField = QStringLiteral("Name");
    source.sortColumn = m_librarySortColumn;
    source.sortOrder = m_librarySortOrder;
    source.title = kLibraryItem;
    source.rememberedRow = m_libraryRow;
    source.force = force;
    return showSource(pane, source);
}

bool SContentView::populateLoopList(SLoopList* loopList, SSqlTableModel* model, STableView* view)
{
    SLOG_SCOPE();
    const int pane = paneOf(view);
    if (!loopList || pane < 0 || paneOf(model) != pane) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    Source source;
    source.type = STableView::E_CONTENT_LOOPLIST;
    source.sourceId = loopList->id();
    source.filter = loopListFilter(loopList->id());
    source.defaultSortField = QStringLiteral("Loop #");
    source.sortColumn = loopList->sortColumn();
    source.sortOrder = loopList->sortOrder();
    source.title = loopList->name();
    source.object = loopList;
    source.rememberedRow = loopList->selectedRow();
    return showSource(pane, source);
}

bool SContentView::populateDeviceInternal(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view)
{
    SLOG_SCOPE();
    return populateDevice(deviceNode, model, view, true);
}

bool SContentView::populateDeviceExternal(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view)
{
    SLOG_SCOPE();
    return populateDevice(deviceNode, model, view, false);
}

bool SContentView::populateDevice(SDeviceNode* deviceNode, SSqlTableModel* model, STableView* view, bool internal)
{
    const int pane = paneOf(view);
    if (!deviceNode || pane < 0 || paneOf(model) != pane) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    Source source;
    source.type = internal ? STableView::E_CONTENT_DEVICE_INTERNAL : STableView::E_CONTENT_DEVICE_EXTERNAL;
    source.sourceId = internal ? STableView::E_SOURCE_DEVICE_INTERNAL : STableView::E_SOURCE_DEVICE_EXTERNAL;
    source.filter = deviceFilter(deviceNode->deviceId(), internal);
    source.defaultSortField = QStringLiteral("Loop #");
    source.sortColumn = deviceNode->sortColumn(internal);
    source.sortOrder = deviceNode->sortOrder(internal);
    source.title = deviceNode->deviceName() + (internal ? QStringLiteral(" Internal") : QStringLiteral(" External"));
    source.key = deviceNode->deviceName();
    source.object = deviceNode;
    source.rememberedRow = deviceNode->selectedRow(internal);
    return showSource(pane, source);
}

bool SContentView::showSource(int index, const Source& source)
{
    Pane& pane = m_panes[index];
    STableView* view = pane.view;
    SSqlTableModel* model = pane.model;

    // 1. Already shown: nothing to do (and no query).
    if (view->contentType() == source.type) {
        if (source.type == STableView::E_CONTENT_LIBRARY && !source.force)
            return false;
        if (source.type == STableView::E_CONTENT_LOOPLIST && view->sourceId() == source.sourceId)
            return false;
        if ((source.type == STableView::E_CONTENT_DEVICE_INTERNAL ||
             source.type == STableView::E_CONTENT_DEVICE_EXTERNAL) &&
            view->sourceKey() == source.key && view->sourceObject() == source.object)
            return false;
    }

    // 2. A new source starts without a search.
    if (!m_searchFilter.isEmpty()) {
        if (SLineEdit* field = searchField())
            field->resetField();
        m_searchFilter.clear();
        refreshViews();
    }

    // 3. The visible pane stops being current while it changes.
    const bool visible = view->isVisibleTo(this) || (source.type == STableView::E_CONTENT_LIBRARY && source.force);
    if (visible)
        setCurrentPane(-1);

    // 4 and 5. Filter and sort in one query.
    if (model->tableName() != kLoops) {
        model->setTable(kLoops);
        model->setEditStrategy(QSqlTableModel::OnFieldChange);
    }
    int sortColumn = source.sortColumn;
    Qt::SortOrder sortOrder = source.sortOrder;
    if (sortColumn < 0 || sortColumn >= model->columnCount()) {
        sortColumn = model->fieldIndex(source.defaultSortField);
        sortOrder = Qt::AscendingOrder;
    }
    pane.pendingIds.clear();
    model->setSort(sortColumn, sortOrder);
    if (!selectWithFilter(model, source.filter)) {
        SLOG_WARN("\nSql error: %s", qUtf8Printable(model->lastError().text()));
        return false;
    }
    pane.viewFilter = source.filter;
    {
        // The model is sorted already; the indicator must not sort it again.
        const QSignalBlocker blocker(view->horizontalHeader());
        view->horizontalHeader()->setSortIndicator(sortColumn, sortOrder);
    }

    // 6. What the view shows.
    view->setContentType(source.type);
    view->setSourceId(source.sourceId);
    view->setSourceName(source.title);
    view->setSourceObject(source.object);
    view->setSourceKey(source.key);
    pane.dock->setWindowTitle(source.title);

    // 7. Columns and delegate; names and descriptions get room the first time.
    SSqlTableModel::refreshKnownColumns(model);
    if (!pane.widthsSet) {
        pane.widthsSet = true;
        for (const auto& [name, width] : kColumnWidths) {
            const int column = model->fieldIndex(QLatin1String(name));
            if (column >= 0)
                view->setColumnWidth(column, width);
        }
    }
    if (view->itemDelegate() != pane.delegate)
        view->setItemDelegate(pane.delegate);
    if (SSqlTableModel::ratingColumn >= 0) {
        view->setColumnWidth(SSqlTableModel::ratingColumn, 70);
        view->horizontalHeader()->setSectionResizeMode(SSqlTableModel::ratingColumn, QHeaderView::Fixed);
    }
    hideColumns(model, view, source.type == STableView::E_CONTENT_LIBRARY);

    // 8.
    if (visible)
        setCurrentPane(index);

    // 9. Selection, in single view only.
    QList<int> rows;
    if (m_viewMode == E_VIEW_SINGLE) {
        const int remembered = source.rememberedRow;
        if (remembered >= 0 && remembered < model->rowCount() && isSelectableLoopRow(model, remembered))
            rows << remembered;
        else if (model->rowCount() > 0 && isSelectableLoopRow(model, 0))
            rows << 0;
    }
    selectRows(index, rows);
    if (m_currentPane == index)
        m_currentRow = rows.isEmpty() ? -1 : rows.first();

    // 10. Loop details of the (single) selected row.
    if (m_currentPane == index) {
        m_loopDetails = stDeviceData();
        const QList<int> selected = view->selectedRowsSorted();
        if (selected.size() == 1) {
            fillLoopDetails(model->record(selected.first()));
            Q_EMIT loopDetails(&m_loopDetails, SSqlTableModel::isDeviceRow(model->record(selected.first())));
        } else {
            Q_EMIT loopDetails(&m_loopDetails, false);
        }
    }

    // 11.
    onEditMenuAboutToShow();
    return true;
}

bool SContentView::selectWithFilter(SSqlTableModel* model, const QString& filter)
{
    // QSqlTableModel::setFilter selects by itself while its query is active: one query either way.
    if (!model->query().isActive()) {
        model->setFilter(filter);
        return model->select();
    }
    model->setFilter(filter);
    return model->query().isActive();
}

void SContentView::hideColumns(SSqlTableModel* model, STableView* view, bool hideLoopNumber)
{
    if (!model || !view) {
        SLOG_WARN("Found null pointer");
        return;
    }
    for (const char* name : kHiddenColumns) {
        const int column = model->fieldIndex(QLatin1String(name));
        if (column >= 0)
            view->setColumnHidden(column, true);
    }
    const int loopNumber = model->fieldIndex(QStringLiteral("Loop #"));
    if (loopNumber >= 0)
        view->setColumnHidden(loopNumber, hideLoopNumber);
}

void SContentView::setCurrentPane(int pane)
{
    m_currentPane = pane;
    if (pane < 0)
        m_currentRow = -1;
}

bool SContentView::isSelectableLoopRow(const SSqlTableModel* model, int row) const
{
    return model && row >= 0 && row < model->rowCount() &&
           (model->flags(model->index(row, 0)) & Qt::ItemIsSelectable);
}

void SContentView::selectRows(int index, const QList<int>& rows)
{
    Pane& pane = m_panes[index];
    QItemSelectionModel* selection = pane.view->selectionModel();
    const QSignalBlocker blocker(selection);
    const int lastColumn = pane.model->columnCount() - 1;
    QItemSelection wanted;
    for (int row : rows)
        wanted.select(pane.model->index(row, 0), pane.model->index(row, lastColumn));
    selection->select(wanted, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty())
        selection->setCurrentIndex(pane.model->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
    // The view is not told while the model's signals are blocked.
    pane.view->viewport()->update();
}

int SContentView::rowOfId(const SSqlTableModel* model, int id) const
{
    const int idColumn = model->fieldIndex(QStringLiteral("id"));
    if (idColumn < 0)
        return -1;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->data(model->index(row, idColumn)).toInt() == id)
            return row;
    }
    return -1;
}

QSet<int> SContentView::selectedIds(int index) const
{
    const Pane& pane = m_panes[index];
    QSet<int> ids;
    const int idColumn = pane.model->fieldIndex(QStringLiteral("id"));
    if (idColumn < 0)
        return ids;
    for (int row : pane.view->selectedRowsSorted())
        ids.insert(pane.model->data(pane.model->index(row, idColumn)).toInt());
    return ids;
}

void SContentView::selectIds(int index, const QSet<int>& ids)
{
    Pane& pane = m_panes[index];
    pane.pendingIds = ids;
    QList<int> rows;
    const int idColumn = pane.model->fieldIndex(QStringLiteral("id"));
    if (idColumn >= 0 && !ids.isEmpty()) {
        for (int row = 0; row < pane.model->rowCount() && !pane.pendingIds.isEmpty(); ++row) {
            const int id = pane.model->data(pane.model->index(row, idColumn)).toInt();
            if (pane.pendingIds.remove(id) && isSelectableLoopRow(pane.model, row))
                rows << row;
        }
    }
    selectRows(index, rows);
}

void SContentView::onRowsFetched(int index, int first, int last)
{
    // A selected loop that sorted or filtered beyond the rows fetched so far is
    // selected again when scrolling brings it in.
    Pane& pane = m_panes[index];
    if (pane.pendingIds.isEmpty())
        return;
    const int idColumn = pane.model->fieldIndex(QStringLiteral("id"));
    if (idColumn < 0)
        return;
    QItemSelection found;
    const int lastColumn = pane.model->columnCount() - 1;
    for (int row = first; row <= last && !pane.pendingIds.isEmpty(); ++row) {
        const int id = pane.model->data(pane.model->index(row, idColumn)).toInt();
        if (pane.pendingIds.remove(id) && isSelectableLoopRow(pane.model, row))
            found.select(pane.model->index(row, 0), pane.model->index(row, lastColumn));
    }
    if (found.isEmpty())
        return;
    const QSignalBlocker blocker(pane.view->selectionModel());
    pane.view->selectionModel()->select(found, QItemSelectionModel::Select);
    pane.view->viewport()->update();
}

// ---- Selection and loop details -----------------------------------------------

void SContentView::fillLoopDetails(const QSqlRecord& row)
{
    m_loopDetails = stDeviceData();
    stLoop loop;
    loop.filePath = row.value(QStringLiteral("filepath")).toString();
    loop.rowId = row.value(QStringLiteral("id")).toInt();
    loop.inLibrary = isTrueText(row.value(QStringLiteral("inlibrary")));
    loop.loopNumber = row.value(QStringLiteral("Loop #")).toUInt();
    loop.stopMode = row.value(QStringLiteral("StopMode")).toString();
    loop.rhythmType = row.value(QStringLiteral("RhythmType")).toString();
    loop.beatsPerMeasure = quint16(row.value(QStringLiteral("bpMeasure")).toUInt());
    loop.beatsPerMinute = SDatabaseManager::tempoFromBpMinute(row.value(QStringLiteral("bpMinute")).toLongLong());
    loop.reversed = row.value(QStringLiteral("isReversed")).toBool();
    loop.loop = row.value(QStringLiteral("isLoop")).toBool();
    loop.settingsVersion = quint16(row.value(QStringLiteral("settingsVersion")).toUInt());
    loop.audioVersion = quint16(row.value(QStringLiteral("audioVersion")).toUInt());
    loop.originId = row.value(QStringLiteral("guidoriginal")).toString();
    loop.patchId = row.value(QStringLiteral("guidpatch")).toString();
    loop.phraseId = row.value(QStringLiteral("guidphrase")).toString();
    loop.name = row.value(QStringLiteral("Name")).toString();
    const QTime length = QTime::fromString(row.value(QStringLiteral("Length")).toString(), QStringLiteral("mm:ss.zzz"));
    loop.length = length.isValid() ? float(length.msecsSinceStartOfDay()) / 1000.0f : 0.0f;
    loop.rating = row.value(QStringLiteral("Rating")).toInt();
    loop.description = row.value(QStringLiteral("Description")).toString();
    loop.artist = row.value(QStringLiteral("Artist")).toString();
    loop.genre = row.value(QStringLiteral("Genre")).toString();
    loop.tags = row.value(QStringLiteral("Tags")).toString();
    loop.tempPath = row.value(QStringLiteral("temppath")).toString();
    m_loopDetails.name = row.value(QStringLiteral("devicename")).toString();
    m_loopDetails.portName = row.value(QStringLiteral("deviceid")).toString();
    m_loopDetails.isInternal = row.value(QStringLiteral("storagepath")).toString() == QLatin1String("internal");
    m_loopDetails.loops << loop;
}

void SContentView::rememberSelectedRow(int index, int row)
{
    const STableView* view = m_panes[index].view;
    switch (view->contentType()) {
    case STableView::E_CONTENT_LIBRARY:
        m_libraryRow = row;
        break;
    case STableView::E_CONTENT_LOOPLIST:
        if (auto* list = qobject_cast<SLoopList*>(view->sourceObject()))
            list->setSelectedRow(row);
        break;
    case STableView::E_CONTENT_DEVICE_INTERNAL:
    case STableView::E_CONTENT_DEVICE_EXTERNAL:
        if (auto* node = qobject_cast<SDeviceNode*>(view->sourceObject()))
            node->setSelectedRow(view->contentType() == STableView::E_CONTENT_DEVICE_INTERNAL, row);
        break;
    default:
        break;
    }
}

void SContentView::onSelectionChanged(STableView* pView, bool bEmitSignal)
{
    const int index = paneOf(pView);
    if (index < 0) {
        SLOG_WARN("Found null pointer");
        return;
    }
    SSqlTableModel* model = m_panes[index].model;
    m_loopDetails = stDeviceData();
    m_lastSelectedIndex = QPersistentModelIndex();
    const QList<int> rows = pView->selectedRowsSorted();
    bool inDevice = false;
    if (rows.size() == 1) {
        const QSqlRecord row = model->record(rows.first());
        fillLoopDetails(row);
        inDevice = SSqlTableModel::isDeviceRow(row);
        m_lastSelectedIndex = model->index(rows.first(), 0);
        rememberSelectedRow(index, rows.first());
    }
    if (bEmitSignal)
        Q_EMIT loopDetails(&m_loopDetails, inDevice);
}

void SContentView::onSelectionChanged(STableView* pView)
{
    onSelectionChanged(pView, true);
}

void SContentView::onSelectionChanged(bool bEmitSignal)
{
    if (STableView* view = currentView())
        onSelectionChanged(view, bEmitSignal);
}

void SContentView::onSelectionChanged()
{
    onSelectionChanged(true);
}

void SContentView::onSelectionChanged(QItemSelection deselected, QItemSelection selected)
{
    Q_UNUSED(deselected)
    Q_UNUSED(selected)
    onEditMenuAboutToShow();
    const int index = paneOf(sender());
    if (index < 0 || index != m_currentPane)
        return;
    // The user chose: loops waiting to be selected again are forgotten.
    m_panes[index].pendingIds.clear();
    onSelectionChanged(m_panes[index].view, true);
}

// ---- Sorting --------------------------------------------------------------------

void SContentView::onSectionPressed(int logicalIndex)
{
    Q_UNUSED(logicalIndex)
    m_reselectId = -1;
    int index = paneOf(sender());
    if (index < 0)
        index = m_currentPane;
    if (index < 0)
        return;
    const QSet<int> ids = selectedIds(index);
    if (ids.size() == 1)
        m_reselectId = *ids.begin();
}

void SContentView::onSortIndicatorChanged(int column, Qt::SortOrder order)
{
    const int index = paneOf(sender());
    if (index < 0 || index != m_currentPane)
        return;
    Pane& pane = m_panes[index];
    switch (pane.view->contentType()) {
    case STableView::E_CONTENT_LOOPLIST:
        if (auto* list = qobject_cast<SLoopList*>(pane.view->sourceObject())) {
            list->setSortColumn(column);
            list->setSortOrder(order);
        }
        break;
    case STableView::E_CONTENT_DEVICE_INTERNAL:
    case STableView::E_CONTENT_DEVICE_EXTERNAL:
        if (auto* node = qobject_cast<SDeviceNode*>(pane.view->sourceObject())) {
            const bool internal = pane.view->contentType() == STableView::E_CONTENT_DEVICE_INTERNAL;
            node->setSortColumn(internal, column);
            node->setSortOrder(internal, order);
        }
        break;
    default:
        m_librarySortColumn = column;
        m_librarySortOrder = order;
        break;
    }
    if (m_reselectId < 0)
        return;
    const int id = m_reselectId;
    m_reselectId = -1;
    const int row = rowOfId(pane.model, id);
    if (row < 0) {
        // Sorted beyond the rows fetched so far: selected when it is fetched.
        selectIds(index, QSet<int> {id});
        return;
    }
    selectRows(index, QList<int> {row});
    m_currentRow = row;
    pane.view->scrollTo(pane.model->index(row, 0));
    onSelectionChanged(pane.view, true);
}

// ---- Search and refresh -----------------------------------------------------------

void SContentView::onSearchTextEdited(QString strSearchText)
{
    SLOG_SCOPE();
    m_searchFilter = strSearchText.isEmpty() ? QString() : searchFilterFor(strSearchText);
    refreshViews();
    onSelectionChanged(true);
}

void SContentView::refreshViews()
{
    SLOG_SCOPE();
    // The current row follows its loop (or slot) too.
    int currentId = -1;
    if (SSqlTableModel* current = currentModel(); current && m_currentRow >= 0 && m_currentRow < current->rowCount())
        currentId = current->data(current->index(m_currentRow, current->fieldIndex(QStringLiteral("id")))).toInt();
    for (int index : {E_PANE_UPPER, E_PANE_LOWER}) {
        Pane& pane = m_panes[index];
        if (pane.viewFilter.isEmpty())
            continue;
        // The same loops stay selected, wherever the refreshed rows put them.
        const QSet<int> ids = selectedIds(index) + pane.pendingIds;
        const QSignalBlocker blocker(pane.view->selectionModel());
        const QString filter =
            m_searchFilter.isEmpty() ? pane.viewFilter : combinedFilter(pane.viewFilter, m_searchFilter);
        if (!selectWithFilter(pane.model, filter))
            SLOG_WARN("Sql Error: %s", qUtf8Printable(pane.model->lastError().text()));
        if (!m_searchFilter.isEmpty())
            SLOG_PLAIN("newFilter: %s", qUtf8Printable(filter));
        selectIds(index, ids);
    }
    if (SSqlTableModel* current = currentModel())
        m_currentRow = currentId < 0 ? -1 : rowOfId(current, currentId);
    onEditMenuAboutToShow();
}

// ---- Forward and backward -----------------------------------------------------------

void SContentView::onForwardClicked()
{
    step(true);
}

void SContentView::onBackwardClicked()
{
    step(false);
}

void SContentView::step(bool forward)
{
    STableView* view = currentView();
    SSqlTableModel* model = currentModel();
    if (!view || !model)
        return;
    const QList<int> rows = view->selectedRowsSorted();
    if (rows.size() != 1)
        return;
    const int start = rows.first();
    int row = start;
    for (;;) {
        if (forward) {
            ++row;
            if (row >= model->rowCount() && model->canFetchMore())
                model->fetchMore();
            if (row >= model->rowCount())
                row = 0;
        } else {
            --row;
            if (row < 0) {
                // Wrapping backwards needs the last row.
                while (model->canFetchMore())
                    model->fetchMore();
                row = model->rowCount() - 1;
            }
        }
        if (row == start || row < 0)
            return;
        // Empty slots and loops whose file is missing cannot be selected.
        if (isSelectableLoopRow(model, row))
            break;
    }
    selectRows(m_currentPane, QList<int> {row});
    m_currentRow = row;
    view->scrollTo(model->index(row, 0));
    onSelectionChanged(view, true);
    onEditMenuAboutToShow();
}

// ---- Sources chosen elsewhere ---------------------------------------------------------

void SContentView::onSelectedLibrary()
{
    SLOG_SCOPE();
    populateLibrary(m_panes[E_PANE_UPPER].model, m_panes[E_PANE_UPPER].view, true);
}

void SContentView::onSelectedLoopList(SLoopList* pLoopList)
{
    SLOG_SCOPE();
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return;
    }
    if (m_viewMode == E_VIEW_SINGLE)
        populateLoopList(pLoopList, m_panes[E_PANE_UPPER].model, m_panes[E_PANE_UPPER].view);
}

void SContentView::onClickedMemoryInternal(SDeviceNode* pDeviceNode)
{
    SLOG_SCOPE();
    showDeviceMemory(pDeviceNode, true);
}

void SContentView::onClickedMemoryExternal(SDeviceNode* pDeviceNode)
{
    SLOG_SCOPE();
    showDeviceMemory(pDeviceNode, false);
}

void SContentView::showDeviceMemory(SDeviceNode* deviceNode, bool internal)
{
    if (!deviceNode) {
        SLOG_WARN("Found null pointer");
        return;
    }
    showDeviceIcon(deviceNode);
    populateDevice(deviceNode, m_panes[E_PANE_UPPER].model, m_panes[E_PANE_UPPER].view, internal);
}

void SContentView::showDeviceIcon(SDeviceNode* deviceNode)
{
    QAction* details = toolbarAction(SToolbar::E_ACTION_DEVICE_DETAILS);
    if (!details)
        return;
    QString name = deviceNode->deviceName();
    details->setIcon(QIcon(QStringLiteral(":/images/ToolBar/") + name.toLower().replace(QLatin1Char(' '), QLatin1Char('_')) +
                           QStringLiteral("_toolbar.png")));
    SMainWindow* window = SMainWindow::instance();
    if (QWidget* button = window->toolbar()->widgetForAction(details)) {
        button->setObjectName(QStringLiteral("SDeviceNodePushButtonDeviceIcon") +
                              name.replace(QLatin1Char(' '), QLatin1Char('_')));
        // Only this button's rules change: polishing it again is enough.
        button->style()->unpolish(button);
        button->style()->polish(button);
        button->update();
    }
}

void SContentView::addSourceItems(QComboBox* comboBox, SLoopList* loopList)
{
    QObject* object = loopList;
    if (comboBox->findData(QVariant::fromValue(object)) >= 0)
        return;
    const QSignalBlocker blocker(comboBox);
    comboBox->addItem(loopList->name(), QVariant::fromValue(object));
}

void SContentView::addDeviceItems(QComboBox* comboBox, SDeviceNode* deviceNode)
{
    QObject* object = deviceNode;
    if (comboBox->findData(QVariant::fromValue(object)) >= 0)
        return;
    const QSignalBlocker blocker(comboBox);
    comboBox->addItem(deviceNode->deviceName() + QStringLiteral(" Internal"), QVariant::fromValue(object));
    if (deviceNode->hasExternalMemory())
        comboBox->addItem(deviceNode->deviceName() + QStringLiteral(" External"), QVariant::fromValue(object));
}

void SContentView::onCreatedLoopList(SLoopList* pLoopList)
{
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return;
    }
    for (const Pane& pane : m_panes)
        addSourceItems(pane.titleBar->comboBox(), pLoopList);
}

void SContentView::onDeletedLoopList(SLoopList* pLoopList)
{
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return;
    }
    QObject* object = pLoopList;
    for (int index : {E_PANE_UPPER, E_PANE_LOWER}) {
        QComboBox* combo = m_panes[index].titleBar->comboBox();
        const int item = combo->findData(QVariant::fromValue(object));
        if (item < 0)
            continue;
        const bool shown = combo->currentIndex() == item;
        {
            const QSignalBlocker blocker(combo);
            combo->removeItem(item);
        }
        // A pane of the split view that showed it shows what its box selects now.
        if (shown && m_viewMode == E_VIEW_SPLIT)
            showComboSelection(index);
    }
}

void SContentView::onRenamedLoopList(SLoopList* pLoopList)
{
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return;
    }
    QObject* object = pLoopList;
    for (Pane& pane : m_panes) {
        QComboBox* combo = pane.titleBar->comboBox();
        const int item = combo->findData(QVariant::fromValue(object));
        if (item >= 0)
            combo->setItemText(item, pLoopList->name());
        if (pane.view->sourceObject() == pLoopList) {
            pane.view->setSourceName(pLoopList->name());
            pane.dock->setWindowTitle(pLoopList->name());
        }
    }
}

void SContentView::onDeviceNodeAdded(SDeviceNode* pDeviceNode)
{
    if (!pDeviceNode) {
        SLOG_WARN("Found null pointer");
        return;
    }
    for (const Pane& pane : m_panes)
        addDeviceItems(pane.titleBar->comboBox(), pDeviceNode);
}

void SContentView::onDeviceRemoved(SDeviceNode* pDeviceNode)
{
    SLOG_SCOPE();
    if (!pDeviceNode) {
        SLOG_WARN("Found null pointer");
        return;
    }
    QObject* object = pDeviceNode;
    for (int index : {E_PANE_UPPER, E_PANE_LOWER}) {
        QComboBox* combo = m_panes[index].titleBar->comboBox();
        {
            const QSignalBlocker blocker(combo);
            for (int item = combo->findData(QVariant::fromValue(object)); item >= 0;
                 item = combo->findData(QVariant::fromValue(object)))
                combo->removeItem(item);
        }
        if (m_panes[index].view->sourceObject() != pDeviceNode)
            continue;
        // Its rows are gone with the device.
        if (m_viewMode == E_VIEW_SPLIT)
            showComboSelection(index);
        else if (index == E_PANE_UPPER)
            onSelectedLibrary();
    }
}

void SContentView::onComboBoxindexChanged(int index)
{
    onComboBoxindexChanged(index, qobject_cast<QComboBox*>(sender()));
}

void SContentView::onComboBoxindexChanged(int index, QComboBox* pComboBox)
{
    if (!pComboBox) {
        SLOG_WARN("Found null pointer");
        return;
    }
    if (m_viewMode != E_VIEW_SPLIT || index < 0)
        return;
    const int pane = paneOf(pComboBox);
    if (pane >= 0)
        showComboSelection(pane);
}

void SContentView::showComboSelection(int index)
{
    Pane& pane = m_panes[index];
    QComboBox* combo = pane.titleBar->comboBox();
    const QVariant data = combo->currentData();
    QObject* object = data.value<QObject*>();
    if (auto* list = qobject_cast<SLoopList*>(object)) {
        populateLoopList(list, pane.model, pane.view);
    } else if (auto* node = qobject_cast<SDeviceNode*>(object)) {
        if (combo->currentText().endsWith(QLatin1String("External")))
            populateDeviceExternal(node, pane.model, pane.view);
        else
            populateDeviceInternal(node, pane.model, pane.view);
    } else {
        populateLibrary(pane.model, pane.view, pane.view->contentType() != STableView::E_CONTENT_LIBRARY);
    }
}

void SContentView::setComboToSource(int index)
{
    Pane& pane = m_panes[index];
    QComboBox* combo = pane.titleBar->comboBox();
    int item = 0;
    QObject* object = pane.view->sourceObject();
    if (object) {
        item = combo->findData(QVariant::fromValue(object));
        if (item >= 0 && pane.view->contentType() == STableView::E_CONTENT_DEVICE_EXTERNAL &&
            item + 1 < combo->count() && combo->itemData(item + 1).value<QObject*>() == object)
            ++item;
    }
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(item < 0 ? 0 : item);
}

// ---- Split view -----------------------------------------------------------------------

void SContentView::onClickedSplitView(int splits)
{
    SLOG_SCOPE();
    switchViewMode(splits == E_VIEW_SPLIT ? E_VIEW_SPLIT : E_VIEW_SINGLE);
}

void SContentView::switchViewMode(int mode)
{
    SMainWindow* window = SMainWindow::instance();
    QDockWidget* resources = window ? window->resourceDock() : nullptr;
    Pane& upper = m_panes[E_PANE_UPPER];
    Pane& lower = m_panes[E_PANE_LOWER];
    if (QAction* single = toolbarAction(SToolbar::E_ACTION_SINGLE_VIEW))
        single->setChecked(mode == E_VIEW_SINGLE);
    if (QAction* split = toolbarAction(SToolbar::E_ACTION_SPLIT_VIEW))
        split->setChecked(mode == E_VIEW_SPLIT);

    if (mode == E_VIEW_SINGLE) {
        if (resources)
            resources->show();
        m_viewMode = E_VIEW_SINGLE;
        setTitleBar(E_PANE_UPPER, false);
        lower.dock->hide();
        if (upper.view->contentType() != STableView::E_CONTENT_LIBRARY)
            m_libraryRow = 0;
        populateLibrary(upper.model, upper.view, true);
    } else {
        if (resources)
            resources->hide();
        m_viewMode = E_VIEW_SPLIT;
        setTitleBar(E_PANE_UPPER, true);
        setTitleBar(E_PANE_LOWER, true);
        upper.dock->hide();
        setComboToSource(E_PANE_UPPER);
        if (!upper.view->sourceObject())
            populateLibrary(upper.model, upper.view, upper.view->contentType() != STableView::E_CONTENT_LIBRARY);
        {
            const QSignalBlocker blocker(lower.titleBar->comboBox());
            lower.titleBar->comboBox()->setCurrentIndex(0);
        }
        populateLibrary(lower.model, lower.view, false);
        lower.dock->show();
        if (!lower.viewFilter.isEmpty())
            lower.model->select();
        upper.dock->show();
        setCurrentPane(E_PANE_UPPER);
        const QList<int> rows = upper.view->selectedRowsSorted();
        m_currentRow = rows.isEmpty() ? -1 : rows.first();
    }
    onEditMenuAboutToShow();
}

void SContentView::onDockLocationchanged(Qt::DockWidgetArea dockArea)
{
    Q_UNUSED(dockArea)
    SLOG_SCOPE();
}

// ---- Menu state -------------------------------------------------------------------------

void SContentView::onEditMenuAboutToShow()
{
    const STableView::E_CONTENTTYPE type = currentContentType();
    const STableView* view = currentView();
    const SSqlTableModel* model = currentModel();
    const bool single = m_viewMode == E_VIEW_SINGLE;
    const QList<int> rows = view ? view->selectedRowsSorted() : QList<int>();
    const bool hasSelection = !rows.isEmpty();
    const bool device =
        type == STableView::E_CONTENT_DEVICE_INTERNAL || type == STableView::E_CONTENT_DEVICE_EXTERNAL;
    const bool library = type == STableView::E_CONTENT_LIBRARY;

    auto set = [this](int id, auto apply) {
        if (QAction* action = toolbarAction(id))
            apply(action);
    };
    set(SToolbar::E_ACTION_NEW_LOOPLIST, [&](QAction* a) { a->setVisible(single); });
    set(SToolbar::E_ACTION_DUPLICATE_LOOPLIST,
        [&](QAction* a) { a->setVisible(single && type == STableView::E_CONTENT_LOOPLIST); });
    set(SToolbar::E_ACTION_DELETE, [&](QAction* a) { a->setEnabled(hasSelection); });
    set(SToolbar::E_ACTION_COPY, [&](QAction* a) { a->setEnabled(hasSelection); });
    set(SToolbar::E_ACTION_CUT, [&](QAction* a) { a->setEnabled(hasSelection && !device); });
    set(SToolbar::E_ACTION_ADD_TO_LIBRARY, [&](QAction* a) { a->setVisible(library); });
    set(SToolbar::E_ACTION_EXPORT_LOOP, [&](QAction* a) {
        a->setVisible(library);
        a->setEnabled(library && hasSelection);
    });
    const SLoopClipboard* clipboard = SLoopClipboard::instance();
    const bool libraryOntoLibrary =
        library && (clipboard->contentType() == STableView::E_CONTENT_LIBRARY ||
                    clipboard->contentType() == STableView::E_CONTENT_LOOPLIST);
    set(SToolbar::E_ACTION_PASTE, [&](QAction* a) {
        a->setEnabled(m_currentRow != -1 && !clipboard->isClipboardEmpty() && !libraryOntoLibrary);
    });
    set(SToolbar::E_ACTION_SYNCHRONIZE, [&](QAction* a) { a->setVisible(device); });
    set(SToolbar::E_ACTION_DEVICE_DETAILS, [&](QAction* a) { a->setVisible(device); });
    set(SToolbar::E_ACTION_CONVERT_FILE, [&](QAction* a) {
        bool convertible = false;
        if (library && rows.size() == 1 && model) {
            const QString length = model->data(model->index(rows.first(), model->fieldIndex(QStringLiteral("Length"))))
                                       .toString();
            convertible = length != QLatin1String("00:00.000");
        }
        a->setEnabled(convertible);
    });
}

// ---- Context menu -------------------------------------------------------------------------

void SContentView::onContextMenu(QPoint relativePos, QPoint globalPos)
{
    auto* view = qobject_cast<STableView*>(sender());
    const int index = paneOf(view);
    if (index < 0) {
        SLOG_WARN("Found null pointer");
        return;
    }
    onEditMenuAboutToShow();
    SSqlTableModel* model = m_panes[index].model;
    m_currentRow = view->rowAt(relativePos.y());
    QSqlRecord row;
    bool revealable = false;
    if (m_currentRow >= 0 && m_currentRow < model->rowCount()) {
        row = model->record(m_currentRow);
        revealable = !SSqlTableModel::isDeviceRow(row) &&
                     (isTrueText(row.value(QStringLiteral("inlibrary"))) || SSqlTableModel::isValidRow(row));
    }
    m_showInExplorer->setVisible(revealable);
    if (m_contextMenu->exec(globalPos) == m_showInExplorer && revealable)
        showInExplorer(row);
}

void SContentView::showInExplorer(const QSqlRecord& row)
{
    const QString path = row.value(QStringLiteral("filepath")).toString();
    if (path.isEmpty())
        return;
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    SLOG_DEBUG("Show in Explorer: %s", qUtf8Printable(folder.toString()));
    if (!urlOpener()(folder))
        SLOG_WARN("Could not open %s in the file manager", qUtf8Printable(folder.toString()));
}

// ---- Mouse press and missing files -----------------------------------------------------------

void SContentView::onTableViewMousePressed(int button, const STableView* pView, int startRow)
{
    const int index = paneOf(pView);
    if (index < 0) {
        SLOG_WARN("Found null pointer");
        return;
    }
    Pane& pane = m_panes[index];
    setCurrentPane(index);
    m_currentRow = startRow;

    if (startRow >= 0 && startRow < pane.model->rowCount())
        promptMissingFile(pane.view, startRow);

    if (button == Qt::LeftButton) {
        // Only one pane holds the selection that the commands act on.
        if (m_viewMode == E_VIEW_SPLIT) {
            Pane& other = m_panes[1 - index];
            if (!other.viewFilter.isEmpty()) {
                other.pendingIds.clear();
                other.model->select();
            }
        }
        onSelectionChanged(pane.view, true);
    }
    onEditMenuAboutToShow();
}

void SContentView::promptMissingFile(STableView* view, int rowNumber)
{
    const int index = paneOf(view);
    const QSqlRecord row = m_panes[index].model->record(rowNumber);
    // Only the library's files and those of filled LoopList slots are ours to find.
    if (SSqlTableModel::isDeviceRow(row) || SSqlTableModel::hasFile(row))
        return;
    if (!SSqlTableModel::isLibraryRow(row) && !SSqlTableModel::isValidRow(row))
        return;

    const QString path = row.value(QStringLiteral("filepath")).toString();
    QMessageBox box(QMessageBox::Warning, tr("File not found."),
                    tr("The file ") + QStringLiteral("<b>") + QStringLiteral("%1 ").arg(path.toHtmlEscaped()) +
                        QStringLiteral("</b>") + tr("could not be found. ") +
                        tr("Would you like to locate the file or delete it from the library?"),
                    QMessageBox::NoButton, nullptr);
    box.setObjectName(QStringLiteral("SContentViewMessageBoxFileNotFound"));
    box.setTextFormat(Qt::RichText);
    QPushButton* locate = box.addButton(tr("Locate"), QMessageBox::ActionRole);
    QPushButton* remove = box.addButton(tr("Delete"), QMessageBox::ActionRole);
    box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == locate)
        locateFile(view, row);
    else if (box.clickedButton() == remove)
        deleteMissingRow(view, row);
}

void SContentView::locateFile(STableView* view, const QSqlRecord& row)
{
    const QString stored = row.value(QStringLiteral("filepath")).toString();
    QFileDialog dialog(qobject_cast<QWidget*>(SGlobals::mainWindow()), tr("Locate File"),
                       QFileInfo(stored).absolutePath(), QStringLiteral("*.wav *.aif *.aiff *.ogg"));
    dialog.setObjectName(QStringLiteral("SContentViewFileDialogLocate"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = dialog.selectedFiles().first();
    const QFileInfo info(chosen);
    if (!info.isFile())
        return;

    QSqlRecord updated = row;
    updated.setValue(QStringLiteral("Name"), info.completeBaseName());
    updated.setValue(QStringLiteral("filepath"), chosen);
    updated.setValue(QStringLiteral("Description"), QStringLiteral("Imported from ") + chosen);
    if (const LengthMeasurer& measure = lengthMeasurer())
        updated.setValue(QStringLiteral("Length"), lengthText(measure(chosen)));
    if (!updated.value(QStringLiteral("guidpatch")).toString().isEmpty())
        updated.setValue(QStringLiteral("guidpatch"), newGuid());
    const QVariant id = row.value(QStringLiteral("id"));
    updated.remove(updated.indexOf(QStringLiteral("id")));
    SDatabaseManager manager;
    if (!manager.updateRecord(updated, idKey(id), kLoops))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(manager.lastError().text()));
    refreshViews();
    if (view && view->selectedRowsSorted().size() == 1)
        onSelectionChanged(view, true);
}

void SContentView::deleteMissingRow(STableView* view, const QSqlRecord& row)
{
    Q_UNUSED(view)
    SDatabaseManager manager;
    bool done = false;
    const QVariant id = row.value(QStringLiteral("id"));
    if (SSqlTableModel::isLibraryRow(row)) {
        done = manager.deleteRecord(idKey(id), kLoops);
    } else {
        // The LoopList keeps the slot, now empty.
        QSqlRecord empty = SDatabaseManager::database().record(kLoops);
        for (int i = 0; i < empty.count(); ++i)
            empty.setNull(i);
        empty.setValue(QStringLiteral("Loop #"), row.value(QStringLiteral("Loop #")));
        empty.setValue(QStringLiteral("looplistid"), row.value(QStringLiteral("looplistid")));
        empty.setValue(QStringLiteral("inlibrary"), QStringLiteral("false"));
        empty.setValue(QStringLiteral("isvalid"), QStringLiteral("false"));
        empty.setValue(QStringLiteral("Rating"), 0);
        empty.remove(empty.indexOf(QStringLiteral("id")));
        done = manager.updateRecord(empty, idKey(id), kLoops);
    }
    if (!done)
        SLOG_WARN("Sql Error: %s", qUtf8Printable(manager.lastError().text()));
    refreshViews();
}

// ---- Tool bar commands -------------------------------------------------------------------------

void SContentView::onToolBarActionTriggered(QObject* pObject)
{
    auto* action = qobject_cast<QAction*>(pObject);
    if (!action) {
        SLOG_WARN("Found null pointer");
        return;
    }
    SLOG_PLAIN("action name: %s", qUtf8Printable(action->text()));
    int id = 0;
    for (int candidate = SToolbar::E_ACTION_NEW_LOOPLIST; candidate <= SToolbar::E_ACTION_SPLIT_VIEW; ++candidate) {
        if (toolbarAction(candidate) == action) {
            id = candidate;
            break;
        }
    }
    switch (id) {
    case SToolbar::E_ACTION_COPY:
        onCopyClicked();
        break;
    case SToolbar::E_ACTION_CUT:
        onCutClicked();
        break;
    case SToolbar::E_ACTION_PASTE:
        onPasteClicked();
        break;
    case SToolbar::E_ACTION_DELETE:
        onDeleteClicked();
        break;
    case SToolbar::E_ACTION_SINGLE_VIEW:
        if (m_viewMode != E_VIEW_SINGLE)
            switchViewMode(E_VIEW_SINGLE);
        break;
    case SToolbar::E_ACTION_SPLIT_VIEW:
        if (m_viewMode != E_VIEW_SPLIT)
            switchViewMode(E_VIEW_SPLIT);
        break;
    case SToolbar::E_ACTION_ADD_TO_LIBRARY:
        onClickedAddToLibrary();
        break;
    case SToolbar::E_ACTION_EXPORT_LOOP:
        onClickedExportLoops();
        break;
    case SToolbar::E_ACTION_RESTORE_LAYOUT:
        switchViewMode(E_VIEW_SINGLE);
        break;
    case SToolbar::E_ACTION_OPTIONS:
        onSelectionChanged(true);
        break;
    default:
        if (id >= SToolbar::E_ACTION_NORMALIZE && id <= SToolbar::E_ACTION_MULTIPLY_8X)
            loopEditRequested(id);
        break;
    }
}

void SContentView::onCopyClicked()
{
    SLoopClipboard::instance()->copy(
        [this](QList<QSqlRecord>& records, STableView* view) { return onCopy(records, view); }, currentView());
    onEditMenuAboutToShow();
}

void SContentView::onCutClicked()
{
    // Cut collects like Copy; the paste that completes it moves the loops.
    SLoopClipboard::instance()->cut(
        [this](QList<QSqlRecord>& records, STableView* view) { return onCopy(records, view); }, currentView());
    onEditMenuAboutToShow();
}

void SContentView::onPasteClicked()
{
    SLoopClipboard::instance()->paste(
        [this](QList<QSqlRecord> records, STableView::E_CONTENTTYPE type, STableView* target, int startRow) {
            return onPaste(records, type, target, startRow);
        },
        currentView(), m_currentRow);
}

void SContentView::onDeleteClicked()
{
    onDelete(currentView());
}

bool SContentView::onCopy(QList<QSqlRecord>& listRecords, STableView* pView)
{
    const int index = paneOf(pView);
    if (index < 0) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    listRecords.clear();
    for (int row : pView->selectedRowsSorted())
        listRecords << m_panes[index].model->record(row);
    return true;
}

bool SContentView::onCut(QList<QSqlRecord>& listRecords, STableView* pView)
{
    return onCopy(listRecords, pView);
}

void SContentView::onClear()
{
    SLoopClipboard::instance()->clear();
}

// ---- Transfers, imports, exports and loop edits: later work ------------------------------------

bool SContentView::onPaste(QList<QSqlRecord> listRecords, STableView::E_CONTENTTYPE e_TypeSource,
                           STableView* pViewTarget, int startRow)
{
    Q_UNUSED(pViewTarget)
    SLOG_DEBUG("Paste of %d loops from content type %d at row %d is not available yet", int(listRecords.size()),
               int(e_TypeSource), startRow);
    return false;
}

bool SContentView::onDelete(STableView* pView)
{
    if (!pView) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    SLOG_DEBUG("Delete is not available yet");
    return false;
}

void SContentView::onRecordsDropped(QPoint droppedAt, QList<QSqlRecord>* pLstRecord, QWidget* pSource,
                                    QWidget* pDestination)
{
    Q_UNUSED(droppedAt)
    Q_UNUSED(pSource)
    Q_UNUSED(pDestination)
    // The drop hands the list over; whatever happens to the loops, it is ours to free.
    const int count = pLstRecord ? int(pLstRecord->size()) : 0;
    delete pLstRecord;
    SLOG_DEBUG("Dropping %d loops is not available yet", count);
}

void SContentView::onRecordsDropped(QList<QUrl> urls)
{
    SLOG_DEBUG("Adding %d dropped files is not available yet", int(urls.size()));
}

void SContentView::addToLibrary(QList<stLoop> lstLoops)
{
    SLOG_DEBUG("Adding %d device loops to the library is not available yet", int(lstLoops.size()));
}

void SContentView::onClickedInsertButton()
{
    SLOG_DEBUG("Insert is not available yet");
}

void SContentView::onClickedAddToLibrary()
{
    SLOG_DEBUG("Add To Library is not available yet");
}

void SContentView::onClickedExportLoops()
{
    SLOG_DEBUG("Export is not available yet");
}

void SContentView::loopEditRequested(int actionId)
{
    SLOG_DEBUG("Loop edit %d is not available yet", actionId);
}

void SContentView::onClickSync(stDeviceData* pDeviceData)
{
    Q_UNUSED(pDeviceData)
    SLOG_SCOPE();
}

bool SContentView::createSlots(const QString& firstPart, const QString& unionPart, int count)
{
    if (count < 1)
        return false;
    QString sql = firstPart.arg(1) + kEmptyTail;
    for (int slot = 2; slot <= count; ++slot)
        sql += unionPart.arg(slot) + kEmptyUnionTail;
    QSqlDatabase db = SDatabaseManager::database();
    QSqlQuery query(db);
    if (!SDatabaseManager::execute(query, sql)) {
        SLOG_WARN("sql error: %d", query.lastError().nativeErrorCode().toInt());
        return false;
    }
    return true;
}

bool SContentView::createLoopListSlots(int loopListId, int count)
{
    SLOG_SCOPE();
    const QString id = QString::number(loopListId);
    return createSlots(QStringLiteral("INSERT INTO 'loops' SELECT NULL AS 'id', ") + id +
                           QStringLiteral(" AS 'looplistid', 'false' AS 'isvalid', NULL AS 'deviceid', NULL AS "
                                          "'devicename', NULL AS 'storagepath', 'false' AS 'inlibrary',  %1 AS "
                                          "'Loop #', "),
                       QStringLiteral(" UNION SELECT NULL, ") + id +
                           QStringLiteral(", 'false', NULL, NULL, NULL, 'false', %1, "),
                       count);
}

bool SContentView::createDeviceSlots(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                                     int count)
{
    SLOG_SCOPE();
    // Device ids and model names come from the pedal: quoted, never pasted in raw.
    const QString id = SDatabaseManager::quote(deviceId);
    const QString name = SDatabaseManager::quote(deviceName);
    const QString path = SDatabaseManager::quote(storagePath);
    return createSlots(QStringLiteral("INSERT INTO 'loops' SELECT NULL AS 'id', NULL AS 'looplistid', 'false' AS "
                                      "'isvalid', ") +
                           id + QStringLiteral(" AS 'deviceid', ") + name + QStringLiteral(" AS 'devicename', ") +
                           path + QStringLiteral(" AS 'storagepath', 'false' AS 'inlibrary',  %1 AS 'Loop #', "),
                       QStringLiteral(" UNION SELECT NULL, NULL, 'false', ") + id + QStringLiteral(", ") + name +
                           QStringLiteral(", ") + path + QStringLiteral(", 'false', %1, "),
                       count);
}

bool SContentView::insertDeviceSlot(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                                    int loopNumber)
{
    QSqlDatabase db = SDatabaseManager::database();
    QSqlRecord record = db.record(QStringLiteral("loops"));
    record.setValue(QStringLiteral("deviceid"), deviceId);
    record.setValue(QStringLiteral("isvalid"), QStringLiteral("false"));
    record.setValue(QStringLiteral("inlibrary"), QStringLiteral("false"));
    record.setValue(QStringLiteral("storagepath"), storagePath);
    record.setValue(QStringLiteral("Loop #"), loopNumber);
    record.setValue(QStringLiteral("Rating"), QStringLiteral("0"));
    record.setValue(QStringLiteral("devicename"), deviceName);
    record.remove(record.indexOf(QStringLiteral("id")));
    const QString sql = db.driver()->sqlStatement(QSqlDriver::InsertStatement, QStringLiteral("loops"), record, false);
    SLOG_PLAIN("record(after generate): %s", qUtf8Printable(sql));
    QSqlQuery query(db);
    return query.exec(sql);
}
