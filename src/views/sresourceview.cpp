#include "views/sresourceview.h"

#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "audio/saudiofileoperations.h"
#include "core/sglobals.h"
#include "core/slog.h"
#include "device/sdevicehandler.h"
#include "device/sdevicemanagerthread.h"
#include "device/sevent.h"
#include "device/sloopdocuments.h"
#include "library/sdatabasemanager.h"
#include "library/sdbtransaction.h"
#include "views/scontentview.h"
#include "views/sdevicememorynode.h"
#include "views/sdevicenode.h"
#include "views/sdockwindowtitlebar.h"
#include "views/slooplist.h"
#include "views/sprogressdialog.h"
#include "views/sviewoperations.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlDriver>
#include <QSqlField>
#include <QUuid>
#include <QVBoxLayout>

namespace {
QPointer<SResourceView>& singleton()
{
    static QPointer<SResourceView> view;
    return view;
}

// The pedal models and their slots per memory, keyed by lower-case name.
const QHash<QString, int>& modelTable()
{
    static const QHash<QString, int> table {
        {QStringLiteral("ostino alto"), 99},     {QStringLiteral("ostino vela"), 99},
        {QStringLiteral("ostino mira"), 99},     {QStringLiteral("ostino alto xt"), 200},
        {QStringLiteral("ostino alto hd"), 200},
    };
    return table;
}

SResourceView::EditHandler& editHandler()
{
    static SResourceView::EditHandler handler;
    return handler;
}

const QString kLoopsTable = QStringLiteral("loops");
constexpr int kLoopListSlots = 200;

QWidget* mainWindow()
{
    return SMainWindow::instance();
}

QAction* toolbarAction(int id)
{
    SMainWindow* window = SMainWindow::instance();
    return window && window->toolbar() ? window->toolbar()->actionById(id) : nullptr;
}

QString storageWord(bool internal)
{
    return internal ? QStringLiteral("internal") : QStringLiteral("external");
}

// Sets a column of a loops record as text: the library keeps its booleans as
// 'true'/'false', which a field typed BOOL would turn into 1/0.
void setAs(QSqlRecord& record, const QString& column, const QVariant& value, QMetaType::Type type)
{
    const int index = record.indexOf(column);
    if (index < 0)
        return;
    QSqlField field = record.field(index);
    field.setMetaType(QMetaType(type));
    field.setValue(value);
    record.replace(index, field);
}

void setText(QSqlRecord& record, const QString& column, const QString& value)
{
    setAs(record, column, value, QMetaType::QString);
}

void setNumber(QSqlRecord& record, const QString& column, qint64 value)
{
    setAs(record, column, value, QMetaType::LongLong);
}

void setNull(QSqlRecord& record, const QStringList& columns)
{
    for (const QString& column : columns) {
        if (record.contains(column))
            record.setNull(column);
    }
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The driver writes fields typed BOOL as 1/0; the library's booleans are 'true'/'false'.
QSqlRecord withTextBooleans(QSqlRecord record)
{
    for (int i = 0; i < record.count(); ++i) {
        if (record.field(i).metaType().id() == QMetaType::Bool && !record.isNull(i))
            setText(record, record.fieldName(i), record.value(i).toString());
    }
    return record;
}

QString updateStatement(const QSqlRecord& record)
{
    QSqlDatabase db = SDatabaseManager::database();
    return db.driver()->sqlStatement(QSqlDriver::UpdateStatement, kLoopsTable, withTextBooleans(record), false);
}

QString insertStatement(const QSqlRecord& record)
{
    QSqlDatabase db = SDatabaseManager::database();
    return db.driver()->sqlStatement(QSqlDriver::InsertStatement, kLoopsTable, withTextBooleans(record), false);
}

bool run(const QString& sql, const char* logFormat = nullptr)
{
    if (logFormat)
        SLOG_PLAIN(logFormat, qUtf8Printable(sql));
    QSqlQuery query(SDatabaseManager::database());
    if (query.exec(sql))
        return true;
    SLOG_WARN("Sql Error: %s", qUtf8Printable(query.lastError().text()));
    return false;
}

// The loop's own columns of a loops record (not where it lives, not whether it is valid).
void fillLoopColumns(QSqlRecord& record, const stLoop& loop)
{
    setText(record, QStringLiteral("Name"), loop.name);
    setText(record, QStringLiteral("Length"), SResourceView::lengthText(loop.length));
    setNumber(record, QStringLiteral("Rating"), loop.rating);
    setText(record, QStringLiteral("Genre"), loop.genre.isEmpty() ? QStringLiteral("unspecified") : loop.genre);
    setText(record, QStringLiteral("StopMode"), loop.stopMode);
    setText(record, QStringLiteral("RhythmType"), loop.rhythmType);
    setNumber(record, QStringLiteral("bpMeasure"), loop.beatsPerMeasure);
    setNumber(record, QStringLiteral("bpMinute"), SDatabaseManager::bpMinuteFromTempo(loop.beatsPerMinute));
    setText(record, QStringLiteral("isReversed"), boolText(loop.reversed));
    setText(record, QStringLiteral("isLoop"), boolText(loop.loop));
    setNumber(record, QStringLiteral("settingsVersion"), loop.settingsVersion);
    setNumber(record, QStringLiteral("audioVersion"), loop.audioVersion);
    setText(record, QStringLiteral("guidoriginal"), loop.originId);
    setText(record, QStringLiteral("guidpatch"), loop.patchId);
    setText(record, QStringLiteral("guidphrase"), loop.phraseId);
    setText(record, QStringLiteral("Artist"), loop.artist);
    setText(record, QStringLiteral("Description"), loop.description);
    setText(record, QStringLiteral("Tags"), loop.tags);
    setText(record, QStringLiteral("temppath"), loop.tempPath);
    setText(record, QStringLiteral("filepath"), loop.filePath);
}

// A loops record (without id) holding a loop; the caller says where it goes.
QSqlRecord loopRecord(const stLoop& loop)
{
    QSqlRecord record = SDatabaseManager::database().record(kLoopsTable);
    record.remove(record.indexOf(QStringLiteral("id")));
    setText(record, QStringLiteral("isvalid"), QStringLiteral("true"));
    setText(record, QStringLiteral("inlibrary"), QStringLiteral("false"));
    fillLoopColumns(record, loop);
    return record;
}

// All rows of a query, read before anything else runs on the connection.
QList<QSqlRecord> selectAll(const QString& sql, bool* ok = nullptr)
{
    QList<QSqlRecord> rows;
    QSqlQuery query(SDatabaseManager::database());
    const bool done = SDatabaseManager::execute(query, sql);
    if (done) {
        while (query.next())
            rows.append(query.record());
    }
    if (ok)
        *ok = done;
    return rows;
}

bool askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::Yes | QMessageBox::No, mainWindow());
    return box.exec() == QMessageBox::Yes;
}

