#include "views/scontentview.h"

#include "core/slog.h"
#include "device/sdevicemanagerthread.h"
#include "library/sdatabasemanager.h"

#include <QPointer>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>

namespace {
QPointer<SContentView>& singleton()
{
    static QPointer<SContentView> view;
    return view;
}

// The columns after "Loop #" of an empty slot: no loop, rating 0.
const QString kEmptyTail = QStringLiteral(
    "NULL AS 'Name', NULL AS 'Length', '0' AS 'Rating', NULL AS 'Description', NULL AS 'Artist', NULL AS 'Genre', "
    "NULL AS 'Tags', NULL AS 'StopMode', NULL AS 'RhythmType', NULL AS 'bpMeasure', NULL AS 'bpMinute', NULL AS "
    "'isReversed', NULL AS 'isLoop', NULL AS 'settingsVersion', NULL AS 'audioVersion', NULL AS 'guidoriginal', "
    "NULL AS 'guidpatch', NULL AS 'guidphrase', NULL AS 'filechecksum', NULL AS 'propchecksum', NULL AS 'temppath', "
    "NULL AS 'filepath'");
const QString kEmptyUnionTail = QStringLiteral(
    "NULL, NULL, '0', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
    "NULL, NULL, NULL");
} // namespace

SContentView::SContentView(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("SContentView"));
    // Device transfers started from this view report through the device worker.
    connect(this, &SContentView::progress, SDeviceManagerThread::instance(), &SDeviceManagerThread::onProgress);
}

SContentView::~SContentView() = default;

SContentView* SContentView::instance(QWidget* parent, Qt::WindowFlags flags)
{
    if (!singleton())
        singleton() = new SContentView(parent, flags);
    return singleton();
}

void SContentView::setupDatabase()
{
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->createTable(SDatabaseManager::E_TABLE_LOOPS))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
}

void SContentView::initializeUIComponents() {}

STableView::E_CONTENTTYPE SContentView::currentContentType() const
{
    const STableView* view = currentView();
    return view ? view->contentType() : STableView::E_CONTENT_NONE;
}

STableView* SContentView::currentView() const
{
    return nullptr;
}

void SContentView::refreshViews() {}

bool SContentView::createSlots(const QString& firstPart, const QString& unionPart, int count)
{
    if (count < 1)
        return false;
    QString sql = firstPart.arg(1) + kEmptyTail;
    for (int slot = 2; slot <= count; ++slot)
        sql += unionPart.arg(slot) + kEmptyUnionTail;
    QSqlDatabase db = SDatabaseManager::database();
    QSqlQuery query(db);
    if (!SDatabaseManager::execute(query, sql)) {
        SLOG_WARN("sql error: %d", query.lastError().nativeErrorCode().toInt());
        return false;
    }
    return true;
}

bool SContentView::createLoopListSlots(int loopListId, int count)
{
    SLOG_SCOPE();
    const QString id = QString::number(loopListId);
    return createSlots(QStringLiteral("INSERT INTO 'loops' SELECT NULL AS 'id', ") + id +
                           QStringLiteral(" AS 'looplistid', 'false' AS 'isvalid', NULL AS 'deviceid', NULL AS "
                                          "'devicename', NULL AS 'storagepath', 'false' AS 'inlibrary',  %1 AS "
                                          "'Loop #', "),
                       QStringLiteral(" UNION SELECT NULL, ") + id +
                           QStringLiteral(", 'false', NULL, NULL, NULL, 'false', %1, "),
                       count);
}

bool SContentView::createDeviceSlots(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                                     int count)
{
    SLOG_SCOPE();
    // Device ids and model names come from the pedal: quoted, never pasted in raw.
    const QString id = SDatabaseManager::quote(deviceId);
    const QString name = SDatabaseManager::quote(deviceName);
    const QString path = SDatabaseManager::quote(storagePath);
    return createSlots(QStringLiteral("INSERT INTO 'loops' SELECT NULL AS 'id', NULL AS 'looplistid', 'false' AS "
                                      "'isvalid', ") +
                           id + QStringLiteral(" AS 'deviceid', ") + name + QStringLiteral(" AS 'devicename', ") +
                           path + QStringLiteral(" AS 'storagepath', 'false' AS 'inlibrary',  %1 AS 'Loop #', "),
                       QStringLiteral(" UNION SELECT NULL, NULL, 'false', ") + id + QStringLiteral(", ") + name +
                           QStringLiteral(", ") + path + QStringLiteral(", 'false', %1, "),
                       count);
}

bool SContentView::insertDeviceSlot(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                                    int loopNumber)
{
    QSqlDatabase db = SDatabaseManager::database();
    QSqlRecord record = db.record(QStringLiteral("loops"));
    record.setValue(QStringLiteral("deviceid"), deviceId);
    record.setValue(QStringLiteral("isvalid"), QStringLiteral("false"));
    record.setValue(QStringLiteral("inlibrary"), QStringLiteral("false"));
    record.setValue(QStringLiteral("storagepath"), storagePath);
    record.setValue(QStringLiteral("Loop #"), loopNumber);
    record.setValue(QStringLiteral("Rating"), QStringLiteral("0"));
    record.setValue(QStringLiteral("devicename"), deviceName);
    record.remove(record.indexOf(QStringLiteral("id")));
    const QString sql = db.driver()->sqlStatement(QSqlDriver::InsertStatement, QStringLiteral("loops"), record, false);
    SLOG_PLAIN("record(after generate): %s", qUtf8Printable(sql));
    QSqlQuery query(db);
    return query.exec(sql);
}
