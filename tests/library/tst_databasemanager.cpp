#include "library/sdatabasemanager.h"
#include "library/sdbtransaction.h"
#include "testenv.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlField>
#include <QtTest>

class TestDatabaseManager : public QObject
{
    Q_OBJECT
private:
    SDatabaseManager m_db;
    static QString loopsValues(const QString& name, const QString& artist);
    static QString selectOne(const QString& sql);

private Q_SLOTS:
    void initTestCase();
    void init();
    void quotedTextsRoundTrip_data();
    void quotedTextsRoundTrip();
    void loopListIds();
    void failedInsertReturnsNoId();
    void invalidSelectorTouchesNothing();
    void updateRowPairsOnly();
    void deleteRecordWithNull();
    void fillRecordByType();
    void transactionRollsBack();
    void bpMinuteEncoding_data();
    void bpMinuteEncoding();
};

void TestDatabaseManager::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_db.openDatabase());
    QVERIFY(QFile::exists(SDatabaseManager::databasePath()));
    QVERIFY(m_db.createTable(SDatabaseManager::E_TABLE_LOOPS));
    QVERIFY(m_db.createTable(SDatabaseManager::E_TABLE_LOOPLISTS));
    // A second creation fails because the table exists; nothing else changes.
    QVERIFY(!m_db.createTable(SDatabaseManager::E_TABLE_LOOPS));
}

void TestDatabaseManager::init()
{
    QVERIFY(SDatabaseManager::execute(QStringLiteral("DELETE FROM loops")));
    QVERIFY(SDatabaseManager::execute(QStringLiteral("DELETE FROM looplists")));
}

QString TestDatabaseManager::loopsValues(const QString& name, const QString& artist)
{
    // One value per column after id, in table order.
    QStringList v;
    v << QStringLiteral("NULL") << QStringLiteral("'true'") << QStringLiteral("NULL") << QStringLiteral("NULL")
      << QStringLiteral("NULL") << QStringLiteral("'true'") << QStringLiteral("NULL")
      << SDatabaseManager::quote(name) << QStringLiteral("'00:04.000'") << QStringLiteral("3")
      << QStringLiteral("NULL") << SDatabaseManager::quote(artist);
    while (v.size() < 29)
        v << QStringLiteral("NULL");
    return v.join(QLatin1Char('\x1f'));
}

QString TestDatabaseManager::selectOne(const QString& sql)
{
    QSqlQuery q(SDatabaseManager::database());
    if (!q.exec(sql) || !q.next())
        return QStringLiteral("<none>");
    return q.value(0).toString();
}

void TestDatabaseManager::quotedTextsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("apostrophe") << QStringLiteral("Don't Stop");
    QTest::newRow("injection") << QStringLiteral("a'; DROP TABLE loops; --");
    QTest::newRow("percent and double quotes") << QStringLiteral("50% \"live\"");
    QTest::newRow("only quotes") << QStringLiteral("''");
    QTest::newRow("unicode") << QStringLiteral("Grüße – ループ");
}

void TestDatabaseManager::quotedTextsRoundTrip()
{
    QFETCH(QString, text);
    // loops: insert, select, update, select
    int id = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPS, loopsValues(text, text).split(QLatin1Char('\x1f')), id));
    QVERIFY(id > 0);
    QCOMPARE(selectOne(QStringLiteral("SELECT Name FROM loops WHERE id=%1").arg(id)), text);
    QCOMPARE(selectOne(QStringLiteral("SELECT Artist FROM loops WHERE id=%1").arg(id)), text);
    QCOMPARE(selectOne(QStringLiteral("SELECT id FROM loops WHERE Name=%1").arg(SDatabaseManager::quote(text))),
             QString::number(id));
    const QString renamed = text + QStringLiteral(" (2)");
    QVERIFY(m_db.updateRow(SDatabaseManager::E_TABLE_LOOPS, id, {QStringLiteral("Name")},
                           {SDatabaseManager::quote(renamed)}));
    QCOMPARE(selectOne(QStringLiteral("SELECT Name FROM loops WHERE id=%1").arg(id)), renamed);

    // looplists: the name goes through the quoting function
    int listId = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("2"), text}, listId));
    QVERIFY(listId > 0);
    QCOMPARE(selectOne(QStringLiteral("SELECT name FROM looplists WHERE id=%1").arg(listId)), text);
    QVERIFY(m_db.updateRow(SDatabaseManager::E_TABLE_LOOPLISTS, listId, {QStringLiteral("name")},
                           {SDatabaseManager::quote(renamed)}));
    QCOMPARE(selectOne(QStringLiteral("SELECT name FROM looplists WHERE id=%1").arg(listId)), renamed);

    // Nothing else changed: both tables still there with exactly one row each.
    QCOMPARE(selectOne(QStringLiteral("SELECT count(*) FROM loops")), QStringLiteral("1"));
    QCOMPARE(selectOne(QStringLiteral("SELECT count(*) FROM looplists")), QStringLiteral("1"));
    QSqlQuery all;
    QVERIFY(m_db.readAll(SDatabaseManager::E_TABLE_LOOPLISTS, all));
    QVERIFY(all.next());
    QCOMPARE(all.value(2).toString(), renamed);
}

void TestDatabaseManager::loopListIds()
{
    int id = 7;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("Seven")}, id));
    QCOMPARE(id, 7);
    id = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("Next")}, id));
    QCOMPARE(id, 8);
    // A colour that is not a number never reaches the statement.
    id = 0;
    QVERIFY(!m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1) --"), QStringLiteral("x")}, id));
}