// "mm:ss.zzz" -> seconds; 0 for anything else.
double secondsOfLength(const QString& text)
{
    const QStringList minutesRest = text.split(QLatin1Char(':'));
    if (minutesRest.size() != 2)
        return 0.0;
    bool okMinutes = false, okSeconds = false;
    const int minutes = minutesRest.at(0).toInt(&okMinutes);
    const double seconds = minutesRest.at(1).toDouble(&okSeconds);
    return okMinutes && okSeconds ? minutes * 60.0 + seconds : 0.0;
}
} // namespace

SResourceView::SResourceView(const QString& title, QWidget* parent, Qt::WindowFlags flags)
    : QDockWidget(title, parent, flags)
{
    setFocusPolicy(Qt::StrongFocus);
    modelTable();
    // Device operations carried out for this view report through the device worker.
    connect(this, &SResourceView::progress, SDeviceManagerThread::instance(), &SDeviceManagerThread::onProgress);
}

SResourceView::~SResourceView()
{
    if (m_worker && m_worker->operations() == m_operations.get())
        m_worker->setOperations(nullptr);
}

SResourceView* SResourceView::instance(const QString& title, QWidget* parent, Qt::WindowFlags flags)
{
    if (!singleton())
        singleton() = new SResourceView(title, parent, flags);
    return singleton();
}

SResourceView* SResourceView::existing()
{
    return singleton().data();
}

int SResourceView::slotsForModel(const QString& modelName)
{
    return modelTable().value(modelName.toLower(), 99);
}

QString SResourceView::lengthText(double seconds)
{
    const qint64 whole = qint64(seconds);
    const int minutes = int(seconds / 60.0);
    const int secs = int(whole % 60);
    const int millis = int(qint64(seconds * 1000.0) % 1000);
    return QStringLiteral("%1:%2.%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(secs, 2, 10, QLatin1Char('0'))
        .arg(millis, 3, 10, QLatin1Char('0'));
}

void SResourceView::setEditHandler(EditHandler handler)
{
    editHandler() = std::move(handler);
}

bool SResourceView::progressCallback(int percentage, const char* text)
{
    if (SResourceView* view = singleton())
        Q_EMIT view->progress(percentage, QString::fromUtf8(text));
    return SGlobals::continueOperation().load();
}

void SResourceView::setupDatabase()
{
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->createTable(SDatabaseManager::E_TABLE_LOOPLISTS))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
}

void SResourceView::initializeUIComponents()
{
    SLOG_ENTER();
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("SResourceViewScrollAreaMain"));
    m_scrollArea->verticalScrollBar()->setObjectName(QStringLiteral("SResourceViewScrollBarVertical"));
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The entries follow the dock's width; a sideways scroll bar would only take room.
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    auto* main = new QWidget(m_scrollArea);
    main->setObjectName(QStringLiteral("SResourceViewWidgetMain"));
    auto* layout = new QVBoxLayout(main);
    layout->setContentsMargins(10, 10, 10, 0);
    layout->setSpacing(0);
    m_scrollArea->setWidget(main);
    setWidget(m_scrollArea);
    setTitleBarWidget(new SDockWindowTitlebar(tr("Resource"), this));

    m_library = new SLoopList(main, Qt::WindowFlags(), true);
    layout->addWidget(m_library);
    layout->addSpacing(10);
    auto* devicesLabel = new QLabel(main);
    devicesLabel->setObjectName(QStringLiteral("SResourceViewLabelDevices"));
    devicesLabel->setStyleSheet(QStringLiteral("QLabel{border: none}"));
    layout->addWidget(devicesLabel);
    m_devicesLayout = new QVBoxLayout;
    m_devicesLayout->setContentsMargins(5, 0, 0, 0);
    m_devicesLayout->setSpacing(5);
    layout->addLayout(m_devicesLayout);
    layout->addSpacing(15);
    auto* loopListsRow = new QHBoxLayout;
    auto* loopListsLabel = new QLabel(main);
    loopListsLabel->setObjectName(QStringLiteral("SResourceViewLabelLoopLists"));
    loopListsLabel->setStyleSheet(QStringLiteral("QLabel{border: none}"));
    m_addButton = new QPushButton(main);
    m_addButton->setObjectName(QStringLiteral("SResourceViewPushButtonLooplistAdd"));
    m_addButton->setFocusPolicy(Qt::NoFocus);
    m_addButton->setToolTip(tr("Add New Looplist"));
    loopListsRow->addWidget(loopListsLabel, 1);
    loopListsRow->addWidget(m_addButton, 2);
    layout->addLayout(loopListsRow);
    layout->addSpacing(5);
    m_loopListsLayout = new QVBoxLayout;
    m_loopListsLayout->setContentsMargins(5, 0, 0, 0);
    m_loopListsLayout->setSpacing(2);
    layout->addLayout(m_loopListsLayout);
    layout->addStretch();

    loadLoopLists();

    connect(this, &SResourceView::deviceSelectionChanged, this, &SResourceView::onDeviceSlectionChanged,
            Qt::UniqueConnection);
    connect(this, &SResourceView::loopListMousePressed, m_library, &SLoopList::onMousePressed, Qt::UniqueConnection);
    connect(m_library, &SLoopList::librarySelected, this, &SResourceView::librarySelected, Qt::UniqueConnection);
    connect(m_library, &SLoopList::mousePressed, this, &SResourceView::onLoopListMousePressed, Qt::UniqueConnection);
    connect(m_addButton, &QPushButton::clicked, this, &SResourceView::onClickedAddLoopList, Qt::UniqueConnection);
    if (SMainWindow* window = SMainWindow::instance()) {
        connect(window, &SMainWindow::deviceDetected, this, &SResourceView::onDeviceDetected, Qt::UniqueConnection);
        connect(window, &SMainWindow::deviceRemoved, this, &SResourceView::onDeviceRemoved, Qt::UniqueConnection);
        connect(window, &SMainWindow::memoryStatus, this, &SResourceView::updateMemoryStatus, Qt::UniqueConnection);
        if (SToolbar* toolbar = window->toolbar())
            connect(toolbar, &SToolbar::actionTriggered, this, &SResourceView::onToolBarActionTriggered,
                    Qt::UniqueConnection);
    }

    // The device worker carries out this view's device operations.
    m_operations = std::make_unique<SViewOperations>();
    m_worker = SDeviceManagerThread::instance();
    m_worker->setOperations(m_operations.get());
    hideSendActions();
    main->show();
    SLOG_EXIT();
}

