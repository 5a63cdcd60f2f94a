#include "app/stoolbar.h"
#include "device/sevent.h"
#include "views/sprogressdialog.h"
#include "views/scontentview.h"
#include "views/slooplist.h"
#include "tst_resourceviewfixture.h"
#include "testenv.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QSignalSpy>

using namespace ResourceFixture;

// LoopLists in the resource view: colours, names, add, duplicate, remove, and
// what happens when the library refuses a change.
class TestResourceView : public QObject
{
    Q_OBJECT
private:
    QPointer<SMainWindow> m_window;
    SResourceView* view() const { return SResourceView::instance(); }
    static QStringList names(const QList<SLoopList*>& lists);
    static void restart(QPointer<SMainWindow>& window);

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void slotsForModel_data();
    void slotsForModel();
    void colorsCycleAfterSeven();
    void nextColorSurvivesRestart();
    void loadsLoopListsAtStart();
    void rename_data();
    void rename();
    void nameValidator_data();
    void nameValidator();
    void duplicateCopiesEverySlot();
    void removeSelectsNeighbour_data();
    void removeSelectsNeighbour();
    void refusedChangesPutWidgetsBack_data();
    void refusedChangesPutWidgetsBack();
    void colourChangeIsStored();
    void editsGoThroughHandler();
    void createWithRecordsFillsSlots();
    void createFromDeviceLoops_data();
    void createFromDeviceLoops();
    void toolbarCommands();
};

QStringList TestResourceView::names(const QList<SLoopList*>& lists)
{
    QStringList result;
    for (SLoopList* list : lists)
        result << list->name();
    return result;
}

void TestResourceView::restart(QPointer<SMainWindow>& window)
{
    closeWindow(window);
    window = startWindow();
}

void TestResourceView::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestResourceView::init()
{
    m_window = startWindow();
    QVERIFY(m_window);
}

void TestResourceView::cleanup()
{
    SResourceView::setEditHandler({});
    SDatabaseManager::execute(QStringLiteral("DROP TRIGGER IF EXISTS refuse"));
    SDatabaseManager::execute(QStringLiteral("DELETE FROM loops"));
    SDatabaseManager::execute(QStringLiteral("DELETE FROM looplists"));
    closeWindow(m_window);
    SLoopList::setNextColorIndex(0);
    QSettings(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD")).remove(QStringLiteral("Settings"));
}

void TestResourceView::slotsForModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("slots");
    QTest::newRow("alto") << "Ostino Alto" << 99;
    QTest::newRow("xt in capitals") << "OSTINO ALTO XT" << 200;
    QTest::newRow("hd") << "Ostino Alto HD" << 200;
    QTest::newRow("unknown") << "Ostino Grande" << 99;
    QTest::newRow("empty") << "" << 99;
}

void TestResourceView::slotsForModel()
{
    QFETCH(QString, model);
    QFETCH(int, slots);
    QCOMPARE(SResourceView::slotsForModel(model), slots);
}

void TestResourceView::colorsCycleAfterSeven()
{
    QList<SLoopList*> lists;
    for (int i = 0; i < 8; ++i) {
        lists << addLoopList(QStringLiteral("List %1").arg(i));
        QVERIFY(lists.last());
    }
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(lists.at(i)->colorIndex(), i % 7);
        QCOMPARE(scalar(QStringLiteral("SELECT color FROM looplists WHERE id=%1").arg(lists.at(i)->id())).toInt(),
                 i % 7);
        QVERIFY(lists.at(i)->colorButton()->styleSheet().contains(SLoopList::colors().at(i % 7)));
    }
    QCOMPARE(lists.at(7)->colorIndex(), lists.at(0)->colorIndex());
    QCOMPARE(SLoopList::nextColorIndex(), 1);
}

void TestResourceView::nextColorSurvivesRestart()
{
    // Colours 0, 1, 2; removing the last two leaves colour 0 as the last one loaded,
    // so only the remembered index can say that 3 comes next.
    SLoopList* first = addLoopList(QStringLiteral("First"));
    SLoopList* second = addLoopList(QStringLiteral("Second"));
    SLoopList* third = addLoopList(QStringLiteral("Third"));
    QVERIFY(first && second && third);
    QVERIFY(view()->onClickedRemoveLoopList(third) >= 0);
    QVERIFY(view()->onClickedRemoveLoopList(second) >= 0);
    QCOMPARE(SLoopList::nextColorIndex(), 3);

    // Loading sets the index afresh: from the settings, not from the last LoopList.
    restart(m_window);
    QCOMPARE(names(view()->loopLists()), QStringList {QStringLiteral("First")});
    QCOMPARE(SLoopList::storedNextColorIndex(), 3);
    SLoopList* fourth = addLoopList(QStringLiteral("Fourth"));
    QVERIFY(fourth);
    QCOMPARE(fourth->colorIndex(), 3);
}

