#include "core/stsettings.h"

#include <QSettings>

void loadSettings(stSettings& record)
{
    QMutexLocker locker(&record.lock);
    QSettings store(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    store.beginGroup(QStringLiteral("Settings"));
    record.autoSync = store.value(QStringLiteral("AutoSync"), false).toBool();
    record.language = store.value(QStringLiteral("Language"), 0).toInt();
    record.manualUpdate = store.value(QStringLiteral("ManualUpdate"), false).toBool();
    record.monthlyUpdate = store.value(QStringLiteral("MonthlyUpdate"), false).toBool();
    record.lastCheckedDate = store.value(QStringLiteral("LastCheckedDate"), QDateTime()).toDateTime();
    record.preserveLoop = store.value(QStringLiteral("PreserveLoop"), false).toBool();
    store.endGroup();
}

void saveSettings(stSettings& record)
{
    QMutexLocker locker(&record.lock);
    QSettings store(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    store.beginGroup(QStringLiteral("Settings"));
    store.setValue(QStringLiteral("AutoSync"), record.autoSync);
    store.setValue(QStringLiteral("Language"), record.language);
    store.setValue(QStringLiteral("ManualUpdate"), record.manualUpdate);
    store.setValue(QStringLiteral("MonthlyUpdate"), record.monthlyUpdate);
    store.setValue(QStringLiteral("LastCheckedDate"), record.lastCheckedDate);
    store.setValue(QStringLiteral("PreserveLoop"), record.preserveLoop);
    store.endGroup();
    store.sync();
}

void resetSettings(stSettings& record)
{
    QMutexLocker locker(&record.lock);
    record.autoSync = false;
    record.language = 0;
    record.manualUpdate = false;
    record.preserveLoop = true;
    record.monthlyUpdate = false;
    record.lastCheckedDate = QDateTime();
}

stSettings& applicationSettings()
{
    static stSettings record;
    return record;
}