void SResourceView::loadLoopLists()
{
    SDatabaseManager* db = SDatabaseManager::instance();
    QSqlQuery query;
    if (!db || !db->readAll(SDatabaseManager::E_TABLE_LOOPLISTS, query)) {
        SLOG_WARN("SqlError: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
        return;
    }
    QWidget* main = m_scrollArea->widget();
    int lastColor = -1;
    while (query.next()) {
        auto* list = new SLoopList(main);
        list->setId(query.value(0).toInt());
        lastColor = query.value(1).toInt();
        list->setColorIndex(lastColor);
        list->setName(query.value(2).toString());
        m_loopListsLayout->addWidget(list);
        list->setFocus();
        list->setFocusPolicy(Qt::StrongFocus);
        Q_EMIT loopListCreated(list);
        connectLoopList(list);
        Q_EMIT loopListMousePressed(nullptr);
        m_currentLoopList.clear();
    }
    // Go on with the colours where the last run stopped.
    const int stored = SLoopList::storedNextColorIndex();
    if (stored >= 0)
        SLoopList::setNextColorIndex(stored);
    else if (lastColor >= 0)
        SLoopList::setNextColorIndex(lastColor + 1);
}

void SResourceView::connectLoopList(SLoopList* pLoopList)
{
    connect(this, &SResourceView::loopListMousePressed, pLoopList, &SLoopList::onMousePressed, Qt::UniqueConnection);
    connect(pLoopList, &SLoopList::mousePressed, this, &SResourceView::onLoopListMousePressed, Qt::UniqueConnection);
    connect(pLoopList, &SLoopList::deleteClicked, this, &SResourceView::onClickedRemoveLoopList,
            Qt::UniqueConnection);
    connect(pLoopList, &SLoopList::renamed, this, &SResourceView::onRenamedLoopList, Qt::UniqueConnection);
    connect(pLoopList, &SLoopList::colorChanged, this, &SResourceView::onChangedLoopListColor, Qt::UniqueConnection);
    connect(pLoopList, &SLoopList::copied, this, &SResourceView::looplistCopied, Qt::UniqueConnection);
}

void SResourceView::adoptLoopList(SLoopList* pLoopList, int id, bool created)
{
    // A new LoopList took the next colour; one shown again kept its own.
    if (created)
        SLoopList::takeNextColorIndex();
    pLoopList->setId(id);
    connectLoopList(pLoopList);
}

void SResourceView::discardLoopList(SLoopList* pLoopList, bool created)
{
    m_loopListsLayout->removeWidget(pLoopList);
    pLoopList->hide();
    if (created)
        pLoopList->deleteLater();
}

void SResourceView::announceLoopList(SLoopList* pLoopList)
{
    Q_EMIT loopListMousePressed(pLoopList);
    m_currentLoopList = pLoopList;
    QCoreApplication::processEvents();
    Q_EMIT loopListCreated(pLoopList);
    Q_EMIT loopListSelected(pLoopList);
    updateSendActions(true);
}

QList<SLoopList*> SResourceView::loopLists() const
{
    QList<SLoopList*> lists;
    if (!m_loopListsLayout)
        return lists;
    for (int i = 0; i < m_loopListsLayout->count(); ++i) {
        if (auto* list = qobject_cast<SLoopList*>(m_loopListsLayout->itemAt(i)->widget()))
            lists.append(list);
    }
    return lists;
}

SLoopList* SResourceView::loopListById(int id) const
{
    for (SLoopList* list : loopLists()) {
        if (list->id() == id)
            return list;
    }
    return nullptr;
}

void SResourceView::reportFailure(const QString& text)
{
    SLOG_WARN("%s", qUtf8Printable(text));
    QMessageBox box(QMessageBox::Warning, tr("LoopList"), text, QMessageBox::Ok, mainWindow());
    box.exec();
}

void SResourceView::refreshContent()
{
    SContentView::instance()->refreshViews();
}

bool SResourceView::contentShowsLoopList() const
{
    return SContentView::instance()->currentContentType() == STableView::E_CONTENT_LOOPLIST;
}

void SResourceView::hideSendActions()
{
    for (int id : {int(SToolbar::E_ACTION_SEND_TO_INTERNAL), int(SToolbar::E_ACTION_SEND_TO_EXTERNAL)}) {
        if (QAction* action = toolbarAction(id))
            action->setVisible(false);
    }
}

void SResourceView::updateSendActions(bool loopListShown)
{
    const bool toInternal = loopListShown && m_deviceNode && m_devicePresent && isVisible();
    const bool toExternal = toInternal && m_deviceNode->hasExternalMemory();
    if (QAction* action = toolbarAction(SToolbar::E_ACTION_SEND_TO_INTERNAL))
        action->setVisible(toInternal);
    if (QAction* action = toolbarAction(SToolbar::E_ACTION_SEND_TO_EXTERNAL))
        action->setVisible(toExternal);
}

// ---- Selection --------------------------------------------------------------

void SResourceView::onLoopListMousePressed(SLoopList* pWidget)
{
    if (!pWidget || pWidget == m_library) {
        m_currentLoopList.clear();
        Q_EMIT librarySelected();
        hideSendActions();
    } else {
        m_currentLoopList = pWidget;
        Q_EMIT loopListSelected(pWidget);
        updateSendActions(true);
    }
    Q_EMIT loopListMousePressed(pWidget ? pWidget : m_library);
    Q_EMIT deviceSelectionChanged(nullptr);
}

void SResourceView::onDeviceSlectionChanged(SDeviceNode* pDeviceNode)
{
    if (!pDeviceNode)
        return;
    hideSendActions();
    Q_EMIT loopListMousePressed(nullptr);
    m_currentLoopList.clear();
}

// ---- LoopList edits ------------------------------------------------------------

void SResourceView::submitEdit(const stLoopListEdit& edit)
{
    if (const EditHandler& handler = editHandler())
        handler(edit);
    else
        performEdit(edit);
}

void SResourceView::performEdit(const stLoopListEdit& edit)
{
    switch (edit.kind) {
    case stLoopListEdit::E_ADD: {
        const int nextColor = SLoopList::nextColorIndex();
        SLoopList* list = createEmptyLoopList(edit.loopList, -1, edit.name, edit.id);
        if (!list)
            return;
        if (!createLoopListWithRecords(list, edit.records)) {
            // Take the half-made LoopList away again; its colour stays free.
            onClickedRemoveLoopList(list);
            if (!edit.loopList)
                list->deleteLater();
            SLoopList::setNextColorIndex(nextColor);
            reportFailure(tr("The LoopList '%1' could not be created.").arg(edit.name));
            return;
        }
        postCreateLooplist(list);
        break;
    }
    case stLoopListEdit::E_DELETE:
        onClickedRemoveLoopList(edit.loopList);
        break;
    case stLoopListEdit::E_DUPLICATE:
        onClickedDuplicateLoopList(edit.loopList, nullptr);
        break;
    case stLoopListEdit::E_RENAME:
        renameLoopList(edit.loopList, edit.name);
        break;
    default:
        break;
    }
}

void SResourceView::onClickedAddLoopList()
{
    stLoopListEdit edit;
    edit.kind = stLoopListEdit::E_ADD;
    edit.id = -1;
    edit.name = QStringLiteral("NewLoopList");
    submitEdit(edit);
}

SLoopList* SResourceView::createEmptyLoopList(SLoopList* pLoopList, int iWidgetIndex, QString strName,
                                              int iPrimaryKey)
{
    SLOG_SCOPE();
    const bool created = !pLoopList;
    SLoopList* list = created ? new SLoopList(m_scrollArea->widget()) : pLoopList;
    if (!created)
        list->show();
    const int index = iWidgetIndex >= 0 && iWidgetIndex < m_loopListsLayout->count() ? iWidgetIndex : -1;
    m_loopListsLayout->insertWidget(index, list);
    list->setFocus();
    list->setFocusPolicy(Qt::StrongFocus);
    list->setName(strName);

    // A LoopList shown again keeps its own colour.
    const int color = created ? SLoopList::nextColorIndex() : list->colorIndex();
    int id = iPrimaryKey;
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QString::number(color), strName}, id)) {
        SLOG_WARN("SqlError: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
        discardLoopList(list, created);
        reportFailure(tr("The LoopList '%1' could not be created.").arg(strName));
        return nullptr;
    }
    adoptLoopList(list, id, created);
    Q_EMIT loopListCreated(list);
    m_currentLoopList = list;
    QCoreApplication::processEvents();
    return list;
}

