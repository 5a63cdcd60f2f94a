#include "app/stoolbar.h"
#include "device/sdevicehandler.h"
#include "device/sdevicemanagerthread.h"
#include "device/sevent.h"
#include "device/sloopdocuments.h"
#include "device/svirtualportdiscovery.h"
#include "library/sloopdrag.h"
#include "views/sdevicememorynode.h"
#include "views/sdevicenode.h"
#include "views/slooplist.h"
#include "views/smemorygraph.h"
#include "spedalsimulator.h"
#include "tst_resourceviewfixture.h"
#include "testenv.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace ResourceFixture;

// The connected pedal in the resource view, over the virtual pedal: detection
// mirrors its loops, removal forgets them, and LoopLists are copied onto it.
class TestDeviceNode : public QObject
{
    Q_OBJECT
private:
    struct Pedal
    {
        QTemporaryDir root;
        SPedalConfig config;
        std::unique_ptr<SPedalSimulator> sim;
        QString dir(bool internal) const { return internal ? config.internalDir : config.externalDir; }
    };
    std::unique_ptr<Pedal> makePedal(const QString& model, bool external, quint32 internalKiB = 8 * 1024);
    bool startPedal(Pedal& pedal);
    // Starts the pedal and lets the worker find it; the node the resource view shows.
    SDeviceNode* detect(Pedal& pedal);
    static bool makeSlot(const Pedal& pedal, bool internal, int slot, const QString& name);
    static QList<int> pedalSlots(const Pedal& pedal, bool internal);
    static QStringList deviceRows(bool internal);
    static void poll();
    SLoopList* loopListWith(const QList<int>& slots, const QString& file);

    QTemporaryDir m_files;
    QPointer<SMainWindow> m_window;
    std::unique_ptr<Pedal> m_pedal;
    SResourceView* view() const { return SResourceView::instance(); }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void memoryGraph_data();
    void memoryGraph();
    void detectionMirrorsBothMemories();
    void modelWithoutExternalMemory();
    void copyToSmallerModelAsks_data();
    void copyToSmallerModelAsks();
    void copyLeavesPedalAndLibraryAgreeing_data();
    void copyLeavesPedalAndLibraryAgreeing();
    void sendActionsAndDrop();
    void quotesInPedalNames();
};

void TestDeviceNode::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_files.isValid());
    QVERIFY(writeWav(m_files.filePath(QStringLiteral("tiny.wav")), 2, 64));
    QVERIFY(writeWav(m_files.filePath(QStringLiteral("tinymono.wav")), 1, 64));
    // About 700 KB: two fit into a 2 MiB memory, a third does not.
    QVERIFY(writeWav(m_files.filePath(QStringLiteral("loop.wav")), 2, 175000));
}

void TestDeviceNode::init()
{
    m_window = startWindow();
    QVERIFY(m_window);
    SDeviceHandler::instance()->client().setTimeout(500);
}

void TestDeviceNode::cleanup()
{
    SDatabaseManager::execute(QStringLiteral("DELETE FROM loops"));
    SDatabaseManager::execute(QStringLiteral("DELETE FROM looplists"));
    closeWindow(m_window);
    SDeviceHandler::destroyInstance();
    m_pedal.reset();
}

std::unique_ptr<TestDeviceNode::Pedal> TestDeviceNode::makePedal(const QString& model, bool external,
                                                                 quint32 internalKiB)
{
    auto pedal = std::make_unique<Pedal>();
    pedal->config.model = model;
    pedal->config.internalDir = pedal->root.filePath(QStringLiteral("internal"));
    pedal->config.systemDir = pedal->root.filePath(QStringLiteral("system"));
    QDir().mkpath(pedal->config.internalDir);
    if (external) {
        pedal->config.externalDir = pedal->root.filePath(QStringLiteral("external"));
        QDir().mkpath(pedal->config.externalDir);
    }
    pedal->config.internalCapacityKiB = internalKiB;
    pedal->config.externalCapacityKiB = 16 * 1024;
    return pedal;
}

bool TestDeviceNode::startPedal(Pedal& pedal)
{
    pedal.sim = std::make_unique<SPedalSimulator>(pedal.config);
    QString error;
    if (!pedal.sim->open(&error) || !pedal.sim->start()) {
        qWarning("cannot start the virtual pedal: %s", qPrintable(error));
        return false;
    }
    SDeviceHandler::instance()->setPortDiscovery(
        std::make_unique<SVirtualPortDiscovery>(QStringList {pedal.sim->portPath()}));
    return true;
}

