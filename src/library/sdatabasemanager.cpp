#include "library/sdatabasemanager.h"

#include "core/slog.h"

#include <QDir>
#include <QPointer>
#include <QSqlDriver>
#include <QSqlField>

#include <bit>
#include <cstdint>

namespace {
const QString kUserName = QStringLiteral("Spoolbox");
const QString kPassword = QStringLiteral("qzt@582");
QPointer<SDatabaseManager>& published()
{
    static QPointer<SDatabaseManager> manager;
    return manager;
}

// Indexes for the views' filters and default sorts (library by name, LoopList and
// device slots by number). Not part of the stored format: an existing library
// gains them when it is opened.
void createIndexes(QSqlDatabase& db)
{
    if (!db.isOpen() || !db.tables().contains(QStringLiteral("loops")))
        return;
    static const char* const statements[] = {
        "CREATE INDEX IF NOT EXISTS loops_library_name ON loops (inlibrary, Name)",
        "CREATE INDEX IF NOT EXISTS loops_looplist_slot ON loops (looplistid, \"Loop #\")",
        "CREATE INDEX IF NOT EXISTS loops_device_slot ON loops (deviceid, storagepath, \"Loop #\")",
    };
    for (const char* statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(QLatin1String(statement)))
            SLOG_WARN("Sql Error: %s", qUtf8Printable(query.lastError().text()));
    }
}
} // namespace

const QString SDatabaseManager::connectionName = QStringLiteral("Spoolbox");

const QString SDatabaseManager::createLoopListsStatement = QStringLiteral(
    "CREATE TABLE looplists (id INTEGER PRIMARY KEY, color INTEGER(1) NOT NULL, name VARCHAR(30) NOT NULL)");

const QString SDatabaseManager::createLoopsStatement = QStringLiteral(
    "CREATE TABLE loops (id INTEGER PRIMARY KEY, looplistid INTEGER, isvalid VARCHAR NOT NULL CHECK(isvalid='true' OR "
    "isvalid='false'), deviceid VARCHAR, devicename VARCHAR, storagepath VARCHAR CHECK(storagepath='internal' OR "
    "storagepath='external' OR storagepath IS NULL), inlibrary VARCHAR NOT NULL CHECK(inlibrary='true' OR "
    "inlibrary='false'), 'Loop #' INTEGER, Name VARCHAR(30), Length TIME, Rating INTEGER(1), Description "
    "VARCHAR(30), Artist VARCHAR(30), Genre VARCHAR(30), Tags VARCHAR(30), StopMode VARCHAR, RhythmType VARCHAR, "
    "bpMeasure INTEGER, bpMinute INTEGER, isReversed BOOL, isLoop BOOL, settingsVersion INTEGER, audioVersion "
    "INTEGER, guidoriginal VARCHAR, guidpatch VARCHAR, guidphrase VARCHAR, filechecksum INTEGER, propchecksum "
    "INTEGER, temppath VARCHAR(256), filepath VARCHAR(256))");

SDatabaseManager::SDatabaseManager(QObject* parent) : QObject(parent) {}

SDatabaseManager* SDatabaseManager::instance()
{
    return published().data();
}

void SDatabaseManager::setInstance(SDatabaseManager* manager)
{
    published() = manager;
}

QString SDatabaseManager::databaseFolder()
{
    return QDir::homePath() + QDir::separator() + QStringLiteral("Vantorra") + QDir::separator() +
           QStringLiteral("Spoolbox");
}

QString SDatabaseManager::databasePath()
{
    return QDir::toNativeSeparators(databaseFolder() + QDir::separator() + QStringLiteral("Spoolbox.db.sqlite"));
}

QSqlDatabase SDatabaseManager::database()
{
    return QSqlDatabase::database(connectionName, true);
}

QSqlError SDatabaseManager::lastError() const
{
    return database().lastError();
}

bool SDatabaseManager::openDatabase()
{
    SLOG_ENTER();
    QSqlDatabase db = QSqlDatabase::database(connectionName, true);
    QDir().mkpath(databaseFolder());
    const QString path = databasePath();
    SLOG_DEBUG("Database path is: %s", qUtf8Printable(path));
    if (db.isValid() && db.isOpen()) {
        SLOG_EXIT();
        return true;
    }
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    db.setUserName(kUserName);
    db.setPassword(kPassword);
    SLOG_EXIT();
    const bool opened = db.open(kUserName, kPassword);
    createIndexes(db);
    return opened;
}

bool SDatabaseManager::execute(QSqlQuery& query, const QString& statement)
{
    SLOG_DEBUG("query is: %s", qUtf8Printable(statement));
    if (query.exec(statement))
        return true;
    SLOG_WARN("Sql Error: %s", qUtf8Printable(query.lastError().text()));
    return false;
}

bool SDatabaseManager::execute(const QString& statement)
{
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    return execute(query, statement);
}

bool SDatabaseManager::createTable(int table, const QString& statement)
{
    SLOG_SCOPE();
    QString sql;
    switch (table) {
    case E_TABLE_QUERY:
        sql = statement;
        break;
    case E_TABLE_LOOPLISTS:
        sql = createLoopListsStatement;
        break;
    case E_TABLE_LOOPS:
        sql = createLoopsStatement;
        break;
    default:
        return false;
    }
    const bool created = execute(sql);
    if (created && table == E_TABLE_LOOPS) {
        QSqlDatabase db = database();
        createIndexes(db);
    }
    return created;
}