void SResourceView::postCreateLooplist(SLoopList* pLoopList)
{
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return;
    }
    Q_EMIT deviceSelectionChanged(nullptr);
    Q_EMIT loopListMousePressed(pLoopList);
    m_currentLoopList = pLoopList;
    Q_EMIT loopListSelected(pLoopList);
    updateSendActions(true);
    pLoopList->onClickedRename();
    refreshContent();
}

SLoopList* SResourceView::createLoopListWithRecords(SLoopList* pLoopList, QList<QSqlRecord> lstRecords)
{
    SLOG_SCOPE();
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return nullptr;
    }
    const int id = pLoopList->id();
    // The slots and their contents come all together or not at all.
    SDbTransaction transaction(SDatabaseManager::instance());
    if (!SContentView::instance()->createLoopListSlots(id, kLoopListSlots))
        return nullptr;
    for (const QSqlRecord& source : lstRecords) {
        QSqlRecord record = source;
        const int slot = record.value(QStringLiteral("Loop #")).toInt();
        setNumber(record, QStringLiteral("looplistid"), id);
        // A LoopList slot belongs to no device and is not a library loop.
        setNull(record, {QStringLiteral("deviceid"), QStringLiteral("storagepath")});
        setText(record, QStringLiteral("inlibrary"), QStringLiteral("false"));
        record.remove(record.indexOf(QStringLiteral("id")));
        const QString sql = updateStatement(record) +
                            QStringLiteral(" WHERE \"looplistid\"=%1 AND \"Loop #\"=%2").arg(id).arg(slot);
        if (!run(sql, "record(after generate): %s"))
            return nullptr;
    }
    if (transaction.isActive() && !transaction.commit())
        return nullptr;
    return pLoopList;
}

SLoopList* SResourceView::onClickedDuplicateLoopList(SLoopList* pLoopListToDuplicate,
                                                     SLoopList* pLoopListToCreateIfAlreadyCreated)
{
    SLOG_SCOPE();
    SLoopList* source = pLoopListToDuplicate;
    if (!source) {
        SLOG_WARN("Found null pointer");
        return nullptr;
    }
    const bool created = !pLoopListToCreateIfAlreadyCreated;
    SLoopList* list = created ? new SLoopList(m_scrollArea->widget()) : pLoopListToCreateIfAlreadyCreated;
    if (!created)
        list->show();
    list->setName(source->name());
    m_loopListsLayout->addWidget(list);
    list->setFocus();
    list->setFocusPolicy(Qt::StrongFocus);

    const auto fail = [&]() -> SLoopList* {
        discardLoopList(list, created);
        reportFailure(tr("The LoopList '%1' could not be duplicated.").arg(source->name()));
        return nullptr;
    };

    SDatabaseManager* db = SDatabaseManager::instance();
    SDbTransaction transaction(db);
    const int color = created ? SLoopList::nextColorIndex() : list->colorIndex();
    int id = -1;
    if (!db || !db->insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QString::number(color), list->name()}, id)) {
        SLOG_WARN("SqlError: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
        return fail();
    }
    bool ok = false;
    const QList<QSqlRecord> rows =
        selectAll(QStringLiteral("SELECT * FROM loops WHERE \"looplistid\"=%1").arg(source->id()), &ok);
    if (!ok)
        return fail();
    for (QSqlRecord record : rows) {
        record.setNull(QStringLiteral("id"));
        setNumber(record, QStringLiteral("looplistid"), id);
        if (!run(insertStatement(record)))
            return fail();
    }
    if (transaction.isActive() && !transaction.commit())
        return fail();

    adoptLoopList(list, id, created);
    announceLoopList(list);
    return list;
}