// A slot as the pedal keeps it: tiny audio and both documents.
bool TestDeviceNode::makeSlot(const Pedal& pedal, bool internal, int slot, const QString& name)
{
    const QString folder = pedal.dir(internal) + QStringLiteral("/Patch") + SLoopDocuments::slotNumberText(quint32(slot));
    stDeviceData device;
    device.name = pedal.config.model;
    stLoop loop;
    loop.name = name;
    loop.loopNumber = quint32(slot);
    loop.beatsPerMinute = 96.5f;
    loop.loop = slot % 2 == 1;
    loop.rating = 4;
    loop.patchId = QStringLiteral("patch-%1").arg(name);
    return QDir().mkpath(folder + QStringLiteral("/PhraseA")) &&
           writeWav(folder + QStringLiteral("/PhraseA/phrase.wav"), int(pedal.config.channelCount()), 64) &&
           SLoopDocuments::writePatchDocument(device, loop, folder) &&
           SLoopDocuments::writePhraseDocument(device, loop, folder + QStringLiteral("/PhraseA"));
}

QList<int> TestDeviceNode::pedalSlots(const Pedal& pedal, bool internal)
{
    QList<int> slots;
    for (const QString& name : QDir(pedal.dir(internal)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name.startsWith(QLatin1String("Patch")))
            slots << name.mid(5).toInt();
    }
    return slots;
}

// The valid device rows of one memory: "slot|name|patch id".
QStringList TestDeviceNode::deviceRows(bool internal)
{
    QStringList result;
    for (const QSqlRecord& r :
         rows(QStringLiteral("SELECT \"Loop #\", Name, guidpatch FROM loops WHERE deviceid IS NOT NULL AND "
                             "storagepath='%1' AND isvalid='true' ORDER BY \"Loop #\"")
                  .arg(internal ? QStringLiteral("internal") : QStringLiteral("external"))))
        result << QStringLiteral("%1|%2|%3").arg(r.value(0).toString(), r.value(1).toString(), r.value(2).toString());
    return result;
}

SDeviceNode* TestDeviceNode::detect(Pedal& pedal)
{
    if (!startPedal(pedal))
        return nullptr;
    poll();
    return view()->deviceNode();
}

void TestDeviceNode::poll()
{
    SEvent event(SEvent::E_POLL_DEVICE);
    QCoreApplication::sendEvent(SDeviceManagerThread::instance(), &event);
}

SLoopList* TestDeviceNode::loopListWith(const QList<int>& slots, const QString& file)
{
    SLoopList* list = addLoopList(QStringLiteral("To pedal"));
    if (!list)
        return nullptr;
    for (int slot : slots) {
        if (!fillSlot(list->id(), slot, QStringLiteral("New%1").arg(slot), file))
            return nullptr;
    }
    return list;
}

void TestDeviceNode::memoryGraph_data()
{
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("free");
    QTest::addColumn<double>("ratio");
    QTest::newRow("nothing known: empty bar") << 0 << 0 << 0.0;
    QTest::newRow("empty memory") << 0 << 120 << 0.0;
    QTest::newRow("a quarter") << 30 << 90 << 0.25;
    QTest::newRow("full") << 64 << 0 << 1.0;
}

void TestDeviceNode::memoryGraph()
{
    QFETCH(int, used);
    QFETCH(int, free);
    QFETCH(double, ratio);
    SDeviceMemoryNode node(true);
    node.setFigures(used, free);
    QCOMPARE(node.usedLabel()->text(), QString::number(used) + QStringLiteral("MB"));
    QCOMPARE(node.freeLabel()->text(), QString::number(free) + QStringLiteral("MB"));
    QCOMPARE(node.graph()->ratio(), ratio);
    QCOMPARE(node.graph()->size(), QSize(105, 8));
    QCOMPARE(node.nameLabel()->text(), QStringLiteral("Internal"));
    QCOMPARE(node.iconLabel()->objectName(), QStringLiteral("SDeviceMemoryNodeLabelMemoryIconInternal"));
    // Painting a bar with these figures must not go wrong.
    node.graph()->grab();
}