void TestResourceView::loadsLoopListsAtStart()
{
    QVERIFY(SDatabaseManager::execute(QStringLiteral("INSERT INTO looplists VALUES(4,2,'Drums')")));
    QVERIFY(SDatabaseManager::execute(QStringLiteral("INSERT INTO looplists VALUES(9,5,'Bass ''n'' Keys')")));
    restart(m_window);
    const QList<SLoopList*> lists = view()->loopLists();
    QCOMPARE(names(lists), (QStringList {QStringLiteral("Drums"), QStringLiteral("Bass 'n' Keys")}));
    QCOMPARE(lists.at(0)->id(), 4);
    QCOMPARE(lists.at(1)->colorIndex(), 5);
    // Loaded LoopLists are neither selected nor being renamed.
    for (SLoopList* list : lists) {
        QVERIFY(!list->isRenaming());
        QVERIFY(!list->isSelected());
    }
    QVERIFY(!view()->currentLoopList());
    // Without a remembered index the colour after the last loaded one comes next.
    QCOMPARE(SLoopList::nextColorIndex(), 6);
}

void TestResourceView::rename_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("edit");
    QTest::newRow("new name") << "Grooves" << "Grooves" << true;
    QTest::newRow("empty keeps the name") << "" << "Mine" << false;
    QTest::newRow("same name is no edit") << "Mine" << "Mine" << false;
    QTest::newRow("quote-free punctuation") << "A&B (live); 2" << "A&B (live); 2" << true;
}

void TestResourceView::rename()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(bool, edit);
    SLoopList* list = addLoopList(QStringLiteral("Mine"));
    QVERIFY(list);
    QList<stLoopListEdit> edits;
    SResourceView::setEditHandler([&edits](const stLoopListEdit& e) {
        edits << e;
        SResourceView::instance()->performEdit(e);
    });
    QSignalSpy renamed(view(), &SResourceView::loopListRenamed);

    list->onClickedRename();
    QVERIFY(list->isRenaming());
    list->lineEdit()->setText(typed);
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QVERIFY(!list->isRenaming());
    QCOMPARE(list->name(), expected);
    QCOMPARE(scalar(QStringLiteral("SELECT name FROM looplists WHERE id=%1").arg(list->id())).toString(), expected);
    QCOMPARE(edits.size(), edit ? 1 : 0);
    QCOMPARE(renamed.count(), edit ? 1 : 0);
    if (edit) {
        QCOMPARE(edits.first().kind, int(stLoopListEdit::E_RENAME));
        QCOMPARE(edits.first().oldName, QStringLiteral("Mine"));
        QCOMPARE(edits.first().name, expected);
    }
}

void TestResourceView::nameValidator_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("30 characters") << QString(30, QLatin1Char('a')) << true;
    QTest::newRow("31 characters") << QString(31, QLatin1Char('a')) << false;
    QTest::newRow("single quote") << "Rock'n" << false;
    QTest::newRow("double quote") << "The \"best\"" << false;
    QTest::newRow("symbols") << "~`!@#$%^&()[]{}-_,.;" << true;
}

void TestResourceView::nameValidator()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    SLoopList* list = addLoopList(QStringLiteral("Valid"));
    QVERIFY(list);
    int position = 0;
    QString text = name;
    const QValidator::State state = list->lineEdit()->validator()->validate(text, position);
    QCOMPARE(state == QValidator::Acceptable, accepted);
}