int SResourceView::onClickedRemoveLoopList(SLoopList* pSender)
{
    SLOG_SCOPE();
    if (!pSender) {
        SLOG_WARN("Found null pointer");
        return -1;
    }
    const int position = m_loopListsLayout->indexOf(pSender);
    m_loopListsLayout->removeWidget(pSender);
    pSender->hide();

    SDatabaseManager* db = SDatabaseManager::instance();
    {
        // The LoopList and its slots go together or not at all.
        SDbTransaction transaction(db);
        QSqlQuery query(SDatabaseManager::database());
        const bool removed =
            db && db->deleteRow(SDatabaseManager::E_TABLE_LOOPLISTS, pSender->id()) &&
            SDatabaseManager::execute(query,
                                      QStringLiteral("DELETE FROM loops WHERE looplistid=%1").arg(pSender->id())) &&
            (!transaction.isActive() || transaction.commit());
        if (!removed) {
            SLOG_WARN("SqlError: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
            // Put the widget back where it was.
            if (position >= 0) {
                m_loopListsLayout->insertWidget(position, pSender);
                pSender->show();
            }
            reportFailure(tr("The LoopList '%1' could not be deleted.").arg(pSender->name()));
            return -1;
        }
    }
    m_lastRemovedPosition = position;
    Q_EMIT loopListDeleted(pSender);

    const QList<SLoopList*> lists = loopLists();
    SLoopList* neighbour = nullptr;
    if (position >= 0 && position < lists.size())
        neighbour = lists.at(position);
    else if (!lists.isEmpty() && position - 1 >= 0 && position - 1 < lists.size())
        neighbour = lists.at(position - 1);
    else if (!lists.isEmpty())
        neighbour = lists.last();
    onLoopListMousePressed(neighbour ? neighbour : m_library);
    return position;
}

void SResourceView::onRenamedLoopList()
{
    auto* list = qobject_cast<SLoopList*>(sender());
    if (!list) {
        SLOG_WARN("Found null pointer");
        return;
    }
    const QList<QSqlRecord> rows =
        selectAll(QStringLiteral("SELECT name FROM looplists WHERE \"id\"=%1").arg(list->id()));
    const QString oldName = rows.isEmpty() ? QString() : rows.first().value(0).toString();
    if (oldName == list->name())
        return;
    stLoopListEdit edit;
    edit.kind = stLoopListEdit::E_RENAME;
    edit.loopList = list;
    edit.id = list->id();
    edit.name = list->name();
    edit.oldName = oldName;
    submitEdit(edit);
}

bool SResourceView::renameLoopList(SLoopList* pLoopList, const QString& name)
{
    if (!pLoopList) {
        SLOG_WARN("Found null pointer");
        return false;
    }
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->updateRow(SDatabaseManager::E_TABLE_LOOPLISTS, pLoopList->id(), {QStringLiteral("name")},
                              {SDatabaseManager::quote(name)})) {
        const QSqlError error = db ? db->lastError() : QSqlError();
        SLOG_WARN("SqlError: %d %d", error.nativeErrorCode().toInt(), int(error.type()));
        // Show the name the library still has.
        const QList<QSqlRecord> rows =
            selectAll(QStringLiteral("SELECT name FROM looplists WHERE \"id\"=%1").arg(pLoopList->id()));
        if (!rows.isEmpty())
            pLoopList->setName(rows.first().value(0).toString());
        reportFailure(tr("The LoopList could not be renamed to '%1'.").arg(name));
        return false;
    }
    pLoopList->setName(name);
    emitLooplistRenamed(pLoopList);
    return true;
}

void SResourceView::emitLooplistRenamed(SLoopList* pLoopList)
{
    Q_EMIT loopListRenamed(pLoopList);
}

void SResourceView::onChangedLoopListColor(int index)
{
    auto* list = qobject_cast<SLoopList*>(sender());
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!list || !db)
        return;
    if (!db->beginTransaction())
        SLOG_WARN("Transaction failed SqlError: %s", qUtf8Printable(db->lastError().text()));
    if (!db->updateRow(SDatabaseManager::E_TABLE_LOOPLISTS, list->id(), {QStringLiteral("color")},
                       {QString::number(index)})) {
        const QSqlError error = db->lastError();
        SLOG_WARN("SqlError: %d %d", error.nativeErrorCode().toInt(), int(error.type()));
        db->rollbackTransaction();
        // Keep showing the colour the library has.
        list->setColorIndex(index - 1);
        return;
    }
    if (!db->commitTransaction())
        SLOG_WARN("SqlError: %s", qUtf8Printable(db->lastError().text()));
}

