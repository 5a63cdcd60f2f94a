#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// Owns the library's one named SQLite connection and is the only place that
// builds and executes SQL text for the generic operations. Every text value
// that goes into a statement passes through quote() (or is bound).
class SDatabaseManager : public QObject
{
    Q_OBJECT
public:
    enum E_TABLE
    {
        E_TABLE_QUERY = 0,
        E_TABLE_LOOPLISTS = 1,
        E_TABLE_LOOPS = 2,
    };

    static const QString connectionName; // "Spoolbox"
    static const QString createLoopListsStatement;
    static const QString createLoopsStatement;

    explicit SDatabaseManager(QObject* parent = nullptr);

    // Application-wide instance published by the main window.
    static SDatabaseManager* instance();
    static void setInstance(SDatabaseManager* manager);

    // ~/Vantorra/Spoolbox and the database file in it.
    static QString databaseFolder();
    static QString databasePath();

    bool openDatabase();
    bool createTable(int table, const QString& statement = QString());
    bool insertRow(int table, const QStringList& values, int& id, const QString& statement = QString());
    bool deleteRow(int table, int id, const QString& statement = QString());
    bool updateRow(int table, int id, const QStringList& columns, const QStringList& values,
                   const QString& statement = QString());
    bool readAll(int table, QSqlQuery& query);
    bool deleteRecord(const QSqlRecord& record, const QString& tableName);
    bool updateRecord(const QSqlRecord& values, const QSqlRecord& keys, const QString& tableName);
    static QSqlDatabase database();
    QSqlError lastError() const;
    void closeDatabase();
    bool beginTransaction();
    bool commitTransaction();
    bool rollbackTransaction();
    bool tableRecord(const QString& tableName, QSqlRecord& record);
    static bool fillRecord(const QStringList& names, const QStringList& values, QSqlRecord& record);

    // --- The one quoting and execution helper of the program ---
    // 'text' with embedded single quotes doubled.
    static QString quote(const QString& text);
    // quote(text), or NULL for a null string.
    static QString quoteOrNull(const QString& text);
    // A LIKE pattern that matches text literally ('%' and '_' escaped with '\'), quoted;
    // use with ESCAPE '\'.
    static QString likeContains(const QString& text);
    // Logs the statement ("query is: %s"), executes it on the named connection and
    // logs a failure ("Sql Error: %s"). The query is left positioned before the first row.
    static bool execute(QSqlQuery& query, const QString& statement);
    static bool execute(const QString& statement);

    // bpMinute column: tempos of 240 or less are stored as they are; rows made from
    // device loops store the float's IEEE-754 bit pattern as a signed integer.
    static qint64 bpMinuteFromTempo(float tempo);
    static float tempoFromBpMinute(qint64 stored);
};