void TestResourceView::duplicateCopiesEverySlot()
{
    SLoopList* source = addLoopList(QStringLiteral("Source"));
    QVERIFY(source);
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(source->id())), 200);
    QVERIFY(fillSlot(source->id(), 1, QStringLiteral("One"), QStringLiteral("/tmp/one.wav")));
    QVERIFY(fillSlot(source->id(), 200, QStringLiteral("Last"), QStringLiteral("/tmp/last.wav")));

    QSignalSpy created(view(), &SResourceView::loopListCreated);
    SLoopList* copy = view()->onClickedDuplicateLoopList(source, nullptr);
    QVERIFY(copy);
    QVERIFY(copy->id() != source->id());
    QCOMPARE(copy->name(), QStringLiteral("Source"));
    QCOMPARE(copy->colorIndex(), 1);
    QCOMPARE(view()->currentLoopList(), copy);
    QCOMPARE(created.count(), 1);
    const QString columns = QStringLiteral("isvalid, inlibrary, \"Loop #\", Name, filepath, Rating, isLoop");
    const auto slots = [&](int id) {
        QStringList result;
        for (const QSqlRecord& r : rows(QStringLiteral("SELECT %1 FROM loops WHERE looplistid=%2 ORDER BY \"Loop #\"")
                                            .arg(columns)
                                            .arg(id))) {
            QStringList values;
            for (int i = 0; i < r.count(); ++i)
                values << r.value(i).toString();
            result << values.join(QLatin1Char('|'));
        }
        return result;
    };
    const QStringList original = slots(source->id());
    QCOMPARE(original.size(), 200);
    QCOMPARE(slots(copy->id()), original);
}

void TestResourceView::removeSelectsNeighbour_data()
{
    QTest::addColumn<int>("lists");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("selected");
    QTest::newRow("only one: the Library") << 1 << 0 << "";
    QTest::newRow("first of three: the new first") << 3 << 0 << "L1";
    QTest::newRow("middle: the one after it") << 3 << 1 << "L2";
    QTest::newRow("last: the one before it") << 3 << 2 << "L1";
}

void TestResourceView::removeSelectsNeighbour()
{
    QFETCH(int, lists);
    QFETCH(int, removed);
    QFETCH(QString, selected);
    QList<SLoopList*> made;
    for (int i = 0; i < lists; ++i)
        made << addLoopList(QStringLiteral("L%1").arg(i));
    SLoopList* victim = made.at(removed);
    const int id = victim->id();
    QSignalSpy library(view(), &SResourceView::librarySelected);
    QSignalSpy deleted(view(), &SResourceView::loopListDeleted);
    QCOMPARE(view()->onClickedRemoveLoopList(victim), removed);
    QCOMPARE(deleted.count(), 1);
    QVERIFY(victim->isHidden());
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(id)), 0);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM looplists WHERE id=%1").arg(id)).toInt(), 0);
    if (selected.isEmpty()) {
        QVERIFY(!view()->currentLoopList());
        QCOMPARE(library.count(), 1);
    } else {
        QVERIFY(view()->currentLoopList());
        QCOMPARE(view()->currentLoopList()->name(), selected);
        QVERIFY(view()->currentLoopList()->isSelected());
    }
}

void TestResourceView::refusedChangesPutWidgetsBack_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("trigger");
    QTest::newRow("remove") << "remove" << "BEFORE DELETE ON loops";
    QTest::newRow("duplicate") << "duplicate" << "BEFORE INSERT ON loops";
    QTest::newRow("add") << "add" << "BEFORE INSERT ON loops";
}

void TestResourceView::refusedChangesPutWidgetsBack()
{
    QFETCH(QString, operation);
    QFETCH(QString, trigger);
    SLoopList* list = addLoopList(QStringLiteral("Keep"));
    QVERIFY(list);
    QVERIFY(fillSlot(list->id(), 5, QStringLiteral("Five"), QStringLiteral("/tmp/five.wav")));
    const int lists = view()->loopLists().size();
    const int listRows = scalar(QStringLiteral("SELECT count(*) FROM looplists")).toInt();
    const int loopRows = count(QStringLiteral("1"));
    const int nextColor = SLoopList::nextColorIndex();
    // The library refuses the change half-way: after the LoopList row, at the slots.
    QVERIFY(SDatabaseManager::execute(
        QStringLiteral("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, 'refused'); END").arg(trigger)));

    BoxAnswerer boxes({}, QMessageBox::Ok);
    if (operation == QLatin1String("remove")) {
        QCOMPARE(view()->onClickedRemoveLoopList(list), -1);
        QVERIFY(list->isVisible());
        QCOMPARE(view()->loopLists().indexOf(list), lists - 1);
    } else if (operation == QLatin1String("duplicate")) {
        QVERIFY(!view()->onClickedDuplicateLoopList(list, nullptr));
    } else {
        view()->onClickedAddLoopList();
    }
    QCOMPARE(view()->loopLists().size(), lists);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM looplists")).toInt(), listRows);
    QCOMPARE(count(QStringLiteral("1")), loopRows);
    QCOMPARE(SLoopList::nextColorIndex(), nextColor);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().contains(QStringLiteral("could not be")), qPrintable(boxes.texts.first()));
}