void TestDeviceNode::detectionMirrorsBothMemories()
{
    m_pedal = makePedal(QStringLiteral("Ostino Alto HD"), true);
    QVERIFY(makeSlot(*m_pedal, true, 1, QStringLiteral("Kick")));
    QVERIFY(makeSlot(*m_pedal, true, 3, QStringLiteral("Snare")));
    QVERIFY(makeSlot(*m_pedal, false, 2, QStringLiteral("Pad")));
    // 3 MiB of the 8 MiB internal memory are taken.
    QFile ballast(m_pedal->config.internalDir + QStringLiteral("/ballast.bin"));
    QVERIFY(ballast.open(QIODevice::WriteOnly));
    ballast.write(QByteArray(3 * 1024 * 1024, 'x'));
    ballast.close();
    QVERIFY(startPedal(*m_pedal));

    QSignalSpy added(view(), &SResourceView::deviceNodeAdded);
    QSignalSpy removed(view(), &SResourceView::deviceRemoved);
    poll();
    QCOMPARE(added.count(), 1);
    SDeviceNode* node = view()->deviceNode();
    QVERIFY(node);
    QVERIFY(view()->isDevicePresent());
    QCOMPARE(node->deviceName(), QStringLiteral("Ostino Alto HD"));
    QCOMPARE(node->nameLabel()->text(), QStringLiteral("Ostino Alto HD"));
    QCOMPARE(node->iconButton()->objectName(), QStringLiteral("SDeviceNodePushButtonDeviceIconOstino_Alto_HD"));
    QCOMPARE(node->deviceId(), m_pedal->sim->portPath());
    QVERIFY(node->hasExternalMemory());
    QVERIFY(!node->externalNode()->isHidden());
    QVERIFY(node->isEnabled());
    QCOMPARE(node->internalNode()->usedLabel()->text(), QStringLiteral("3MB"));
    QCOMPARE(node->internalNode()->freeLabel()->text(), QStringLiteral("4MB"));
    QCOMPARE(node->externalNode()->usedLabel()->text(), QStringLiteral("0MB"));
    QCOMPARE(node->externalNode()->freeLabel()->text(), QStringLiteral("15MB"));

    // Both memories are mirrored: every slot a row, the loops at their slot numbers.
    const QString port = SDatabaseManager::quote(m_pedal->sim->portPath());
    QCOMPARE(count(QStringLiteral("deviceid=%1 AND storagepath='internal'").arg(port)), 200);
    QCOMPARE(count(QStringLiteral("deviceid=%1 AND storagepath='external'").arg(port)), 200);
    QCOMPARE(deviceRows(true),
             (QStringList {QStringLiteral("1|Kick|patch-Kick"), QStringLiteral("3|Snare|patch-Snare")}));
    QCOMPARE(deviceRows(false), QStringList {QStringLiteral("2|Pad|patch-Pad")});
    const QSqlRecord kick = rows(QStringLiteral("SELECT * FROM loops WHERE Name='Kick'")).value(0);
    QCOMPARE(kick.value(QStringLiteral("devicename")).toString(), QStringLiteral("Ostino Alto HD"));
    QCOMPARE(kick.value(QStringLiteral("inlibrary")).toString(), QStringLiteral("false"));
    QVERIFY(kick.isNull(QStringLiteral("looplistid")));
    QCOMPARE(kick.value(QStringLiteral("Genre")).toString(), QStringLiteral("unspecified"));
    QCOMPARE(kick.value(QStringLiteral("Rating")).toInt(), 4);
    QCOMPARE(kick.value(QStringLiteral("isLoop")).toString(), QStringLiteral("true"));
    QCOMPARE(kick.value(QStringLiteral("Length")).toString(), QStringLiteral("00:00.001"));
    QCOMPARE(SDatabaseManager::tempoFromBpMinute(kick.value(QStringLiteral("bpMinute")).toLongLong()), 96.5f);
    QVERIFY(kick.value(QStringLiteral("filepath")).toString().endsWith(QStringLiteral("Patch01/PhraseA/phrase.wav")));

    // A right click on the dock offers Refresh Device while the pedal is there.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), view()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(view(), &menuEvent);
    QMenu* menu = view()->contextMenu();
    QVERIFY(menu);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    QCOMPARE(texts.first(), QStringLiteral("Refresh Device"));
    QVERIFY(texts.contains(m_window->toolbar()->actionById(SToolbar::E_ACTION_SYNCHRONIZE)->text()));
    QVERIFY(texts.contains(QStringLiteral("Add New LoopList")));
    QVERIFY(view()->refreshAction()->isVisible());
    menu->close();

    // The pedal goes away: its node and its rows go too.
    m_pedal->sim.reset();
    poll();
    QCOMPARE(removed.count(), 1);
    QVERIFY(!view()->deviceNode());
    QVERIFY(!view()->isDevicePresent());
    QCOMPARE(count(QStringLiteral("deviceid IS NOT NULL")), 0);
    QVERIFY(!view()->refreshAction()->isVisible());
}