SLoopList* SResourceView::createNewLoopList(const QList<stLoop>& loops, const QString& name, bool preserve)
{
    SLOG_SCOPE();
    auto* list = new SLoopList(m_scrollArea->widget());
    m_loopListsLayout->addWidget(list);
    list->setFocus();
    list->setName(name);

    // The LoopList, its slots and its loops come all together or not at all.
    SDatabaseManager* db = SDatabaseManager::instance();
    SDbTransaction transaction(db);
    int id = -1;
    bool ok = db && db->insertRow(SDatabaseManager::E_TABLE_LOOPLISTS,
                                  {QString::number(SLoopList::nextColorIndex()), name}, id);
    if (!ok)
        SLOG_WARN("SqlError: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
    ok = ok && SContentView::instance()->createLoopListSlots(id, kLoopListSlots);
    int next = 1;
    for (const stLoop& loop : loops) {
        if (!ok)
            break;
        const int slot = preserve ? int(loop.loopNumber) : next++;
        QSqlRecord record = loopRecord(loop);
        setNumber(record, QStringLiteral("looplistid"), id);
        setNumber(record, QStringLiteral("Loop #"), slot);
        const QString sql = updateStatement(record) +
                            QStringLiteral(" WHERE \"looplistid\"=%1 AND \"Loop #\"=%2").arg(id).arg(slot);
        ok = run(sql, "record(after generate): %s");
    }
    if (!ok || (transaction.isActive() && !transaction.commit())) {
        discardLoopList(list, true);
        reportFailure(tr("The LoopList '%1' could not be created.").arg(name));
        return nullptr;
    }
    adoptLoopList(list, id, true);
    list->onReturnPressed();
    announceLoopList(list);
    refreshContent();
    return list;
}

// ---- Device ---------------------------------------------------------------------

void SResourceView::updateMemoryStatus(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt,
                                       int iMemoryUsedExt)
{
    Q_EMIT memoryInfo(iMemoryFreeInt, iMemoryUsedInt, iMemoryFreeExt, iMemoryUsedExt);
}

void SResourceView::onDeviceDetected(const stDeviceData* pDeviceData)
{
    SLOG_ENTER();
    if (!pDeviceData)
        return;
    // At most one pedal: a node left from an earlier detection goes first.
    if (m_deviceNode)
        onDeviceRemoved();
    // The worker hands the record over to us.
    m_deviceRecord.reset(pDeviceData);
    m_devicePresent = true;
    if (m_refreshAction)
        m_refreshAction->setVisible(true);

    auto* node = new SDeviceNode(m_scrollArea->widget());
    m_deviceNode = node;
    node->setDeviceName(pDeviceData->name);
    node->setHasExternalMemory(pDeviceData->hasExternalMemory);
    node->setDeviceId(pDeviceData->portName);
    node->onMemoryInfoChanged(0, 0, 0, 0);
    node->setEnabled(false);
    m_devicesLayout->addWidget(node);
    Q_EMIT deviceNodeAdded(node);

    connect(node, &SDeviceNode::clickedDeviceEject, this, &SResourceView::clickedDeviceEject, Qt::UniqueConnection);
    connect(node, &SDeviceNode::clickedMemoryInternal, this, &SResourceView::clickedMemoryInternal,
            Qt::UniqueConnection);
    connect(node, &SDeviceNode::clickedMemoryExternal, this, &SResourceView::clickedMemoryExternal,
            Qt::UniqueConnection);
    connect(node, &SDeviceNode::clickedMemoryInternal, this, &SResourceView::deviceSelectionChanged,
            Qt::UniqueConnection);
    connect(node, &SDeviceNode::clickedMemoryExternal, this, &SResourceView::deviceSelectionChanged,
            Qt::UniqueConnection);
    connect(this, &SResourceView::deviceSelectionChanged, node, &SDeviceNode::onSelectionChanged,
            Qt::UniqueConnection);
    QCoreApplication::processEvents();

    // The worker reads both memories into this copy and mirrors them into the library.
    stDeviceData connectRecord = *pDeviceData;
    {
        SProgressDialog dialog(SEvent::E_CONNECT, &connectRecord, mainWindow());
        dialog.execProgress();
    }

    if (m_deviceNode == node && m_devicePresent) {
        stDeviceData status;
        SDeviceHandler::instance()->readMemoryStatus(&status);
        node->onMemoryInfoChanged(status.freeInternal, status.usedInternal, status.freeExternal,
                                  status.usedExternal);
        node->setEnabled(true);
        updateSendActions(contentShowsLoopList());
    } else {
        QSqlQuery query(SDatabaseManager::database());
        if (!SDatabaseManager::execute(query, QStringLiteral("DELETE FROM loops WHERE \"deviceid\"=%1")
                                                  .arg(SDatabaseManager::quote(connectRecord.portName))))
            SLOG_WARN("SqlError: %s", qUtf8Printable(query.lastError().text()));
        return;
    }
    SLOG_EXIT();
}

void SResourceView::updateDBWithDeviceLoops(stDeviceData* pDeviceData, bool internal)
{
    SLOG_SCOPE();
    // Without a port nothing was read: the record still holds the other memory's loops.
    if (!pDeviceData || !SDeviceHandler::instance()->port())
        return;
    // A pedal without a card has no external slots.
    if (!internal && !pDeviceData->hasExternalMemory)
        return;
    const QString storage = storageWord(internal);
    const QString model = pDeviceData->name;
    const QString deviceId = pDeviceData->portName;
    const int count = slotsForModel(model);

    SDbTransaction transaction(SDatabaseManager::instance());
    if (!SContentView::instance()->createDeviceSlots(deviceId, storage, model, count))
        return;
    int position = 0;
    for (const stLoop& loop : std::as_const(pDeviceData->loops)) {
        if (!m_devicePresent)
            break;
        QSqlRecord record = loopRecord(loop);
        setText(record, QStringLiteral("deviceid"), deviceId);
        setText(record, QStringLiteral("devicename"), model);
        setText(record, QStringLiteral("storagepath"), storage);
        setNumber(record, QStringLiteral("Loop #"), loop.loopNumber);
        Q_EMIT progress(position, QString());
        const QString sql =
            updateStatement(record) + QStringLiteral(" WHERE \"deviceid\"=%1 AND \"storagepath\"=%2 AND \"Loop #\"=%3")
                                          .arg(SDatabaseManager::quote(deviceId), SDatabaseManager::quote(storage))
                                          .arg(loop.loopNumber);
        run(sql, "record(after generate): %s");
        Q_EMIT progress(position + 1, QString());
        ++position;
    }
    if (transaction.isActive() && !transaction.commit())
        SLOG_WARN("SqlError: %s", qUtf8Printable(SDatabaseManager::database().lastError().text()));
}

void SResourceView::onDeviceRemoved()
{
    SLOG_SCOPE();
    hideSendActions();
    m_devicePresent = false;
    if (m_refreshAction)
        m_refreshAction->setVisible(false);
    SDeviceNode* node = m_deviceNode.data();
    if (!node)
        return;
    m_devicesLayout->removeWidget(node);
    Q_EMIT deviceRemoved(node);
    if (node->isSelected())
        onLoopListMousePressed(m_library);
    // The node takes the pedal's rows with it.
    delete node;
    m_deviceRecord.reset();
}

void SResourceView::refreshDevice()
{
    onDeviceRemoved();
    if (SDeviceManagerThread* worker = SDeviceManagerThread::instance())
        worker->forgetDevice();
}

void SResourceView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(this);
        m_contextMenu->setObjectName(QStringLiteral("SResourceViewMenuContext"));
        m_refreshAction = m_contextMenu->addAction(QIcon(QStringLiteral(":/images/Resource/refresh.png")),
                                                   tr("Refresh Device"));
        m_refreshAction->setObjectName(QStringLiteral("SResourceViewActionRefresh"));
        connect(m_refreshAction, &QAction::triggered, this, &SResourceView::refreshDevice);
        for (int id : {int(SToolbar::E_ACTION_SYNCHRONIZE), int(SToolbar::E_ACTION_NEW_LOOPLIST),
                       int(SToolbar::E_ACTION_PREFERENCES)}) {
            if (QAction* action = toolbarAction(id))
                m_contextMenu->addAction(action);
        }
    }
    m_refreshAction->setVisible(m_devicePresent);
    m_contextMenu->popup(event->globalPos());
    event->accept();
}