void TestDatabaseManager::failedInsertReturnsNoId()
{
    int id = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("A")}, id));
    QVERIFY(id > 0);
    // Same id again violates the primary key: false, and no stale id handed back.
    int again = id;
    QVERIFY(!m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("B")}, again));
    QVERIFY(again <= 0);
    int loopId = 0;
    QVERIFY(!m_db.insertRow(SDatabaseManager::E_TABLE_LOOPS, {QStringLiteral("NULL"), QStringLiteral("'maybe'")},
                            loopId));
    QVERIFY(loopId <= 0);
}

void TestDatabaseManager::invalidSelectorTouchesNothing()
{
    int id = 0;
    QVERIFY(!m_db.insertRow(3, {QStringLiteral("1"), QStringLiteral("x")}, id));
    QVERIFY(!m_db.deleteRow(-1, 1));
    QVERIFY(!m_db.updateRow(9, 1, {QStringLiteral("name")}, {QStringLiteral("'x'")}));
    QSqlQuery q;
    QVERIFY(!m_db.readAll(SDatabaseManager::E_TABLE_QUERY, q));
    QCOMPARE(selectOne(QStringLiteral("SELECT count(*) FROM looplists")), QStringLiteral("0"));
}

void TestDatabaseManager::updateRowPairsOnly()
{
    int id = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("A")}, id));
    QVERIFY(m_db.updateRow(SDatabaseManager::E_TABLE_LOOPLISTS, id, {QStringLiteral("color"), QStringLiteral("name")},
                           {QStringLiteral("5")}));
    QCOMPARE(selectOne(QStringLiteral("SELECT color || '/' || name FROM looplists")), QStringLiteral("5/A"));
}

void TestDatabaseManager::deleteRecordWithNull()
{
    int a = 0, b = 0;
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPS, loopsValues(QStringLiteral("x"), QString()).split(QLatin1Char('\x1f')), a));
    QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPS, loopsValues(QStringLiteral("x"), QStringLiteral("y")).split(QLatin1Char('\x1f')), b));
    QVERIFY(SDatabaseManager::execute(QStringLiteral("UPDATE loops SET Artist=NULL WHERE id=%1").arg(a)));
    QSqlRecord record;
    QVERIFY(m_db.tableRecord(QStringLiteral("loops"), record));
    QSqlRecord key;
    key.append(record.field(QStringLiteral("Name")));
    key.append(record.field(QStringLiteral("Artist")));
    key.setValue(0, QStringLiteral("x"));
    key.setNull(1);
    QVERIFY(m_db.deleteRecord(key, QStringLiteral("loops")));
    QCOMPARE(selectOne(QStringLiteral("SELECT id FROM loops")), QString::number(b));
}

void TestDatabaseManager::fillRecordByType()
{
    QSqlRecord record;
    QVERIFY(m_db.tableRecord(QStringLiteral("loops"), record));
    QVERIFY(!SDatabaseManager::fillRecord({QStringLiteral("Name")}, {}, record));
    QVERIFY(SDatabaseManager::fillRecord({QStringLiteral("Name"), QStringLiteral("Rating"), QStringLiteral("bpMinute")},
                                         {QStringLiteral("It's"), QStringLiteral("4"), QStringLiteral("120")}, record));
    QCOMPARE(record.value(QStringLiteral("Name")).toString(), QStringLiteral("It's"));
    QCOMPARE(record.value(QStringLiteral("Rating")).toInt(), 4);
    // The driver's generated statement quotes the text itself.
    record.remove(record.indexOf(QStringLiteral("id")));
    QSqlRecord only;
    only.append(record.field(QStringLiteral("Name")));
    const QString sql = SDatabaseManager::database().driver()->sqlStatement(QSqlDriver::WhereStatement,
                                                                             QStringLiteral("loops"), only, false);
    QVERIFY2(sql.contains(QStringLiteral("'It''s'")), qPrintable(sql));
}

void TestDatabaseManager::transactionRollsBack()
{
    {
        SDbTransaction transaction(&m_db);
        QVERIFY(transaction.isActive());
        int id = 0;
        QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("A")}, id));
        // no commit: the destructor rolls back
    }
    QCOMPARE(selectOne(QStringLiteral("SELECT count(*) FROM looplists")), QStringLiteral("0"));
    {
        SDbTransaction transaction(&m_db);
        int id = 0;
        QVERIFY(m_db.insertRow(SDatabaseManager::E_TABLE_LOOPLISTS, {QStringLiteral("1"), QStringLiteral("A")}, id));
        QVERIFY(transaction.commit());
    }
    QCOMPARE(selectOne(QStringLiteral("SELECT count(*) FROM looplists")), QStringLiteral("1"));
}

void TestDatabaseManager::bpMinuteEncoding_data()
{
    QTest::addColumn<float>("tempo");
    QTest::newRow("slow") << 40.0f;
    QTest::newRow("fractional") << 120.5f;
    QTest::newRow("fast") << 250.0f;
    QTest::newRow("smallest") << 0.5f;
}

void TestDatabaseManager::bpMinuteEncoding()
{
    QFETCH(float, tempo);
    const qint64 stored = SDatabaseManager::bpMinuteFromTempo(tempo);
    QVERIFY(stored > 240);
    QCOMPARE(SDatabaseManager::tempoFromBpMinute(stored), tempo);
    // Plain library tempos stay as they are.
    QCOMPARE(SDatabaseManager::tempoFromBpMinute(120), 120.0f);
    QCOMPARE(SDatabaseManager::tempoFromBpMinute(240), 240.0f);
}

QTEST_GUILESS_MAIN(TestDatabaseManager)
#include "tst_databasemanager.moc"
