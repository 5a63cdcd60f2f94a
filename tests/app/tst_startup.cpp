#include "app/sapplication.h"
#include "app/smainwindow.h"
#include "core/sglobals.h"
#include "library/sdatabasemanager.h"
#include "testenv.h"

#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private:
    static QStringList tables();
    static QString readLog();

private Q_SLOTS:
    void initTestCase();
    void firstStartCreatesLibrary();
    void secondStartKeepsData();
    void secondInstanceExitsQuietly();
};

QStringList TestStartup::tables()
{
    QSqlQuery q(SDatabaseManager::database());
    q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QString TestStartup::readLog()
{
    QFile file(SGlobals::logFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromLocal8Bit(file.readAll());
}

void TestStartup::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(!QFile::exists(SDatabaseManager::databasePath()));
}

void TestStartup::firstStartCreatesLibrary()
{
    // Leftovers of an earlier run must be gone once the window is constructed.
    QVERIFY(QDir().mkpath(SGlobals::workingFolder()));
    QFile stale(SGlobals::workingFolder() + QStringLiteral("/converted.wav"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    auto* window = new SMainWindow;
    QVERIFY(!QFile::exists(stale.fileName()));
    QCOMPARE(QDir(SGlobals::workingFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());

    window->initialize();
    QVERIFY(QFile::exists(SDatabaseManager::databasePath()));
    QCOMPARE(tables(), (QStringList {QStringLiteral("looplists"), QStringLiteral("loops")}));
    QSqlQuery q(SDatabaseManager::database());
    QVERIFY(q.exec(QStringLiteral("SELECT (SELECT count(*) FROM loops) + (SELECT count(*) FROM looplists)")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    q = QSqlQuery();

    // The splash closes from the start-up timer and the main window shows.
    QTRY_VERIFY(window->isVisible());
    QVERIFY(!window->splash());
    QCOMPARE(window->size(), QSize(960, 640));
    QCOMPARE(window->windowTitle(), QStringLiteral("Spoolbox HD"));
    QVERIFY(window->findChild<QDockWidget*>(QStringLiteral("SMainWindowDockWidetResourceView")));
    QVERIFY(window->findChild<QDockWidget*>(QStringLiteral("SMainWindowDockWidgetWaveformView")));
    QDockWidget* options = window->findChild<QDockWidget*>(QStringLiteral("SMainWindowDockWidetOptionView"));
    QVERIFY(options && options->isHidden());

    // The start-up is logged with an entry line in the fixed shape.
    const QRegularExpression entry(QStringLiteral(
        "^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d: Debug   \\[: : 0\\] Enter Time: \\d\\d:\\d\\d:\\d\\d, Function: "
        "SMainWindow::initialize, File: smainwindow.cpp, Line: \\d+$"),
                                   QRegularExpression::MultilineOption);
    QVERIFY(entry.match(readLog()).hasMatch());

    // Put something in the library for the next start.
    QVERIFY(SDatabaseManager::execute(QStringLiteral("INSERT INTO looplists VALUES(NULL,3,'Keep me')")));
    QVERIFY(SDatabaseManager::execute(
        QStringLiteral("INSERT INTO loops (isvalid, inlibrary, deviceid) VALUES('true','false','/dev/ttyACM0')")));

    // An orderly close removes the working folder and closes the connection.
    QVERIFY(window->close());
    QVERIFY(!QDir(SGlobals::workingFolder()).exists());
    QVERIFY(!QSqlDatabase::contains(SDatabaseManager::connectionName));
    delete window;
}

void TestStartup::secondStartKeepsData()
{
    auto* window = new SMainWindow;
    window->initialize();
    const QString log = readLog();
    QVERIFY2(log.contains(QStringLiteral("Sql Error: table loops already exists")), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("Sql Error: table looplists already exists")));
    QSqlQuery q(SDatabaseManager::database());
    QVERIFY(q.exec(QStringLiteral("SELECT color, name FROM looplists")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 3);
    QCOMPARE(q.value(1).toString(), QStringLiteral("Keep me"));
    // Device rows of the earlier run are deleted at start-up.
    QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM loops")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    q = QSqlQuery();
    QTRY_VERIFY(window->isVisible());
    QVERIFY(window->close());
    delete window;
}

void TestStartup::secondInstanceExitsQuietly()
{
    const QString program = TestEnv::binary(QStringLiteral("spoolbox-hd"));
    QVERIFY2(QFile::exists(program), qPrintable(program));
    QProcess first;
    first.start(program, {});
    QVERIFY(first.waitForStarted());
    // Running: it holds the lock and has logged the end of its start-up.
    QTRY_VERIFY_WITH_TIMEOUT(readLog().contains(QStringLiteral("Exit  Time: ")) &&
                                 readLog().contains(QStringLiteral("SMainWindow::initialize")),
                             20000);
    const QString logBefore = readLog();

    QProcess second;
    second.start(program, {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(second.readAllStandardError())
                .contains(QStringLiteral("Another instance of the application is running")));

    // The first instance is untouched: still running, its log intact.
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(readLog().startsWith(logBefore));
    first.kill();
    QVERIFY(first.waitForFinished(10000));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
