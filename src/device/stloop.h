#pragma once

#include <QString>
#include <QtGlobal>

// One loop slot as the device link and the views exchange it.
struct stLoop
{
    QString name;
    QString description;
    QString artist;
    QString genre;
    QString tags;
    QString filePath;   // local WAV to write, or the device path of phrase.wav once on the device
    QString rhythmType; // display form, e.g. "OFF-Silent", "1-Wood Blocks"
    QString stopMode;
    QString patchId;    // library "guidpatch"
    QString phraseId;   // library "guidphrase"
    QString originId;   // library "guidoriginal"
    QString tempPath;   // library "temppath"
    QString spareText;
    float length = 0.0f; // seconds
    quint32 loopNumber = 0; // 1-based slot; 0 means no slot
    int rating = 0;
    quint16 beatsPerMeasure = 0;
    float beatsPerMinute = 0.0f;
    quint16 settingsVersion = 0;
    quint16 audioVersion = 0;
    qint16 spare1 = -1;
    qint16 spare2 = -1;
    bool reversed = false;
    bool loop = false;
    bool inLibrary = false;
    qint32 rowId = -1;
};
