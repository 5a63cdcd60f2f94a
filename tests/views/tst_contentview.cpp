#include "app/slineedit.h"
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "library/sdatabasemanager.h"
#include "library/sloopclipboard.h"
#include "library/ssqltablemodel.h"
#include "library/stableview.h"
#include "views/scontentview.h"
#include "views/scontentviewtitlebar.h"
#include "views/sdevicenode.h"
#include "views/slooplist.h"
#include "views/spromptdialog.h"
#include "views/sresourceview.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

// The content view inside the real main window: what each pane shows, search,
// split view, stepping through loops, missing files and the edit commands.
class TestContentView : public QObject
{
    Q_OBJECT
private:
    SMainWindow* m_window = nullptr;
    SContentView* m_content = nullptr;
    QTemporaryDir m_files;
    SLoopList* m_loopList = nullptr;  // LoopList 7
    SDeviceNode* m_device = nullptr;  // a pedal on a port whose name holds a quote

    static constexpr int kLoopListId = 7;
    static const QString kDeviceId;
    static const QString kDeviceName;

    QString file(const QString& name) const { return m_files.filePath(name + QStringLiteral(".wav")); }
    int addLibraryLoop(const QString& name, const QString& description, const QString& artist, bool fileExists,
                       const QString& length = QStringLiteral("00:04.000"));
    void fillSlot(const QString& where, int slot, const QString& name, const QString& filePath);
    static QString cell(int id, const QString& column);
    static int idOf(const QString& name);
    // Names shown by a pane, fetching every row.
    QStringList shownNames(int pane) const;
    QStringList selectedNames(int pane) const;
    int rowOf(int pane, const QString& name) const;
    void show(const QString& source, int pane = SContentView::E_PANE_UPPER);
    void selectRow(int pane, int row);
    // A left click on a row, and the view's handling of it (queued) done.
    void click(int pane, int row);
    // Centre of a row's Name cell in the pane's viewport.
    QPoint rowCenter(int pane, int row) const;
    QAction* action(int id) const { return m_window->toolbar()->actionById(id); }
    // Answers the next modal dialog of type T with answer (polling until it shows).
    template<typename T>
    static void answerNext(std::function<void(T*)> answer);

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void sourceFilters_data();
    void sourceFilters();
    void sameSourceIsNotQueriedAgain();
    void searchWithinSource_data();
    void searchWithinSource();
    void searchClearedOnSourceChange();
    void searchTextIsData_data();
    void searchTextIsData();
    void splitViewShowsTwoSources();
    void removedDeviceLeavesSplitPane();
    void forwardAndBackSkipEmptySlots_data();
    void forwardAndBackSkipEmptySlots();
    void sortKeepsSelectedLoop();
    void refreshKeepsSelectedLoop();
    void missingFilePrompt_data();
    void missingFilePrompt();
    void emptySlotIsNeverMissing();
    void editMenuEnabling_data();
    void editMenuEnabling();
    void deviceMemoryShowsDeviceCommands();
    void showInExplorerOpensFolder();
    void slotRowsQuoteDeviceValues();
    void filtersUseIndexes_data();
    void filtersUseIndexes();
    void resourceViewChoosesWhatIsShown();
    void promptDialog();
};

const QString TestContentView::kDeviceId = QStringLiteral("/dev/tty'A");
const QString TestContentView::kDeviceName = QStringLiteral("Ostino Alto HD");

template<typename T>
void TestContentView::answerNext(std::function<void(T*)> answer)
{
    QTimer::singleShot(10, [answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) {
            answerNext<T>(answer);
            return;
        }
        answer(dialog);
    });
}

int TestContentView::addLibraryLoop(const QString& name, const QString& description, const QString& artist,
                                    bool fileExists, const QString& length)
{
    if (fileExists) {
        QFile audio(file(name));
        if (!audio.open(QIODevice::WriteOnly))
            return -1;
    }
    QSqlQuery query(SDatabaseManager::database());
    query.prepare(QStringLiteral("INSERT INTO loops (isvalid, inlibrary, Name, Length, Rating, Description, Artist, "
                                 "Genre, filepath, guidpatch) VALUES ('true', 'true', ?, ?, 3, ?, ?, 'Rock', ?, ?)"));
    query.addBindValue(name);
    query.addBindValue(length);
    query.addBindValue(description);
    query.addBindValue(artist);
    query.addBindValue(file(name));
    query.addBindValue(QStringLiteral("patch-") + name);
    return query.exec() ? query.lastInsertId().toInt() : -1;
}

void TestContentView::fillSlot(const QString& where, int slot, const QString& name, const QString& filePath)
{
    QSqlQuery query(SDatabaseManager::database());
    const QString target = where == QLatin1String("looplist")
                               ? QStringLiteral("looplistid=%1").arg(kLoopListId)
                               : QStringLiteral("deviceid=%1 AND storagepath='%2'")
                                     .arg(SDatabaseManager::quote(kDeviceId), where);
    query.prepare(QStringLiteral("UPDATE loops SET isvalid='true', Name=?, Length='00:02.000', filepath=? WHERE ") +
                  target + QStringLiteral(" AND \"Loop #\"=?"));
    query.addBindValue(name);
    query.addBindValue(filePath);
    query.addBindValue(slot);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QCOMPARE(query.numRowsAffected(), 1);
}

