#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the virtual pedal is: its identity, its memories and their capacities.
struct SPedalConfig
{
    // Device paths of the memories' loop folders (string properties 0x800B and
    // 0x800C) and of the folder firmware images are copied to. Each ends with
    // its own separator, as the program appends slot folder names directly.
    static constexpr const char* internalRoot = "/mnt/nandfs/loops/";
    static constexpr const char* externalRoot = "/mnt/sdcard/loops/";
    static constexpr const char* systemRoot = "/mnt/nandfs/usr/";

    QString internalDir;  // required
    QString externalDir;  // empty: no external memory
    QString systemDir;    // empty: a temporary folder of the pedal's own
    QString model = QStringLiteral("Ostino Alto HD");
    quint16 familyId = 0x0A10;
    int deviceId = -1;    // -1: the model's own id
    quint16 protocolVersion = 1;
    quint16 firmwareVersion = 0x0120;
    QString guid;         // empty: derived from the internal folder, stable across runs
    quint32 internalCapacityKiB = 2u * 1024 * 1024;  // 2 GiB
    quint32 externalCapacityKiB = 32u * 1024 * 1024; // 32 GiB
    quint32 property15 = 1;

    // The five models of the family, in the order of their device ids (1 to 5).
    static QStringList models()
    {
        return {QStringLiteral("Ostino Alto"), QStringLiteral("Ostino Vela"), QStringLiteral("Ostino Mira"),
                QStringLiteral("Ostino Alto XT"), QStringLiteral("Ostino Alto HD")};
    }
    quint16 effectiveDeviceId() const
    {
        if (deviceId >= 0)
            return quint16(deviceId);
        const int index = models().indexOf(model);
        return quint16(index < 0 ? 0 : index + 1);
    }
    // The first model records in mono, all others in stereo.
    quint32 channelCount() const { return model == QLatin1String("Ostino Alto") ? 1 : 2; }
};