void SResourceView::onToolBarActionTriggered(QObject* pObject)
{
    if (!pObject)
        return;
    if (pObject == toolbarAction(SToolbar::E_ACTION_NEW_LOOPLIST)) {
        onClickedAddLoopList();
        return;
    }
    SLoopList* current = m_currentLoopList.data();
    if (!current)
        return;
    if (pObject == toolbarAction(SToolbar::E_ACTION_DUPLICATE_LOOPLIST)) {
        stLoopListEdit edit;
        edit.kind = stLoopListEdit::E_DUPLICATE;
        edit.loopList = current;
        edit.id = -1;
        edit.name = current->name();
        submitEdit(edit);
    } else if (pObject == toolbarAction(SToolbar::E_ACTION_SEND_TO_INTERNAL) ||
               pObject == toolbarAction(SToolbar::E_ACTION_SEND_TO_EXTERNAL)) {
        const bool internal = pObject == toolbarAction(SToolbar::E_ACTION_SEND_TO_INTERNAL);
        if (!m_deviceNode || (!internal && !m_deviceNode->hasExternalMemory()))
            return;
        Q_EMIT looplistCopied(current);
        m_deviceNode->memoryNode(internal)->onPasteClicked();
    }
}

// ---- Copying a LoopList to the pedal -------------------------------------------------

bool SResourceView::sendLoopListToDevice(int loopListId, bool internal)
{
    SDeviceNode* node = m_deviceNode.data();
    if (!node || !m_devicePresent || (!internal && !node->hasExternalMemory()))
        return false;
    if (!askYesNo(tr("This operation can not be undone. Are you sure you want to replace the existing items in the "
                     "device?")))
        return false;
    bool ok = false;
    const QList<QSqlRecord> rows = selectAll(
        QStringLiteral("SELECT * FROM loops WHERE \"looplistid\"=%1 ORDER BY \"Loop #\"").arg(loopListId), &ok);
    if (!ok || rows.isEmpty())
        return false;
    const int slots = slotsForModel(node->deviceName());
    if (rows.size() > slots &&
        !askYesNo(tr("Only first %1 loops will be copied to the device. Do you want to proceed?").arg(slots)))
        return false;
    m_lastCopyError.clear();
    stLoopListCopyRequest request;
    request.records = rows;
    request.modelName = node->deviceName();
    request.internal = internal;
    {
        SProgressDialog dialog(SEvent::E_COPY_LOOPLIST_TO_DEVICE, &request, mainWindow());
        dialog.execProgress();
    }
    refreshContent();
    return m_lastCopyError.isEmpty();
}