void TestResourceView::colourChangeIsStored()
{
    SLoopList* list = addLoopList(QStringLiteral("Hue"));
    QVERIFY(list);
    const int before = list->colorIndex();
    QSignalSpy changed(list, &SLoopList::colorChanged);
    QTest::mouseClick(list->colorButton(), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list->colorIndex(), (before + 1) % 7);
    QCOMPARE(scalar(QStringLiteral("SELECT color FROM looplists WHERE id=%1").arg(list->id())).toInt(),
             (before + 1) % 7);
}

void TestResourceView::editsGoThroughHandler()
{
    SLoopList* list = addLoopList(QStringLiteral("Held"));
    QVERIFY(list);
    QVERIFY(fillSlot(list->id(), 7, QStringLiteral("Seven"), QStringLiteral("/tmp/seven.wav")));
    QList<stLoopListEdit> edits;
    SResourceView::setEditHandler([&edits](const stLoopListEdit& e) { edits << e; });
    const int lists = view()->loopLists().size();

    view()->onClickedAddLoopList();
    QTest::keyClick(list, Qt::Key_Delete);
    m_window->toolbar()->actionById(SToolbar::E_ACTION_DUPLICATE_LOOPLIST)->trigger();

    // Nothing is performed here: the handler (the undo stack) does it.
    QCOMPARE(view()->loopLists().size(), lists);
    QCOMPARE(edits.size(), 3);
    QCOMPARE(edits.at(0).kind, int(stLoopListEdit::E_ADD));
    QCOMPARE(edits.at(0).id, -1);
    QCOMPARE(edits.at(0).name, QStringLiteral("NewLoopList"));
    QCOMPARE(edits.at(1).kind, int(stLoopListEdit::E_DELETE));
    QCOMPARE(edits.at(1).id, list->id());
    QCOMPARE(edits.at(1).name, QStringLiteral("Held"));
    // A deleted LoopList carries its loops (only the slots holding one).
    QCOMPARE(edits.at(1).records.size(), 1);
    QCOMPARE(edits.at(1).records.first().value(QStringLiteral("Name")).toString(), QStringLiteral("Seven"));
    QCOMPARE(edits.at(2).kind, int(stLoopListEdit::E_DUPLICATE));
    QCOMPARE(edits.at(2).loopList.data(), list);

    // Performing the delete and then re-creating it from the edit restores the loops.
    view()->performEdit(edits.at(1));
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(list->id())), 0);
    SLoopList* again = view()->createEmptyLoopList(list, 0, edits.at(1).name, edits.at(1).id);
    QCOMPARE(again, list);
    QVERIFY(view()->createLoopListWithRecords(again, edits.at(1).records));
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(list->id())), 200);
    QCOMPARE(count(QStringLiteral("looplistid=%1 AND isvalid='true' AND \"Loop #\"=7 AND Name='Seven'")
                       .arg(list->id())),
             1);
    QCOMPARE(view()->loopLists().first(), list);
}

void TestResourceView::createWithRecordsFillsSlots()
{
    SLoopList* list = view()->createEmptyLoopList(nullptr, -1, QStringLiteral("Filled"), -1);
    QVERIFY(list);
    // Two library loops become slots 3 and 4; they stop being library or device rows.
    QVERIFY(SDatabaseManager::execute(QStringLiteral(
        "INSERT INTO loops (isvalid, inlibrary, deviceid, storagepath, \"Loop #\", Name, filepath) VALUES "
        "('true','true',NULL,NULL,3,'O''Brien','/tmp/a.wav'), ('true','false','/dev/x','internal',4,'B','/tmp/b.wav')")));
    const QList<QSqlRecord> records = rows(QStringLiteral("SELECT * FROM loops ORDER BY \"Loop #\""));
    QCOMPARE(records.size(), 2);
    // As the undo commands do it: through the device worker, under a progress dialog.
    stLoopListCreateRequest request {list, records};
    SProgressDialog dialog(SEvent::E_CREATE_LOOPLIST, &request, m_window);
    dialog.execProgress();
    QCOMPARE(dialog.pointerResult, static_cast<void*>(list));
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(list->id())), 200);
    QCOMPARE(count(QStringLiteral("looplistid=%1 AND isvalid='true' AND inlibrary='false' AND deviceid IS NULL AND "
                                  "storagepath IS NULL")
                       .arg(list->id())),
             2);
    QCOMPARE(scalar(QStringLiteral("SELECT Name FROM loops WHERE looplistid=%1 AND \"Loop #\"=3").arg(list->id()))
                 .toString(),
             QStringLiteral("O'Brien"));
    QVERIFY(!view()->createLoopListWithRecords(nullptr, records));
}