void TestDeviceNode::modelWithoutExternalMemory()
{
    m_pedal = makePedal(QStringLiteral("Ostino Alto"), false);
    SDeviceNode* node = detect(*m_pedal);
    QVERIFY(node);
    QVERIFY(!node->hasExternalMemory());
    QVERIFY(node->externalNode()->isHidden());
    QVERIFY(!node->internalNode()->isHidden());
    QCOMPARE(count(QStringLiteral("deviceid IS NOT NULL AND storagepath='internal'")), 99);
    QCOMPARE(count(QStringLiteral("deviceid IS NOT NULL AND storagepath='external'")), 0);

    SLoopList* list = addLoopList(QStringLiteral("Mono"));
    QVERIFY(list);
    QTest::mouseClick(list, Qt::LeftButton);
    SToolbar* toolbar = m_window->toolbar();
    QVERIFY(toolbar->actionById(SToolbar::E_ACTION_SEND_TO_INTERNAL)->isVisible());
    QVERIFY(!toolbar->actionById(SToolbar::E_ACTION_SEND_TO_EXTERNAL)->isVisible());
    // Choosing the pedal's memory takes the LoopList selection away, and the send actions with it.
    QSignalSpy internal(view(), &SResourceView::clickedMemoryInternal);
    QTest::mouseClick(node->internalNode(), Qt::LeftButton);
    QCOMPARE(internal.count(), 1);
    QVERIFY(node->isSelected());
    QVERIFY(!view()->currentLoopList());
    QVERIFY(!list->isSelected());
    QVERIFY(!toolbar->actionById(SToolbar::E_ACTION_SEND_TO_INTERNAL)->isVisible());
    // The external send does nothing for this model.
    QVERIFY(!view()->sendLoopListToDevice(list->id(), false));
}

void TestDeviceNode::copyToSmallerModelAsks_data()
{
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("written");
    QTest::newRow("yes, yes: the first 99") << QList<QMessageBox::StandardButton> {QMessageBox::Yes, QMessageBox::Yes}
                                           << 2 << 99;
    QTest::newRow("yes, no: nothing") << QList<QMessageBox::StandardButton> {QMessageBox::Yes, QMessageBox::No} << 2
                                      << 0;
    QTest::newRow("no: nothing") << QList<QMessageBox::StandardButton> {QMessageBox::No} << 1 << 0;
}

void TestDeviceNode::copyToSmallerModelAsks()
{
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(int, questions);
    QFETCH(int, written);
    m_pedal = makePedal(QStringLiteral("Ostino Alto"), false);
    QVERIFY(detect(*m_pedal));
    QList<int> all;
    for (int slot = 1; slot <= 200; ++slot)
        all << slot;
    SLoopList* list = loopListWith(all, m_files.filePath(QStringLiteral("tinymono.wav")));
    QVERIFY(list);

    BoxAnswerer boxes(answers, QMessageBox::Ok);
    QCOMPARE(view()->sendLoopListToDevice(list->id(), true), written > 0);
    QCOMPARE(boxes.texts.size(), questions);
    QCOMPARE(boxes.texts.at(0), QStringLiteral("This operation can not be undone. Are you sure you want to replace the "
                                               "existing items in the device?"));
    if (questions > 1)
        QCOMPARE(boxes.texts.at(1),
                 QStringLiteral("Only first 99 loops will be copied to the device. Do you want to proceed?"));
    const QList<int> slots = pedalSlots(*m_pedal, true);
    QCOMPARE(slots.size(), written);
    QCOMPARE(deviceRows(true).size(), written);
    if (written) {
        QCOMPARE(slots.first(), 1);
        QCOMPARE(slots.last(), 99);
        QVERIFY(deviceRows(true).last().startsWith(QStringLiteral("99|New99|")));
        QVERIFY(view()->lastCopyError().isEmpty());
    }
}

