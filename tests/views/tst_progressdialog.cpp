#include "core/sglobals.h"
#include "device/sdevicemanagerthread.h"
#include "device/sdevicehandler.h"
#include "device/sevent.h"
#include "device/svirtualportdiscovery.h"
#include "spedalsimulator.h"
#include "views/sprogressdialog.h"
#include "views/stextedit.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

// Drives SProgressDialog through the real device worker; without a pedal and
// with null payloads every operation ends at once with its null-payload result.
class TestProgressDialog : public QObject
{
    Q_OBJECT
private:
    // Accepts the next message box that shows, and returns its text through *text.
    static void acceptNextMessageBox(QString* text);

private Q_SLOTS:
    void initTestCase();
    void presentation_data();
    void presentation();
    void finishesWithNullPayloadResults_data();
    void finishesWithNullPayloadResults();
    void failureTextShowsMessageBox();
    void progressKeepsTextWhenEmpty();
    void cancelLeavesDialogOpenUntilWorkerReports();
    void resultBeforeLoopStarts();
    void firmwareDialogDrivenFromAnotherThread();
    void escapeAndCloseDoNotEndRunningOperation();
    void cancelRealReadFromPedal();
};

void TestProgressDialog::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
}

void TestProgressDialog::acceptNextMessageBox(QString* text)
{
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            acceptNextMessageBox(text);
            return;
        }
        *text = box->text();
        box->accept();
    });
}

void TestProgressDialog::presentation_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("1001") << int(SEvent::E_COPY_LOOPLIST_TO_DEVICE) << "Copying to device" << "Copying to device..."
                          << false << false;
    QTest::newRow("1003") << int(SEvent::E_UPDATE_LOOP) << "Copying to device" << "Updating loop..." << true << false;
    QTest::newRow("1004") << int(SEvent::E_READ_LOOP) << "Reading loop from device" << "Reading loop from device..."
                          << false << true;
    QTest::newRow("1005") << int(SEvent::E_CREATE_LOOPLIST) << "Creating LoopList" << "Creating LoopList..." << true
                          << false;
    QTest::newRow("1006") << int(SEvent::E_CONNECT) << "Connecting to device" << "Connecting to device..." << true
                          << false;
    QTest::newRow("1007") << int(SEvent::E_SYNCHRONIZE) << "Synchronize" << "Synchronizing..." << true << false;
    QTest::newRow("1008") << int(SEvent::E_MULTIPLY) << "Multiplying" << "Multiplying loop..." << false << false;
    QTest::newRow("1010") << int(SEvent::E_UPDATE_FIRMWARE) << "Updating Firmware" << "" << false << false;
}

void TestProgressDialog::presentation()
{
    QFETCH(int, code);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, busy);
    QFETCH(bool, cancel);
    SProgressDialog dialog(unsigned(code), nullptr);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.textEdit()->toPlainText(), text);
    QCOMPARE(dialog.busyLabel() != nullptr, busy);
    QCOMPARE(dialog.cancelButton() != nullptr, cancel);
    QCOMPARE(dialog.size(), QSize(400, 150));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    if (code == SEvent::E_UPDATE_FIRMWARE)
        QTimer::singleShot(0, &dialog, [&dialog] { Q_EMIT dialog.emitFinished(true); });
    dialog.execProgress();
    // A busy operation shows the animation instead of the bar.
    QCOMPARE(dialog.progressBar()->isHidden(), busy);
    if (busy)
        QVERIFY(dialog.busyLabel()->movie() && dialog.busyLabel()->movie()->isValid());
}

void TestProgressDialog::finishesWithNullPayloadResults_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("intResult");
    QTest::addColumn<bool>("boolResult");
    // Results start as failure (-1/false); each row shows the one the worker sent.
    QTest::newRow("copy looplist: true, no text") << int(SEvent::E_COPY_LOOPLIST_TO_DEVICE) << -1 << true;
    QTest::newRow("copy loops: false") << int(SEvent::E_COPY_LOOPS_TO_DEVICE) << -1 << false;
    QTest::newRow("update loop: 0") << int(SEvent::E_UPDATE_LOOP) << 0 << false;
    QTest::newRow("read loop: 0") << int(SEvent::E_READ_LOOP) << 0 << false;
    QTest::newRow("create looplist: null") << int(SEvent::E_CREATE_LOOPLIST) << -1 << false;
    QTest::newRow("connect: false") << int(SEvent::E_CONNECT) << -1 << false;
    QTest::newRow("synchronize: true") << int(SEvent::E_SYNCHRONIZE) << -1 << true;
    QTest::newRow("multiply: 0") << int(SEvent::E_MULTIPLY) << 0 << false;
}

void TestProgressDialog::finishesWithNullPayloadResults()
{
    QFETCH(int, code);
    QFETCH(int, intResult);
    QFETCH(bool, boolResult);
    SProgressDialog dialog(unsigned(code), nullptr);
    dialog.pointerResult = &dialog; // must be overwritten by a pointer result only
    dialog.execProgress();
    QCOMPARE(dialog.intResult(), intResult);
    QCOMPARE(dialog.boolResult(), boolResult);
    if (code == SEvent::E_CREATE_LOOPLIST)
        QCOMPARE(dialog.pointerResult, nullptr);
    QVERIFY(!dialog.isVisible());
}