QString TestContentView::cell(int id, const QString& column)
{
    QSqlQuery query(SDatabaseManager::database());
    query.exec(QStringLiteral("SELECT \"%1\" FROM loops WHERE id=%2").arg(column).arg(id));
    return query.next() ? query.value(0).toString() : QStringLiteral("<no row>");
}

int TestContentView::idOf(const QString& name)
{
    QSqlQuery query(SDatabaseManager::database());
    query.prepare(QStringLiteral("SELECT id FROM loops WHERE Name=?"));
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

QStringList TestContentView::shownNames(int pane) const
{
    SSqlTableModel* model = m_content->model(pane);
    while (model->canFetchMore())
        model->fetchMore();
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->record(row).value(QStringLiteral("Name")).toString();
    return names;
}

QStringList TestContentView::selectedNames(int pane) const
{
    QStringList names;
    for (int row : m_content->view(pane)->selectedRowsSorted())
        names << m_content->model(pane)->record(row).value(QStringLiteral("Name")).toString();
    return names;
}

int TestContentView::rowOf(int pane, const QString& name) const
{
    return int(shownNames(pane).indexOf(name));
}

void TestContentView::show(const QString& source, int pane)
{
    SSqlTableModel* model = m_content->model(pane);
    STableView* view = m_content->view(pane);
    if (source == QLatin1String("library"))
        m_content->populateLibrary(model, view, true);
    else if (source == QLatin1String("looplist"))
        m_content->populateLoopList(m_loopList, model, view);
    else if (source == QLatin1String("internal"))
        m_content->populateDeviceInternal(m_device, model, view);
    else
        m_content->populateDeviceExternal(m_device, model, view);
}

void TestContentView::selectRow(int pane, int row)
{
    STableView* view = m_content->view(pane);
    view->selectionModel()->select(
        QItemSelection(view->model()->index(row, 0), view->model()->index(row, view->model()->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
}

QPoint TestContentView::rowCenter(int pane, int row) const
{
    SSqlTableModel* model = m_content->model(pane);
    return m_content->view(pane)->visualRect(model->index(row, model->fieldIndex(QStringLiteral("Name")))).center();
}

void TestContentView::click(int pane, int row)
{
    QTest::mouseClick(m_content->view(pane)->viewport(), Qt::LeftButton, {}, rowCenter(pane, row));
    QCoreApplication::sendPostedEvents();
}

void TestContentView::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_files.isValid());
    // The file dialog must be one the test can answer.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // A library made by an earlier version: the tables without any index.
    {
        QDir().mkpath(SDatabaseManager::databaseFolder());
        QSqlDatabase legacy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("legacy"));
        legacy.setDatabaseName(SDatabaseManager::databasePath());
        QVERIFY(legacy.open());
        QSqlQuery create(legacy);
        QVERIFY(create.exec(SDatabaseManager::createLoopsStatement));
        QVERIFY(create.exec(SDatabaseManager::createLoopListsStatement));
        create = QSqlQuery();
        legacy.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("legacy"));
    m_window = new SMainWindow;
    m_window->initialize();
    QTRY_VERIFY(m_window->isVisible());
    m_content = SContentView::instance();
    QCOMPARE(m_window->innerWindow()->centralWidget(), m_content);

    m_loopList = new SLoopList(nullptr, Qt::WindowFlags(), false);
    m_loopList->setId(kLoopListId);
    m_loopList->setName(QStringLiteral("Seven"));
    m_content->onCreatedLoopList(m_loopList);
    m_device = new SDeviceNode;
    m_device->setDeviceName(kDeviceName);
    m_device->setDeviceId(kDeviceId);
    m_device->setHasExternalMemory(true);
    m_content->onDeviceNodeAdded(m_device);
}

void TestContentView::cleanupTestCase()
{
    m_content->onDeviceRemoved(m_device);
    delete m_device;
    m_content->onDeletedLoopList(m_loopList);
    delete m_loopList;
    m_window->close();
    delete m_window;
}

void TestContentView::init()
{
    if (m_content->viewMode() != SContentView::E_VIEW_SINGLE)
        m_content->onClickedSplitView(SContentView::E_VIEW_SINGLE);
    m_content->onSearchTextEdited(QString());
    m_window->toolbar()->searchField()->resetField();
    SLoopClipboard::instance()->clear();
    // One transaction: a file database syncs after every statement otherwise.
    QVERIFY(SDatabaseManager::database().transaction());
    QVERIFY(SDatabaseManager::execute(QStringLiteral("DELETE FROM loops")));

    // Library: names that the search cases tell apart.
    QVERIFY(addLibraryLoop(QStringLiteral("Alpha Groove"), QStringLiteral("don't stop"), QStringLiteral("Mara"), true) > 0);
    QVERIFY(addLibraryLoop(QStringLiteral("Beta 100% Loop"), QStringLiteral("full"), QStringLiteral("Ike"), true) > 0);
    QVERIFY(addLibraryLoop(QStringLiteral("Gamma_Delta"), QStringLiteral("under"), QStringLiteral("O'Brien"), true) > 0);
    QVERIFY(addLibraryLoop(QStringLiteral("Gamma Delta"), QStringLiteral("plain"), QStringLiteral("Ike"), true) > 0);
    QVERIFY(addLibraryLoop(QStringLiteral("Zeta"), QStringLiteral("100 bars"), QStringLiteral("Ike"), true,
                           QStringLiteral("00:00.000")) > 0);

    // LoopList 7: ten slots, loops in 2, 5 and 9.
    QVERIFY(m_content->createLoopListSlots(kLoopListId, 10));
    fillSlot(QStringLiteral("looplist"), 2, QStringLiteral("Alpha Slot"), file(QStringLiteral("Alpha Groove")));
    fillSlot(QStringLiteral("looplist"), 5, QStringLiteral("Beta Slot"), file(QStringLiteral("Zeta")));
    fillSlot(QStringLiteral("looplist"), 9, QStringLiteral("Gamma Slot"), file(QStringLiteral("Gamma Delta")));

    // The pedal: five internal and three external slots.
    QVERIFY(m_content->createDeviceSlots(kDeviceId, QStringLiteral("internal"), kDeviceName, 5));
    QVERIFY(m_content->createDeviceSlots(kDeviceId, QStringLiteral("external"), kDeviceName, 3));
    fillSlot(QStringLiteral("internal"), 1, QStringLiteral("Alpha Internal"), QString());
    fillSlot(QStringLiteral("internal"), 4, QStringLiteral("Delta Internal"), QString());
    fillSlot(QStringLiteral("external"), 2, QStringLiteral("Alpha External"), QString());
    QVERIFY(SDatabaseManager::database().commit());

    m_content->onSelectedLibrary();
    QCOMPARE(m_content->currentContentType(), STableView::E_CONTENT_LIBRARY);
}

void TestContentView::sourceFilters_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("sourceId");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("loopNumberShown");
    QTest::addColumn<QStringList>("selected");

    const QString empty;
    QTest::newRow("library") << "library" << int(STableView::E_CONTENT_LIBRARY) << -1 << "Library"
                             << QStringList {"Alpha Groove", "Beta 100% Loop", "Gamma Delta", "Gamma_Delta", "Zeta"}
                             << false << QStringList {"Alpha Groove"};
    QTest::newRow("looplist") << "looplist" << int(STableView::E_CONTENT_LOOPLIST) << kLoopListId << "Seven"
                              << QStringList {empty, "Alpha Slot", empty, empty, "Beta Slot",
                                              empty, empty, empty, "Gamma Slot", empty}
                              << true << QStringList();
    QTest::newRow("internal") << "internal" << int(STableView::E_CONTENT_DEVICE_INTERNAL) << -2
                              << "Ostino Alto HD Internal"
                              << QStringList {"Alpha Internal", empty, empty, "Delta Internal", empty} << true
                              << QStringList {"Alpha Internal"};
    QTest::newRow("external") << "external" << int(STableView::E_CONTENT_DEVICE_EXTERNAL) << -3
                              << "Ostino Alto HD External" << QStringList {empty, "Alpha External", empty} << true
                              << QStringList();
}