bool SDatabaseManager::insertRow(int table, const QStringList& values, int& id, const QString& statement)
{
    SLOG_SCOPE();
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    QString sql;
    switch (table) {
    case E_TABLE_QUERY:
        return execute(statement);
    case E_TABLE_LOOPLISTS:
        if (values.size() < 2)
            return false;
        // The colour is an index; never let text through in its place.
        if (bool ok = false; values.at(0).toInt(&ok), !ok)
            return false;
        if (id <= 0)
            sql = QStringLiteral("INSERT INTO looplists VALUES(NULL,%1,%2)")
                      .arg(values.at(0).toInt())
                      .arg(quote(values.at(1)));
        else
            sql = QStringLiteral("INSERT INTO looplists VALUES(%1,%2,%3)")
                      .arg(id)
                      .arg(values.at(0).toInt())
                      .arg(quote(values.at(1)));
        break;
    case E_TABLE_LOOPS:
        if (values.isEmpty())
            return false;
        sql = QStringLiteral("INSERT INTO loops VALUES(NULL,") + values.join(QLatin1Char(',')) + QLatin1Char(')');
        break;
    default:
        return false;
    }
    QSqlQuery query(db);
    if (!execute(query, sql)) {
        // Never hand back the id of some earlier insert.
        id = -1;
        return false;
    }
    id = query.lastInsertId().toInt();
    return true;
}

bool SDatabaseManager::deleteRow(int table, int id, const QString& statement)
{
    SLOG_SCOPE();
    switch (table) {
    case E_TABLE_QUERY:
        return execute(statement);
    case E_TABLE_LOOPLISTS:
        return execute(QStringLiteral("DELETE FROM looplists WHERE id=%1").arg(id));
    case E_TABLE_LOOPS:
        return execute(QStringLiteral("DELETE FROM loops WHERE id=%1").arg(id));
    default:
        return false;
    }
}

bool SDatabaseManager::updateRow(int table, int id, const QStringList& columns, const QStringList& values,
                                 const QString& statement)
{
    SLOG_SCOPE();
    QString sql;
    switch (table) {
    case E_TABLE_QUERY:
        return execute(statement);
    case E_TABLE_LOOPLISTS:
        sql = QStringLiteral("UPDATE looplists SET ");
        break;
    case E_TABLE_LOOPS:
        sql = QStringLiteral("UPDATE loops SET ");
        break;
    default:
        return false;
    }
    const qsizetype n = qMin(columns.size(), values.size());
    if (n == 0)
        return false;
    QStringList pairs;
    for (qsizetype i = 0; i < n; ++i)
        pairs << QStringLiteral("%1=%2").arg(columns.at(i), values.at(i));
    sql += pairs.join(QLatin1Char(',')) + QStringLiteral(" WHERE id=%1").arg(id);
    return execute(sql);
}

bool SDatabaseManager::readAll(int table, QSqlQuery& query)
{
    SLOG_SCOPE();
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    QString sql;
    switch (table) {
    case E_TABLE_LOOPLISTS:
        sql = QStringLiteral("select id, color, name from looplists");
        break;
    case E_TABLE_LOOPS:
        sql = QStringLiteral("select * from loops");
        break;
    default:
        return false;
    }
    query = QSqlQuery(db);
    return execute(query, sql);
}

bool SDatabaseManager::deleteRecord(const QSqlRecord& record, const QString& tableName)
{
    SLOG_SCOPE();
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    QSqlDriver* driver = db.driver();
    const QString sql = driver->sqlStatement(QSqlDriver::DeleteStatement, tableName, record, false) +
                        QLatin1Char(' ') + driver->sqlStatement(QSqlDriver::WhereStatement, tableName, record, false);
    return execute(sql);
}

bool SDatabaseManager::updateRecord(const QSqlRecord& values, const QSqlRecord& keys, const QString& tableName)
{
    SLOG_SCOPE();
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    QSqlDriver* driver = db.driver();
    const QString sql = driver->sqlStatement(QSqlDriver::UpdateStatement, tableName, values, false) +
                        QLatin1Char(' ') + driver->sqlStatement(QSqlDriver::WhereStatement, tableName, keys, false);
    return execute(sql);
}

void SDatabaseManager::closeDatabase()
{
    SLOG_SCOPE();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

bool SDatabaseManager::beginTransaction()
{
    SLOG_SCOPE();
    QSqlDatabase db = database();
    if (!db.isOpen() || !db.driver()->hasFeature(QSqlDriver::Transactions))
        return false;
    return db.transaction();
}

bool SDatabaseManager::commitTransaction()
{
    SLOG_SCOPE();
    return database().commit();
}

bool SDatabaseManager::rollbackTransaction()
{
    SLOG_SCOPE();
    return database().rollback();
}

bool SDatabaseManager::tableRecord(const QString& tableName, QSqlRecord& record)
{
    QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    record = db.record(tableName);
    return !record.isEmpty();
}

bool SDatabaseManager::fillRecord(const QStringList& names, const QStringList& values, QSqlRecord& record)
{
    if (names.size() != values.size())
        return false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const int index = record.indexOf(names.at(i));
        if (index < 0)
            continue;
        switch (record.field(index).metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            record.setValue(index, values.at(i).toLongLong());
            break;
        case QMetaType::Bool:
        case QMetaType::QString:
        case QMetaType::QTime:
            record.setValue(index, values.at(i));
            break;
        default:
            record.setNull(index);
            break;
        }
    }
    return true;
}

QString SDatabaseManager::quote(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString SDatabaseManager::quoteOrNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("NULL") : quote(text);
}

QString SDatabaseManager::likeContains(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return quote(QLatin1Char('%') + escaped + QLatin1Char('%'));
}

qint64 SDatabaseManager::bpMinuteFromTempo(float tempo)
{
    return std::bit_cast<std::int32_t>(tempo);
}

float SDatabaseManager::tempoFromBpMinute(qint64 stored)
{
    if (stored > 240)
        return std::bit_cast<float>(static_cast<std::int32_t>(stored));
    return static_cast<float>(stored);
}
