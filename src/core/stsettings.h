#pragma once

#include <QDateTime>
#include <QMutex>

// The user's preferences, kept with QSettings ("Vantorra" / "Spoolbox HD", group "Settings").
struct stSettings
{
    bool autoSync = false;
    int language = 0;
    bool manualUpdate = false;
    bool preserveLoop = false;
    bool monthlyUpdate = false;
    QDateTime lastCheckedDate; // invalid until the firmware was first checked
    QMutex lock;
};

// Reads every key, with its default when missing.
void loadSettings(stSettings& record);
// Writes all six keys.
void saveSettings(stSettings& record);
// Puts the record back to its defaults in memory only (preserve loop becomes true).
void resetSettings(stSettings& record);
// The process-wide record used by the main window and the preferences dialog.
stSettings& applicationSettings();