void TestContentView::sourceFilters()
{
    QFETCH(QString, source);
    QFETCH(int, type);
    QFETCH(int, sourceId);
    QFETCH(QString, title);
    QFETCH(QStringList, names);
    QFETCH(bool, loopNumberShown);
    QFETCH(QStringList, selected);

    if (source != QLatin1String("library"))
        show(source);
    STableView* view = m_content->view(SContentView::E_PANE_UPPER);
    SSqlTableModel* model = m_content->model(SContentView::E_PANE_UPPER);
    QCOMPARE(int(m_content->currentContentType()), type);
    QCOMPARE(view->sourceId(), sourceId);
    QCOMPARE(view->sourceName(), title);
    QCOMPARE(shownNames(SContentView::E_PANE_UPPER), names);
    QCOMPARE(model->filter(), m_content->viewFilter(SContentView::E_PANE_UPPER));
    // Row 0 is selected when it holds a loop; an empty slot leaves nothing selected.
    QCOMPARE(selectedNames(SContentView::E_PANE_UPPER), selected);
    QCOMPARE(m_content->currentRow(), selected.isEmpty() ? -1 : 0);

    QCOMPARE(!view->isColumnHidden(model->fieldIndex(QStringLiteral("Loop #"))), loopNumberShown);
    for (const char* hidden : {"id", "deviceid", "filepath", "guidpatch", "bpMinute", "temppath"})
        QVERIFY2(view->isColumnHidden(model->fieldIndex(QLatin1String(hidden))), hidden);
    for (const char* shown : {"Name", "Length", "Rating", "Description", "Artist", "Genre", "Tags"})
        QVERIFY2(!view->isColumnHidden(model->fieldIndex(QLatin1String(shown))), shown);
    QCOMPARE(view->columnWidth(model->fieldIndex(QStringLiteral("Rating"))), 70);
}