void SResourceView::copyListToDevice(const QList<QSqlRecord>& records, const QString& modelName, QString& error,
                                     bool internal, QString* currentName)
{
    SLOG_SCOPE();
    error.clear();
    SDeviceHandler* handler = SDeviceHandler::instance();
    const QString deviceId = m_deviceNode ? m_deviceNode->deviceId() : QString();
    const QString storage = storageWord(internal);
    const int count = qMin<qsizetype>(records.size(), slotsForModel(modelName));
    const bool mono = SAudioFileOperations::isMonoModel(modelName);
    QString root;
    bool rootRead = false;

    const auto deviceRow = [&](int slot, QSqlRecord& row) {
        const QList<QSqlRecord> rows = selectAll(
            QStringLiteral("SELECT * FROM loops  WHERE \"Loop #\" = %1 AND storagepath=%2 AND deviceid=%3")
                .arg(slot)
                .arg(SDatabaseManager::quote(storage), SDatabaseManager::quote(deviceId)));
        if (rows.isEmpty())
            return false;
        row = rows.first();
        return true;
    };
    const auto writeRow = [&](QSqlRecord row) {
        const QString id = row.value(QStringLiteral("id")).toString();
        row.remove(row.indexOf(QStringLiteral("id")));
        const QString sql = updateStatement(row) + QStringLiteral(" WHERE \"id\"=%1 AND \"deviceid\"=%2")
                                                       .arg(id, SDatabaseManager::quote(deviceId));
        return run(sql, "query: %s");
    };
    const auto emptyRow = [&](QSqlRecord row) {
        setText(row, QStringLiteral("isvalid"), QStringLiteral("false"));
        setNumber(row, QStringLiteral("Rating"), 0);
        setNull(row, {QStringLiteral("looplistid"), QStringLiteral("Name"), QStringLiteral("Length"),
                      QStringLiteral("Description"), QStringLiteral("Artist"), QStringLiteral("Genre"),
                      QStringLiteral("Tags"), QStringLiteral("StopMode"), QStringLiteral("RhythmType"),
                      QStringLiteral("bpMeasure"), QStringLiteral("bpMinute"), QStringLiteral("isReversed"),
                      QStringLiteral("isLoop"), QStringLiteral("settingsVersion"), QStringLiteral("audioVersion"),
                      QStringLiteral("guidoriginal"), QStringLiteral("guidpatch"), QStringLiteral("guidphrase"),
                      QStringLiteral("temppath"), QStringLiteral("filepath")});
        writeRow(row);
    };
    // Deletes a slot folder on the pedal; the mirror follows only once the pedal did it.
    const auto deleteSlot = [&](int slot, const QSqlRecord& row) {
        if (!rootRead) {
            rootRead = handler->client().getStringProperty(
                           {}, internal ? SDeviceHandler::E_PROP_INTERNAL_ROOT : SDeviceHandler::E_PROP_EXTERNAL_ROOT,
                           &root) == 0;
            if (!rootRead)
                return false;
        }
        handler->client().issueCommand(AmbermeshClient::commandBeginChange, 0);
        const int deleted =
            handler->deleteLoop(root + QStringLiteral("Patch") + SLoopDocuments::slotNumberText(quint32(slot)), slot,
                                internal);
        handler->client().issueCommand(AmbermeshClient::commandEndChange, 0);
        if (deleted != 0)
            return false;
        emptyRow(row);
        return true;
    };

    const auto reportMemory = [&] {
        stDeviceData status;
        handler->readMemoryStatus(&status);
        Q_EMIT memoryInfo(status.freeInternal, status.usedInternal, status.freeExternal, status.usedExternal);
    };

    for (int i = 0; i < count && error.isEmpty(); ++i) {
        if (!m_devicePresent) {
            error = tr("The device was disconnected before all loops were copied.");
            break;
        }
        const QSqlRecord& record = records.at(i);
        const int slot = record.value(QStringLiteral("Loop #")).toInt();
        if (slot < 1)
            continue;
        QSqlRecord row;
        if (!deviceRow(slot, row)) {
            // Without its mirror row the slot could be written but not shown.
            error = tr("Slot %1 of the device is missing from the library. Please refresh the device and try again.")
                        .arg(slot);
            break;
        }
        const bool slotHoldsLoop = row.value(QStringLiteral("isvalid")).toString() == QLatin1String("true");
        if (record.value(QStringLiteral("isvalid")).toString() != QLatin1String("true")) {
            // An empty slot of the LoopList empties the pedal's slot.
            if (slotHoldsLoop && !deleteSlot(slot, row))
                error = tr("The loop in slot %1 could not be deleted from the device.").arg(slot);
        } else {
            const QString source = record.value(QStringLiteral("filepath")).toString();
            const QString name = record.value(QStringLiteral("Name")).toString();
            if (currentName)
                *currentName = name;
            QString converted;
            const int conversion = SAudioFileOperations::convertToDeviceFormat(source, converted, mono);
            if (conversion != SAudioFileOperations::E_RESULT_SUCCESS) {
                error = tr("The file '%1' for slot %2 could not be converted to the device format.")
                            .arg(QStringLiteral("<b>") + QFileInfo(source).fileName() + QStringLiteral("</b>"))
                            .arg(slot);
                break;
            }
            const QString file = converted.isEmpty() ? source : converted;
            const auto dropConverted = [&] {
                if (!converted.isEmpty())
                    QFile::remove(converted);
            };

            stDeviceData status;
            handler->readMemoryStatus(&status);
            if (status.usedInternal == 0 && status.freeInternal == 0) {
                error = tr("The memory status of the device could not be read while copying slot %1.").arg(slot);
                dropConverted();
                break;
            }
            if (!m_devicePresent) {
                error = tr("The device was disconnected before all loops were copied.");
                dropConverted();
                break;
            }
            const qint64 freeBytes = qint64(internal ? status.freeInternal : status.freeExternal) * 1048576;
            if (QFileInfo(file).size() > freeBytes) {
                const QString bold = QStringLiteral("<b>") + QFileInfo(source).fileName() + QStringLiteral("</b>");
                error = internal ? tr("There is not enough space on internal storage to copy the file '%1'. Please "
                                      "free some space and try again.")
                                       .arg(bold)
                                 : tr("There is not enough space on external storage to copy the file '%1'. Please "
                                      "free some space and try again.")
                                       .arg(bold);
                dropConverted();
                break;
            }

            stLoop loop;
            loop.loop = QVariant(record.value(QStringLiteral("isLoop")).toString()).toBool();
            loop.reversed = QVariant(record.value(QStringLiteral("isReversed")).toString()).toBool();
            loop.length = float(secondsOfLength(record.value(QStringLiteral("Length")).toString()));
            loop.settingsVersion = quint16(record.value(QStringLiteral("settingsVersion")).toUInt());
            loop.audioVersion = quint16(record.value(QStringLiteral("audioVersion")).toUInt());
            loop.beatsPerMeasure = quint16(record.value(QStringLiteral("bpMeasure")).toUInt());
            loop.beatsPerMinute =
                SDatabaseManager::tempoFromBpMinute(record.value(QStringLiteral("bpMinute")).toLongLong());
            loop.filePath = file;
            loop.name = name;
            loop.rating = record.value(QStringLiteral("Rating")).toInt();
            loop.artist = record.value(QStringLiteral("Artist")).toString();
            loop.description = record.value(QStringLiteral("Description")).toString();
            loop.genre = record.value(QStringLiteral("Genre")).toString();
            loop.tags = record.value(QStringLiteral("Tags")).toString();
            loop.stopMode = record.value(QStringLiteral("StopMode")).toString();
            loop.rhythmType = record.value(QStringLiteral("RhythmType")).toString();
            loop.patchId = record.value(QStringLiteral("guidpatch")).toString();
            loop.originId = record.value(QStringLiteral("guidoriginal")).toString();
            loop.tempPath = record.value(QStringLiteral("temppath")).toString();
            loop.loopNumber = quint32(slot);
            // The pedal's documents carry these identifiers; the mirror must name the same ones.
            if (loop.patchId.isEmpty())
                loop.patchId = QUuid::createUuid().toString(QUuid::WithoutBraces);
            if (loop.originId.isEmpty())
                loop.originId = loop.patchId;
            loop.phraseId = loop.patchId;

            stDeviceData target;
            target.name = modelName;
            target.portName = deviceId;
            target.isInternal = internal;
            target.loops = {loop};
            QString staged;
            QString devicePath;
            const bool written = handler->writeLoop(&target, &staged, &devicePath, &SResourceView::progressCallback);
            dropConverted();
            if (!written) {
                // A half-written slot is removed so that pedal and library agree.
                if (!deleteSlot(slot, row))
                    SLOG_WARN("Slot %d may be partly written on the device", slot);
                error = tr("The loop '%1' could not be written to slot %2 of the device.")
                            .arg(QStringLiteral("<b>") + name + QStringLiteral("</b>"))
                            .arg(slot);
                break;
            }

            setNull(row, {QStringLiteral("looplistid")});
            fillLoopColumns(row, loop);
            // The LoopList's own length text, not one recomputed through a float.
            setText(row, QStringLiteral("Length"), record.value(QStringLiteral("Length")).toString());
            setText(row, QStringLiteral("temppath"), staged);
            setText(row, QStringLiteral("filepath"), devicePath);
            setText(row, QStringLiteral("isvalid"), QStringLiteral("true"));
            writeRow(row);
        }
        reportMemory();
    }
    // A copy that stopped early may still have changed the figures.
    if (!error.isEmpty())
        reportMemory();
    m_lastCopyError = error;
}