void TestResourceView::createFromDeviceLoops_data()
{
    QTest::addColumn<bool>("preserve");
    QTest::addColumn<QList<int>>("slots");
    QTest::newRow("preserve locations") << true << QList<int> {12, 40};
    QTest::newRow("consecutive") << false << QList<int> {1, 2};
}

void TestResourceView::createFromDeviceLoops()
{
    QFETCH(bool, preserve);
    QFETCH(QList<int>, slots);
    stLoop first;
    first.name = QStringLiteral("Intro");
    first.loopNumber = 12;
    first.length = 75.25f;
    first.beatsPerMinute = 92.5f;
    first.loop = true;
    stLoop second;
    second.name = QStringLiteral("Outro");
    second.loopNumber = 40;
    second.genre = QStringLiteral("Funk");
    SLoopList* list = view()->createNewLoopList({first, second}, QStringLiteral("From pedal"), preserve);
    QVERIFY(list);
    QCOMPARE(list->name(), QStringLiteral("From pedal"));
    QCOMPARE(count(QStringLiteral("looplistid=%1").arg(list->id())), 200);
    const QList<QSqlRecord> filled = rows(
        QStringLiteral("SELECT * FROM loops WHERE looplistid=%1 AND isvalid='true' ORDER BY \"Loop #\"").arg(list->id()));
    QCOMPARE(filled.size(), 2);
    QCOMPARE(filled.at(0).value(QStringLiteral("Loop #")).toInt(), slots.at(0));
    QCOMPARE(filled.at(1).value(QStringLiteral("Loop #")).toInt(), slots.at(1));
    QCOMPARE(filled.at(0).value(QStringLiteral("Length")).toString(), QStringLiteral("01:15.250"));
    QCOMPARE(filled.at(0).value(QStringLiteral("isLoop")).toString(), QStringLiteral("true"));
    QCOMPARE(filled.at(0).value(QStringLiteral("inlibrary")).toString(), QStringLiteral("false"));
    QCOMPARE(SDatabaseManager::tempoFromBpMinute(filled.at(0).value(QStringLiteral("bpMinute")).toLongLong()), 92.5f);
    QCOMPARE(filled.at(0).value(QStringLiteral("Genre")).toString(), QStringLiteral("unspecified"));
    QCOMPARE(filled.at(1).value(QStringLiteral("Genre")).toString(), QStringLiteral("Funk"));
}

void TestResourceView::toolbarCommands()
{
    SToolbar* toolbar = m_window->toolbar();
    toolbar->actionById(SToolbar::E_ACTION_NEW_LOOPLIST)->trigger();
    QCOMPARE(view()->loopLists().size(), 1);
    SLoopList* list = view()->currentLoopList();
    QVERIFY(list);
    QVERIFY(list->isRenaming());
    QCOMPARE(list->name(), QStringLiteral("NewLoopList"));
    list->onReturnPressed();
    toolbar->actionById(SToolbar::E_ACTION_DUPLICATE_LOOPLIST)->trigger();
    QCOMPARE(view()->loopLists().size(), 2);
    QCOMPARE(view()->currentLoopList(), view()->loopLists().last());

    // Selecting the Library: no current LoopList, and the send actions go away.
    QSignalSpy library(view(), &SResourceView::librarySelected);
    QTest::mouseClick(view()->libraryEntry(), Qt::LeftButton);
    QCOMPARE(library.count(), 1);
    QVERIFY(!view()->currentLoopList());
    QVERIFY(!toolbar->actionById(SToolbar::E_ACTION_SEND_TO_INTERNAL)->isVisible());
    QVERIFY(!list->isSelected());
    // Without a pedal the send actions stay hidden for a LoopList too.
    QTest::mouseClick(list, Qt::LeftButton);
    QCOMPARE(view()->currentLoopList(), list);
    QVERIFY(list->isSelected());
    QVERIFY(!toolbar->actionById(SToolbar::E_ACTION_SEND_TO_INTERNAL)->isVisible());
    QVERIFY(!toolbar->actionById(SToolbar::E_ACTION_SEND_TO_EXTERNAL)->isVisible());
}

QTEST_MAIN(TestResourceView)
#include "tst_resourceview.moc"