void TestContentView::sameSourceIsNotQueriedAgain()
{
    SSqlTableModel* model = m_content->model(0);
    STableView* view = m_content->view(0);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QVERIFY(m_content->populateDeviceInternal(m_device, model, view));
    QVERIFY(!m_content->populateDeviceInternal(m_device, model, view));
    QVERIFY(m_content->populateLoopList(m_loopList, model, view));
    QVERIFY(!m_content->populateLoopList(m_loopList, model, view));
    QVERIFY(m_content->populateLibrary(model, view, false));
    QVERIFY(!m_content->populateLibrary(model, view, false));
    QCOMPARE(resets.count(), 3);
}

void TestContentView::searchWithinSource_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("library name") << "library" << "alpha" << QStringList {"Alpha Groove"};
    QTest::newRow("library artist") << "library" << "ike"
                                    << QStringList {"Beta 100% Loop", "Gamma Delta", "Zeta"};
    QTest::newRow("looplist") << "looplist" << "slot" << QStringList {"Alpha Slot", "Beta Slot", "Gamma Slot"};
    QTest::newRow("looplist only its own") << "looplist" << "alpha" << QStringList {"Alpha Slot"};
    QTest::newRow("internal") << "internal" << "alpha" << QStringList {"Alpha Internal"};
    QTest::newRow("external") << "external" << "a" << QStringList {"Alpha External"};
    QTest::newRow("no match") << "library" << "nothing like it" << QStringList();
}

void TestContentView::searchWithinSource()
{
    QFETCH(QString, source);
    QFETCH(QString, text);
    QFETCH(QStringList, names);

    show(source);
    const QString viewFilter = m_content->viewFilter(SContentView::E_PANE_UPPER);
    const QStringList before = shownNames(SContentView::E_PANE_UPPER);
    // Typed into the tool bar's field, one keystroke at a time.
    SLineEdit* field = m_window->toolbar()->searchField();
    field->clear();
    QTest::keyClicks(field, text);
    QCOMPARE(shownNames(SContentView::E_PANE_UPPER), names);
    QCOMPARE(m_content->model(0)->filter(),
             "(" + viewFilter + ") AND (" + SContentView::searchFilterFor(text) + ")");
    QCOMPARE(m_content->viewFilter(SContentView::E_PANE_UPPER), viewFilter);

    // Emptying the field restores the source's rows.
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(m_content->searchFilter(), QString());
    QCOMPARE(m_content->model(0)->filter(), viewFilter);
    QCOMPARE(shownNames(SContentView::E_PANE_UPPER), before);
}

void TestContentView::searchClearedOnSourceChange()
{
    SLineEdit* field = m_window->toolbar()->searchField();
    field->clear();
    QTest::keyClicks(field, QStringLiteral("alpha"));
    QCOMPARE(shownNames(0), QStringList {QStringLiteral("Alpha Groove")});

    m_content->onSelectedLoopList(m_loopList);
    QCOMPARE(m_content->searchFilter(), QString());
    QCOMPARE(field->text(), field->hint());
    QCOMPARE(m_content->model(0)->filter(), SContentView::loopListFilter(kLoopListId));
    QCOMPARE(shownNames(0).size(), 10);
}

void TestContentView::searchTextIsData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("quote") << "don't" << QStringList {"Alpha Groove"};
    QTest::newRow("quote in artist") << "O'Brien" << QStringList {"Gamma_Delta"};
    QTest::newRow("percent") << "100%" << QStringList {"Beta 100% Loop"};
    QTest::newRow("lone percent") << "%" << QStringList {"Beta 100% Loop"};
    QTest::newRow("underscore") << "a_d" << QStringList {"Gamma_Delta"};
    QTest::newRow("backslash") << "\\" << QStringList();
    QTest::newRow("widening") << "x' OR '1'='1" << QStringList();
    QTest::newRow("closing bracket") << "a%') OR (1=1" << QStringList();
}

void TestContentView::searchTextIsData()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);

    m_content->onSearchTextEdited(text);
    QCOMPARE(shownNames(0), names);
    // The same text on a LoopList never reaches library rows.
    m_content->populateLoopList(m_loopList, m_content->model(0), m_content->view(0));
    m_content->onSearchTextEdited(text);
    for (const QString& name : shownNames(0))
        QVERIFY2(name.endsWith(QLatin1String("Slot")), qPrintable(name));
}

