#include "core/sglobals.h"
#include "core/slog.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void labels_data();
    void labels();
    void functionField_data();
    void functionField();
    void shapesInTheLogFile();
    void qualifiedNames_data();
    void qualifiedNames();
};

void TestLog::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(SGlobals::prepareWorkingFolder());
    SLog::setLogFilePath(SGlobals::logFilePath());
    SLog::installHandler();
}

void TestLog::labels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("label");
    QTest::newRow("debug") << int(QtDebugMsg) << QStringLiteral("Debug  ");
    QTest::newRow("info") << int(QtInfoMsg) << QStringLiteral("Info   ");
    QTest::newRow("warning") << int(QtWarningMsg) << QStringLiteral("Warning");
    QTest::newRow("critical") << int(QtCriticalMsg) << QStringLiteral("Error  ");
    QTest::newRow("unknown") << 42 << QStringLiteral("Debug  ");
}

void TestLog::labels()
{
    QFETCH(int, type);
    QFETCH(QString, label);
    const QString line = SLog::formatLine(QtMsgType(type), QMessageLogContext(), QStringLiteral("text"));
    static const QRegularExpression shape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d: (.{7}) \\[: : 0\\] text$"));
    const auto match = shape.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QCOMPARE(match.captured(1), label);
}

void TestLog::functionField_data()
{
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nested") << QByteArray("a::B::c::run") << QStringLiteral("run");
    QTest::newRow("plain") << QByteArray("run") << QStringLiteral("run");
}

void TestLog::functionField()
{
    QFETCH(QByteArray, function);
    QFETCH(QString, expected);
    QMessageLogContext context("/some/where/file.cpp", 12, function.constData(), nullptr);
    const QString line = SLog::formatLine(QtWarningMsg, context, QStringLiteral("m"));
    QVERIFY2(line.endsWith(QStringLiteral("Warning [file.cpp: %1: 12] m").arg(expected)), qPrintable(line));
}

void TestLog::shapesInTheLogFile()
{
    QFile::remove(SGlobals::logFilePath());
    {
        SLOG_SCOPE();
        SLOG_DEBUG("SqlError: %s", "no such table");
        SLOG_WARN("plain warning");
    }
    SLOG_PLAIN("Close Event");
    QFile file(SGlobals::logFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    const QString time = QStringLiteral("\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d");
    const QString fn = QStringLiteral("TestLog::shapesInTheLogFile");
    const QStringList patterns = {
        QStringLiteral("^%1: Debug   \\[: : 0\\] Enter Time: \\d\\d:\\d\\d:\\d\\d, Function: %2, File: tst_log.cpp, Line: \\d+$"),
        QStringLiteral("^%1: Debug   \\[: : 0\\] \"Log   Time: \\d\\d:\\d\\d:\\d\\d, Function: %2, File: tst_log.cpp, Line: \\d+, Msg: \"\"SqlError: no such table\"$"),
        QStringLiteral("^%1: Warning \\[: : 0\\] \"Log   Time: .*, Msg: \"\"plain warning\"$"),
        QStringLiteral("^%1: Debug   \\[: : 0\\] Exit  Time: \\d\\d:\\d\\d:\\d\\d, Function: %2, File: tst_log.cpp, Line: \\d+$"),
        QStringLiteral("^%1: Debug   \\[: : 0\\] Close Event$"),
    };
    for (int i = 0; i < patterns.size(); ++i) {
        const QRegularExpression re(patterns.at(i).arg(time, fn));
        QVERIFY2(re.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
    }
    // The header's time is the file's build time, the same for every line.
    QVERIFY(lines.at(0).contains(QStringLiteral("Time: %1,").arg(QLatin1String(__TIME__))));
}

void TestLog::qualifiedNames_data()
{
    QTest::addColumn<QByteArray>("pretty");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("method") << QByteArray("void SMainWindow::initialize()") << QByteArray("SMainWindow::initialize");
    QTest::newRow("ctor") << QByteArray("SMainWindow::SMainWindow(QWidget*)") << QByteArray("SMainWindow::SMainWindow");
    QTest::newRow("pointer result") << QByteArray("QSerialPort* SDeviceHandler::detectDevice(bool, stDeviceData*)")
                                    << QByteArray("SDeviceHandler::detectDevice");
    QTest::newRow("free") << QByteArray("int main(int, char**)") << QByteArray("main");
}

void TestLog::qualifiedNames()
{
    QFETCH(QByteArray, pretty);
    QFETCH(QByteArray, name);
    QCOMPARE(slog_detail::qualifiedName(pretty.constData()), name);
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