void TestDeviceNode::copyLeavesPedalAndLibraryAgreeing_data()
{
    QTest::addColumn<QList<int>>("listSlots");
    QTest::addColumn<QList<int>>("oldSlots");
    QTest::addColumn<quint32>("capacityKiB");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("failPattern");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<QList<int>>("written");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty slots empty the pedal's") << QList<int> {2} << QList<int> {1, 2, 3} << 8192u << "tiny.wav"
                                                   << "" << QList<int> {2} << QList<int> {2} << "";
    QTest::newRow("out of space") << QList<int> {1, 2, 3} << QList<int> {} << 2048u << "loop.wav" << ""
                                  << QList<int> {1, 2} << QList<int> {1, 2}
                                  << "There is not enough space on internal storage to copy the file "
                                     "'<b>loop.wav</b>'. Please free some space and try again.";
    QTest::newRow("unreadable audio") << QList<int> {1, 2} << QList<int> {2} << 8192u << "missing.wav" << ""
                                      << QList<int> {2} << QList<int> {}
                                      << "The file '<b>missing.wav</b>' for slot 1 could not be converted to the "
                                         "device format.";
    QTest::newRow("pedal refuses a write") << QList<int> {1, 2, 3, 4} << QList<int> {3, 6} << 8192u << "tiny.wav"
                                           << "Patch03/PhraseA/phrase.wav" << QList<int> {1, 2, 6}
                                           << QList<int> {1, 2}
                                           << "The loop '<b>New3</b>' could not be written to slot 3 of the device.";
}

void TestDeviceNode::copyLeavesPedalAndLibraryAgreeing()
{
    QFETCH(QList<int>, listSlots);
    QFETCH(QList<int>, oldSlots);
    QFETCH(quint32, capacityKiB);
    QFETCH(QString, file);
    QFETCH(QString, failPattern);
    QFETCH(QList<int>, expected);
    QFETCH(QList<int>, written);
    QFETCH(QString, error);
    m_pedal = makePedal(QStringLiteral("Ostino Alto HD"), false, capacityKiB);
    for (int slot : oldSlots)
        QVERIFY(makeSlot(*m_pedal, true, slot, QStringLiteral("Old%1").arg(slot)));
    QVERIFY(detect(*m_pedal));
    SLoopList* list = loopListWith(listSlots, m_files.filePath(file));
    QVERIFY(list);
    if (!failPattern.isEmpty()) {
        SPedalFault fault;
        fault.mode = SPedalFault::E_FAIL_PATHS;
        fault.pattern = failPattern;
        m_pedal->sim->setFault(fault);
    }

    QSignalSpy memory(view(), &SResourceView::memoryInfo);
    BoxAnswerer boxes({QMessageBox::Yes}, QMessageBox::Ok);
    QCOMPARE(view()->sendLoopListToDevice(list->id(), true), error.isEmpty());
    QCOMPARE(view()->lastCopyError(), error);
    // A failure is shown to the user ("Operation failed.") after the question.
    QCOMPARE(boxes.texts.size(), error.isEmpty() ? 1 : 2);
    if (!error.isEmpty())
        QCOMPARE(boxes.texts.last(), error);
    QVERIFY(memory.count() > 0);
    m_pedal->sim->setFault(SPedalFault());

    // The pedal holds what the library says it holds ...
    QCOMPARE(pedalSlots(*m_pedal, true), expected);
    const QStringList mirrored = deviceRows(true);
    QCOMPARE(mirrored.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString name = written.contains(expected.at(i)) ? QStringLiteral("New%1") : QStringLiteral("Old%1");
        QVERIFY2(mirrored.at(i).startsWith(QStringLiteral("%1|%2|").arg(expected.at(i)).arg(name.arg(expected.at(i)))),
                 qPrintable(mirrored.at(i)));
    }
    // ... and reading it afresh ("Refresh Device") finds exactly that.
    QSignalSpy removed(view(), &SResourceView::deviceRemoved);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), view()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(view(), &menuEvent);
    view()->contextMenu()->close();
    view()->refreshAction()->trigger();
    QCOMPARE(removed.count(), 1);
    QVERIFY(!view()->deviceNode());
    QCOMPARE(count(QStringLiteral("deviceid IS NOT NULL")), 0);
    poll();
    QVERIFY(view()->deviceNode());
    QCOMPARE(deviceRows(true), mirrored);
}