void TestContentView::splitViewShowsTwoSources()
{
    m_window->toolbar()->actionById(SToolbar::E_ACTION_SPLIT_VIEW)->trigger();
    QCOMPARE(m_content->viewMode(), int(SContentView::E_VIEW_SPLIT));
    QVERIFY(m_content->dock(SContentView::E_PANE_LOWER)->isVisible());
    QVERIFY(!m_window->resourceDock()->isVisible());
    QCOMPARE(m_content->dock(0)->titleBarWidget(), m_content->titleBar(0));
    QCOMPARE(m_content->currentView(), m_content->view(SContentView::E_PANE_UPPER));

    // The lower box chooses the LoopList; the upper one a device memory.
    QComboBox* lower = m_content->comboBox(SContentView::E_PANE_LOWER);
    QComboBox* upper = m_content->comboBox(SContentView::E_PANE_UPPER);
    QCOMPARE(lower->currentText(), QStringLiteral("Library"));
    lower->setCurrentIndex(lower->findText(QStringLiteral("Seven")));
    upper->setCurrentIndex(upper->findText(kDeviceName + QStringLiteral(" External")));
    QCOMPARE(shownNames(SContentView::E_PANE_LOWER).size(), 10);
    QCOMPARE(m_content->view(1)->contentType(), STableView::E_CONTENT_LOOPLIST);
    QCOMPARE(m_content->view(0)->contentType(), STableView::E_CONTENT_DEVICE_EXTERNAL);
    QCOMPARE(shownNames(SContentView::E_PANE_UPPER).size(), 3);

    // A search filters both panes, each within its own source.
    m_content->onSearchTextEdited(QStringLiteral("alpha"));
    QCOMPARE(shownNames(SContentView::E_PANE_LOWER), QStringList {QStringLiteral("Alpha Slot")});
    QCOMPARE(shownNames(SContentView::E_PANE_UPPER), QStringList {QStringLiteral("Alpha External")});

    m_window->toolbar()->actionById(SToolbar::E_ACTION_SINGLE_VIEW)->trigger();
    QCOMPARE(m_content->viewMode(), int(SContentView::E_VIEW_SINGLE));
    QVERIFY(!m_content->dock(SContentView::E_PANE_LOWER)->isVisible());
    QVERIFY(m_window->resourceDock()->isVisible());
    QCOMPARE(m_content->currentContentType(), STableView::E_CONTENT_LIBRARY);
    QCOMPARE(m_content->searchFilter(), QString());
}

void TestContentView::removedDeviceLeavesSplitPane()
{
    auto* pedal = new SDeviceNode;
    pedal->setDeviceName(QStringLiteral("Ostino Vela"));
    pedal->setDeviceId(QStringLiteral("/dev/ttyB"));
    m_content->onDeviceNodeAdded(pedal);
    QVERIFY(m_content->createDeviceSlots(QStringLiteral("/dev/ttyB"), QStringLiteral("internal"),
                                         QStringLiteral("Ostino Vela"), 4));
    m_content->onClickedSplitView(SContentView::E_VIEW_SPLIT);
    QComboBox* upper = m_content->comboBox(SContentView::E_PANE_UPPER);
    // No external memory: one item for the pedal.
    QCOMPARE(upper->findText(QStringLiteral("Ostino Vela External")), -1);
    upper->setCurrentIndex(upper->findText(QStringLiteral("Ostino Vela Internal")));
    QCOMPARE(shownNames(0).size(), 4);

    m_content->onDeviceRemoved(pedal);
    delete pedal;
    QCOMPARE(upper->findText(QStringLiteral("Ostino Vela Internal")), -1);
    // The pane shows what its box selects now.
    QVERIFY(m_content->view(0)->sourceObject() == upper->currentData().value<QObject*>());
    QCOMPARE(m_content->view(0)->sourceName(), upper->currentText());
}

void TestContentView::forwardAndBackSkipEmptySlots_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QString>("expected");

    QTest::newRow("looplist forward") << "looplist" << "Alpha Slot" << true << "Beta Slot";
    QTest::newRow("looplist wraps forward") << "looplist" << "Gamma Slot" << true << "Alpha Slot";
    QTest::newRow("looplist wraps back") << "looplist" << "Alpha Slot" << false << "Gamma Slot";
    QTest::newRow("device forward") << "internal" << "Alpha Internal" << true << "Delta Internal";
    QTest::newRow("device wraps forward") << "internal" << "Delta Internal" << true << "Alpha Internal";
    QTest::newRow("library wraps back") << "library" << "Alpha Groove" << false << "Zeta";
    QTest::newRow("library forward") << "library" << "Beta 100% Loop" << true << "Gamma Delta";
}

void TestContentView::forwardAndBackSkipEmptySlots()
{
    QFETCH(QString, source);
    QFETCH(QString, start);
    QFETCH(bool, forward);
    QFETCH(QString, expected);

    show(source);
    selectRow(0, rowOf(0, start));
    QSignalSpy details(m_content, &SContentView::loopDetails);
    if (forward)
        m_content->onForwardClicked();
    else
        m_content->onBackwardClicked();
    QCOMPARE(selectedNames(0), QStringList {expected});
    QVERIFY(!details.isEmpty());
    QCOMPARE(m_content->loopDetailRecord().loops.value(0).name, expected);
}

