#include "views/sdevicecellwriter.h"

#include "core/slog.h"
#include "device/sdevicehandler.h"
#include "library/sdatabasemanager.h"

#include <QSqlRecord>
#include <QVariant>

bool SDeviceCellWriter::write(const QSqlRecord& row)
{
    SDeviceHandler* handler = SDeviceHandler::instance();
    if (!handler->port())
        return false;
    auto text = [&](const char* column) { return row.value(QLatin1String(column)).toString(); };
    stDeviceData device;
    device.name = text("devicename");
    device.portName = text("deviceid");
    device.isInternal = text("storagepath") != QLatin1String("external");

    stLoop loop;
    loop.name = text("Name");
    loop.description = text("Description");
    loop.artist = text("Artist");
    loop.genre = text("Genre");
    loop.tags = text("Tags");
    loop.stopMode = text("StopMode");
    loop.rhythmType = text("RhythmType");
    loop.patchId = text("guidpatch");
    loop.phraseId = text("guidphrase");
    loop.originId = text("guidoriginal");
    loop.tempPath = text("temppath");
    loop.filePath = text("filepath");
    loop.rating = row.value(QStringLiteral("Rating")).toInt();
    loop.loopNumber = row.value(QStringLiteral("Loop #")).toUInt();
    loop.beatsPerMeasure = quint16(row.value(QStringLiteral("bpMeasure")).toUInt());
    loop.beatsPerMinute = SDatabaseManager::tempoFromBpMinute(row.value(QStringLiteral("bpMinute")).toLongLong());
    loop.settingsVersion = quint16(row.value(QStringLiteral("settingsVersion")).toUInt());
    loop.audioVersion = quint16(row.value(QStringLiteral("audioVersion")).toUInt());
    loop.reversed = row.value(QStringLiteral("isReversed")).toBool();
    loop.loop = row.value(QStringLiteral("isLoop")).toBool();
    if (loop.loopNumber == 0)
        return false;
    QString folder;
    const bool written = handler->writePatchFile(device, loop, folder, nullptr);
    if (!written)
        SLOG_WARN("could not rewrite the patch of slot %u", loop.loopNumber);
    return written;
}