void TestProgressDialog::failureTextShowsMessageBox()
{
    SProgressDialog dialog(SEvent::E_UPDATE_FIRMWARE, nullptr);
    QString shown;
    acceptNextMessageBox(&shown);
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.onOperationFinished(true, QStringLiteral("Slot 5: no space")); });
    dialog.execProgress();
    QCOMPARE(shown, QStringLiteral("Slot 5: no space"));
    QVERIFY(dialog.boolResult());
}

void TestProgressDialog::progressKeepsTextWhenEmpty()
{
    SProgressDialog dialog(SEvent::E_UPDATE_FIRMWARE, nullptr);
    dialog.onProgress(12, QStringLiteral("Copying <b>Groove </b>to device"));
    dialog.onProgress(57, QString());
    QCOMPARE(dialog.progressBar()->value(), 57);
    QCOMPARE(dialog.textEdit()->toPlainText(), QStringLiteral("Copying Groove to device"));
    Q_EMIT dialog.emitFinished(true);
    dialog.execProgress();
}

void TestProgressDialog::cancelLeavesDialogOpenUntilWorkerReports()
{
    {
        SProgressDialog dialog(SEvent::E_UPDATE_FIRMWARE, nullptr);
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.onCancelClicked();
            QVERIFY(!SGlobals::continueOperation());
            QTimer::singleShot(50, &dialog, [&dialog] {
                QVERIFY(dialog.isVisible()); // still waiting for the worker
                dialog.onOperationFinished(-1);
            });
        });
        dialog.execProgress();
        QCOMPARE(dialog.intResult(), -1);
    }
    // A Cancel never outlives its dialog.
    QVERIFY(SGlobals::continueOperation());
}

void TestProgressDialog::resultBeforeLoopStarts()
{
    SProgressDialog dialog(SEvent::E_UPDATE_LOOP, nullptr);
    // The worker handles the event and its queued result arrives before execProgress.
    QTRY_VERIFY(dialog.intResult() == 0);
    QElapsedTimer timer;
    timer.start();
    dialog.execProgress();
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(dialog.intResult(), 0);
}

void TestProgressDialog::firmwareDialogDrivenFromAnotherThread()
{
    SProgressDialog dialog(SEvent::E_UPDATE_FIRMWARE, nullptr);
    QThread* download = QThread::create([&dialog] {
        for (int p = 0; p <= 100; p += 25)
            Q_EMIT dialog.emitProgress(p, QString());
        Q_EMIT dialog.emitFinished(true);
    });
    download->start();
    const int code = dialog.execProgress();
    download->wait();
    delete download;
    QCOMPARE(code, 1);
    QCOMPARE(dialog.progressBar()->value(), 100);
}

void TestProgressDialog::escapeAndCloseDoNotEndRunningOperation()
{
    SProgressDialog dialog(SEvent::E_UPDATE_FIRMWARE, nullptr);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        Q_EMIT dialog.emitFinished(true);
    });
    QCOMPARE(dialog.execProgress(), 1);
}

void TestProgressDialog::cancelRealReadFromPedal()
{
    // A loop of several MiB on the virtual pedal, read through the worker; Cancel is
    // clicked as soon as the first progress report shows.
    QTemporaryDir root;
    SPedalConfig config;
    config.internalDir = root.filePath(QStringLiteral("internal"));
    config.systemDir = root.filePath(QStringLiteral("system"));
    QVERIFY(QDir().mkpath(config.internalDir + QStringLiteral("/Patch01/PhraseA")));
    QFile audio(config.internalDir + QStringLiteral("/Patch01/PhraseA/phrase.wav"));
    QVERIFY(audio.open(QIODevice::WriteOnly));
    audio.write(QByteArray(4 * 1024 * 1024, '\x11'));
    audio.close();
    SPedalSimulator pedal(config);
    QString error;
    QVERIFY2(pedal.open(&error) && pedal.start(), qPrintable(error));
    SDeviceHandler::instance()->setPortDiscovery(
        std::make_unique<SVirtualPortDiscovery>(QStringList {pedal.portPath()}));
    stDeviceData record;
    QVERIFY(SDeviceHandler::instance()->detectDevice(false, &record));

    const QString target = root.filePath(QStringLiteral("local/read.wav"));
    QStringList paths {QLatin1String(SPedalConfig::internalRoot) + QStringLiteral("Patch01/PhraseA/phrase.wav"), target};
    // The transfer lets no events run between blocks, so Cancel is pressed from the
    // worker's progress report, as a view's callback would see the flag.
    auto connection = connect(SDeviceManagerThread::instance(), &SDeviceManagerThread::progress, this,
                              [](int, const QString&) { SGlobals::continueOperation() = false; });
    SProgressDialog dialog(SEvent::E_READ_LOOP, &paths);
    dialog.execProgress();
    disconnect(connection);
    QCOMPARE(dialog.intResult(), -1);
    QVERIFY(!QFileInfo::exists(target));
    SDeviceHandler::destroyInstance();
}

QTEST_MAIN(TestProgressDialog)
#include "tst_progressdialog.moc"