void TestContentView::sortKeepsSelectedLoop()
{
    STableView* view = m_content->view(0);
    selectRow(0, rowOf(0, QStringLiteral("Beta 100% Loop")));
    const int nameColumn = m_content->model(0)->fieldIndex(QStringLiteral("Name"));
    QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), nameColumn);
    // A click on the Name header turns the order round.
    const QPoint header(view->horizontalHeader()->sectionViewportPosition(nameColumn) + 5, 5);
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, header);
    QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(shownNames(0).first(), QStringLiteral("Zeta"));
    QCOMPARE(selectedNames(0), QStringList {QStringLiteral("Beta 100% Loop")});
    QCOMPARE(m_content->loopDetailRecord().loops.value(0).name, QStringLiteral("Beta 100% Loop"));

    // The library remembers its order when it is shown again.
    m_content->onSelectedLoopList(m_loopList);
    m_content->onSelectedLibrary();
    QCOMPARE(shownNames(0).first(), QStringLiteral("Zeta"));
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, header);
}

void TestContentView::refreshKeepsSelectedLoop()
{
    click(0, rowOf(0, QStringLiteral("Gamma Delta")));
    QCOMPARE(m_content->currentRow(), 2);
    // A rename moves the loop in the Name order; it stays selected.
    QVERIFY(SDatabaseManager::execute(QStringLiteral("UPDATE loops SET Name='Aardvark' WHERE Name='Gamma Delta'")));
    m_content->refreshViews();
    QCOMPARE(selectedNames(0), QStringList {QStringLiteral("Aardvark")});
    QCOMPARE(m_content->currentRow(), 0);
}

void TestContentView::missingFilePrompt_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("nameAfter");
    QTest::addColumn<QString>("validAfter");

    QTest::newRow("library delete") << "library" << "Gamma Delta" << "Delete" << "<no row>" << "<no row>";
    QTest::newRow("library locate") << "library" << "Gamma Delta" << "Locate" << "found again" << "true";
    QTest::newRow("library cancel") << "library" << "Gamma Delta" << "Cancel" << "Gamma Delta" << "true";
    QTest::newRow("looplist delete") << "looplist" << "Gamma Slot" << "Delete" << "" << "false";
    QTest::newRow("looplist locate") << "looplist" << "Gamma Slot" << "Locate" << "found again" << "true";
}

void TestContentView::missingFilePrompt()
{
    QFETCH(QString, source);
    QFETCH(QString, name);
    QFETCH(QString, answer);
    QFETCH(QString, nameAfter);
    QFETCH(QString, validAfter);

    // The file of "Gamma Delta" (also LoopList slot 9) goes away behind the program's back.
    QVERIFY(QFile::remove(file(QStringLiteral("Gamma Delta"))));
    const QString located = m_files.filePath(QStringLiteral("found again.wav"));
    QFile replacement(located);
    QVERIFY(replacement.open(QIODevice::WriteOnly));
    replacement.close();
    SContentView::setLengthMeasurer([](const QString&) { return 75.25; });

    show(source);
    const int id = idOf(name);
    const int row = rowOf(0, name);
    QVERIFY(row >= 0);
    QString shownText;
    answerNext<QMessageBox>([&shownText, answer](QMessageBox* box) {
        shownText = box->text();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == answer)
                button->click();
        }
    });
    if (answer == QLatin1String("Locate")) {
        answerNext<QFileDialog>([located](QFileDialog* dialog) {
            // Typed into the name field, as a user would.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(located);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }
    click(0, row);
    QTRY_VERIFY(!shownText.isEmpty());
    QVERIFY2(shownText.contains(QStringLiteral("<b>") + file(QStringLiteral("Gamma Delta"))), qPrintable(shownText));
    QTRY_COMPARE(cell(id, QStringLiteral("Name")), nameAfter);
    QCOMPARE(cell(id, QStringLiteral("isvalid")), validAfter);
    if (answer == QLatin1String("Locate")) {
        QCOMPARE(cell(id, QStringLiteral("filepath")), located);
        QCOMPARE(cell(id, QStringLiteral("Description")), QStringLiteral("Imported from ") + located);
        QCOMPARE(cell(id, QStringLiteral("Length")), QStringLiteral("01:15.250"));
        QVERIFY(shownNames(0).contains(QStringLiteral("found again")));
    }
    if (source == QLatin1String("looplist") && answer == QLatin1String("Delete")) {
        QCOMPARE(cell(id, QStringLiteral("looplistid")), QString::number(kLoopListId));
        QCOMPARE(cell(id, QStringLiteral("Loop #")), QStringLiteral("9"));
        QCOMPARE(cell(id, QStringLiteral("filepath")), QString());
    }
    SContentView::setLengthMeasurer(nullptr);
}

void TestContentView::emptySlotIsNeverMissing()
{
    show(QStringLiteral("looplist"));
    bool prompted = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&prompted] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            prompted = true;
            box->reject();
        }
    });
    watch.start(5);
    click(0, 0);
    QTest::qWait(50);
    QVERIFY(!prompted);
    QCOMPARE(m_content->currentRow(), 0);
}