void TestDeviceNode::sendActionsAndDrop()
{
    m_pedal = makePedal(QStringLiteral("Ostino Alto XT"), true);
    SDeviceNode* node = detect(*m_pedal);
    QVERIFY(node);
    SLoopList* list = loopListWith({1}, m_files.filePath(QStringLiteral("tiny.wav")));
    QVERIFY(list);
    QTest::mouseClick(list, Qt::LeftButton);
    SToolbar* toolbar = m_window->toolbar();
    QAction* toExternal = toolbar->actionById(SToolbar::E_ACTION_SEND_TO_EXTERNAL);
    QVERIFY(toolbar->actionById(SToolbar::E_ACTION_SEND_TO_INTERNAL)->isVisible());
    QVERIFY(toExternal->isVisible());
    {
        BoxAnswerer boxes({QMessageBox::Yes});
        toExternal->trigger();
        QCOMPARE(boxes.texts.size(), 1);
    }
    QCOMPARE(pedalSlots(*m_pedal, false), QList<int> {1});
    QCOMPARE(node->externalNode()->lastCopiedLoopList(), list);

    // Dropping the LoopList onto the Internal node copies it there.
    std::unique_ptr<QMimeData> payload(SLoopDrag::createLoopListData(list->id()));
    const QPoint centre = node->internalNode()->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, payload.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(node->internalNode(), &enter);
    QVERIFY(enter.isAccepted());
    {
        BoxAnswerer boxes({QMessageBox::Yes});
        QDropEvent drop(QPointF(centre), Qt::CopyAction | Qt::MoveAction, payload.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(node->internalNode(), &drop);
        QCOMPARE(boxes.texts.size(), 1);
    }
    QCOMPARE(pedalSlots(*m_pedal, true), QList<int> {1});
    QCOMPARE(deviceRows(true).size(), 1);

    // Other data is refused.
    QMimeData text;
    text.setText(QStringLiteral("1"));
    QDragEnterEvent other(centre, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(node->internalNode(), &other);
    QVERIFY(!other.isAccepted());

    // A deleted LoopList is forgotten by the node it was sent to.
    QVERIFY(view()->onClickedRemoveLoopList(list) >= 0);
    QVERIFY(!node->externalNode()->lastCopiedLoopList());
}

void TestDeviceNode::quotesInPedalNames()
{
    // Names the pedal reports go into SQL as values, never as statement text.
    m_pedal = makePedal(QStringLiteral("O'Hara \"Special\""), true);
    QVERIFY(makeSlot(*m_pedal, true, 4, QStringLiteral("Rock'n'Roll")));
    SDeviceNode* node = detect(*m_pedal);
    QVERIFY(node);
    QCOMPARE(node->deviceName(), QStringLiteral("O'Hara \"Special\""));
    QCOMPARE(count(QStringLiteral("devicename='O''Hara \"Special\"' AND storagepath='internal'")), 99);
    QCOMPARE(deviceRows(true), QStringList {QStringLiteral("4|Rock'n'Roll|patch-Rock'n'Roll")});

    SLoopList* list = addLoopList(QStringLiteral("Quotes"));
    QVERIFY(list);
    QVERIFY(fillSlot(list->id(), 1, QStringLiteral("It's \"live\""), m_files.filePath(QStringLiteral("tiny.wav"))));
    BoxAnswerer boxes({QMessageBox::Yes, QMessageBox::Yes});
    QVERIFY(view()->sendLoopListToDevice(list->id(), true));
    QCOMPARE(pedalSlots(*m_pedal, true), QList<int> {1});
    QCOMPARE(deviceRows(true).size(), 1);
    QVERIFY(deviceRows(true).first().startsWith(QStringLiteral("1|It's \"live\"|")));

    m_pedal->sim.reset();
    poll();
    QCOMPARE(count(QStringLiteral("deviceid IS NOT NULL")), 0);
}

QTEST_MAIN(TestDeviceNode)
#include "tst_devicenode.moc"