void TestContentView::editMenuEnabling_data()
{
    QTest::addColumn<QString>("copiedFrom");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("paste");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("convert");

    QTest::newRow("library to library") << "library" << "library" << true << false << true << true;
    QTest::newRow("looplist to library") << "looplist" << "library" << true << false << true << true;
    QTest::newRow("device to library") << "internal" << "library" << true << true << true << true;
    QTest::newRow("library to looplist") << "library" << "looplist" << true << true << true << false;
    QTest::newRow("library to device") << "library" << "internal" << true << true << false << false;
    QTest::newRow("external device") << "library" << "external" << true << true << false << false;
    QTest::newRow("empty clipboard") << "" << "looplist" << true << false << true << false;
    QTest::newRow("no selection") << "library" << "library" << false << false << false << false;
}

void TestContentView::editMenuEnabling()
{
    QFETCH(QString, copiedFrom);
    QFETCH(QString, source);
    QFETCH(bool, select);
    QFETCH(bool, paste);
    QFETCH(bool, cut);
    QFETCH(bool, convert);

    if (!copiedFrom.isEmpty()) {
        show(copiedFrom);
        selectRow(0, rowOf(0, shownNames(0).filter(QRegularExpression(QStringLiteral("."))).first()));
        action(SToolbar::E_ACTION_COPY)->trigger();
        QVERIFY(!SLoopClipboard::instance()->isClipboardEmpty());
    }
    show(source);
    STableView* view = m_content->view(0);
    const int row = rowOf(0, shownNames(0).filter(QRegularExpression(QStringLiteral("."))).first());
    if (select) {
        click(0, row);
        QCOMPARE(m_content->currentRow(), row);
    } else {
        view->clearSelection();
    }
    m_window->toolbar()->editMenuAboutToShow();
    QCOMPARE(action(SToolbar::E_ACTION_COPY)->isEnabled(), select);
    QCOMPARE(action(SToolbar::E_ACTION_DELETE)->isEnabled(), select);
    QCOMPARE(action(SToolbar::E_ACTION_CUT)->isEnabled(), cut);
    QCOMPARE(action(SToolbar::E_ACTION_PASTE)->isEnabled(), paste);
    QCOMPARE(action(SToolbar::E_ACTION_CONVERT_FILE)->isEnabled(), convert);
    const bool library = source == QLatin1String("library");
    QCOMPARE(action(SToolbar::E_ACTION_ADD_TO_LIBRARY)->isVisible(), library);
    QCOMPARE(action(SToolbar::E_ACTION_EXPORT_LOOP)->isVisible(), library);
    QCOMPARE(action(SToolbar::E_ACTION_EXPORT_LOOP)->isEnabled(), library && select);
    QCOMPARE(action(SToolbar::E_ACTION_DUPLICATE_LOOPLIST)->isVisible(), source == QLatin1String("looplist"));
}

void TestContentView::deviceMemoryShowsDeviceCommands()
{
    QAction* sync = action(SToolbar::E_ACTION_SYNCHRONIZE);
    QAction* details = action(SToolbar::E_ACTION_DEVICE_DETAILS);
    QVERIFY(!sync->isVisible());
    QVERIFY(!details->isVisible());
    m_content->onClickedMemoryInternal(m_device);
    QCOMPARE(m_content->currentContentType(), STableView::E_CONTENT_DEVICE_INTERNAL);
    QVERIFY(sync->isVisible());
    QVERIFY(details->isVisible());
    QVERIFY(!details->icon().isNull());
    QCOMPARE(m_window->toolbar()->widgetForAction(details)->objectName(),
             QStringLiteral("SDeviceNodePushButtonDeviceIconOstino_Alto_HD"));
    m_content->onSelectedLibrary();
    QVERIFY(!sync->isVisible());
    QVERIFY(!details->isVisible());
}

void TestContentView::showInExplorerOpensFolder()
{
    QList<QUrl> opened;
    SContentView::setUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    STableView* view = m_content->view(0);
    const QPoint zeta = rowCenter(0, rowOf(0, QStringLiteral("Zeta")));
    QTimer::singleShot(50, [this] {
        QMenu* menu = m_content->contextMenu();
        QVERIFY(menu->isVisible());
        QVERIFY(m_content->showInExplorerAction()->isVisible());
        menu->setActiveAction(m_content->showInExplorerAction());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, zeta, view->viewport()->mapToGlobal(zeta));
    QApplication::sendEvent(view->viewport(), &event);
    SContentView::setUrlOpener(nullptr);
    QCOMPARE(opened, QList<QUrl> {QUrl::fromLocalFile(m_files.path())});
    QCOMPARE(m_content->currentRow(), rowOf(0, QStringLiteral("Zeta")));

    // An empty slot offers nothing to show.
    show(QStringLiteral("looplist"));
    const QPoint emptySlot = rowCenter(0, 0);
    QTimer::singleShot(50, [this] {
        QVERIFY(!m_content->showInExplorerAction()->isVisible());
        m_content->contextMenu()->close();
    });
    QContextMenuEvent second(QContextMenuEvent::Mouse, emptySlot, view->viewport()->mapToGlobal(emptySlot));
    QApplication::sendEvent(view->viewport(), &second);
}

void TestContentView::slotRowsQuoteDeviceValues()
{
    // Names with quotes are stored as they are, not spliced into the statement.
    const QString port = QStringLiteral("COM'); DROP TABLE loops; --");
    const QString model = QStringLiteral("Ostino 'Quoted'");
    QVERIFY(m_content->createDeviceSlots(port, QStringLiteral("internal"), model, 3));
    QSqlQuery query(SDatabaseManager::database());
    query.prepare(QStringLiteral("SELECT \"Loop #\", devicename, isvalid, inlibrary, Rating FROM loops WHERE "
                                 "deviceid=? ORDER BY \"Loop #\""));
    query.addBindValue(port);
    QVERIFY(query.exec());
    QStringList rows;
    while (query.next())
        rows << QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                         query.value(3).toString(), query.value(4).toString());
    QCOMPARE(rows, (QStringList {"1 Ostino 'Quoted' false false 0", "2 Ostino 'Quoted' false false 0",
                                 "3 Ostino 'Quoted' false false 0"}));
    QCOMPARE(SContentView::deviceFilter(port, true),
             QStringLiteral("deviceid='COM''); DROP TABLE loops; --' AND storagepath='internal'"));
}

void TestContentView::filtersUseIndexes_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("library") << "library";
    QTest::newRow("looplist") << "looplist";
    QTest::newRow("internal") << "internal";
    QTest::newRow("external") << "external";
}

void TestContentView::filtersUseIndexes()
{
    QFETCH(QString, source);
    // The library opened without indexes has gained them.
    QSqlQuery query(SDatabaseManager::database());
    QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND name IN "
                                      "('loops_library_name', 'loops_looplist_slot', 'loops_device_slot')")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 3);

    // Each source's rows come from an index, already in the default order.
    show(source);
    QVERIFY(query.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + m_content->model(0)->query().lastQuery()));
    QStringList plan;
    while (query.next())
        plan << query.value(3).toString();
    const QString steps = plan.join(QStringLiteral("; "));
    QVERIFY2(steps.contains(QLatin1String("USING INDEX")), qPrintable(steps));
    QVERIFY2(!steps.contains(QLatin1String("TEMP B-TREE")), qPrintable(steps));
}

void TestContentView::resourceViewChoosesWhatIsShown()
{
    auto* resources = qobject_cast<SResourceView*>(m_window->resourceDock());
    QVERIFY(resources);
    resources->onClickedAddLoopList();
    auto* created = qobject_cast<SLoopList*>(m_content->currentView()->sourceObject());
    QVERIFY(created);
    QCOMPARE(m_content->currentContentType(), STableView::E_CONTENT_LOOPLIST);
    QCOMPARE(m_content->currentView()->sourceId(), created->id());
    QVERIFY(m_content->comboBox(0)->findData(QVariant::fromValue<QObject*>(created)) >= 0);

    Q_EMIT resources->librarySelected();
    QCOMPARE(m_content->currentContentType(), STableView::E_CONTENT_LIBRARY);

    resources->onClickedRemoveLoopList(created);
    QCOMPARE(m_content->comboBox(0)->findData(QVariant::fromValue<QObject*>(created)), -1);
    QCOMPARE(m_content->comboBox(1)->findData(QVariant::fromValue<QObject*>(created)), -1);
}

void TestContentView::promptDialog()
{
    SPromptDialog prompt(QStringLiteral("Replace the loop?"));
    QCOMPARE(prompt.parentWidget(), m_window);
    QPushButton* yes = prompt.addButton(QStringLiteral("Yes"));
    prompt.addButton(QStringLiteral("No"));
    QRadioButton* first = prompt.addRadioButton(QStringLiteral("Keep both"));
    QRadioButton* second = prompt.addRadioButton(QStringLiteral("Replace"));
    QCOMPARE(prompt.selectedRadioButton(), first);
    answerNext<SPromptDialog>([second, yes](SPromptDialog*) {
        second->click();
        yes->click();
    });
    prompt.exec();
    QCOMPARE(prompt.clickedButton(), yes);
    QCOMPARE(prompt.selectedRadioButton(), second);

    SPromptDialog closed(QStringLiteral("Closed?"));
    closed.addButton(QStringLiteral("Yes"));
    answerNext<SPromptDialog>([](SPromptDialog* dialog) { dialog->close(); });
    closed.exec();
    QCOMPARE(closed.clickedButton(), nullptr);
}

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
