#include "spedaldevice.h"

#include "spedalwirereader.h"
#include "spedalwirewriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace {
enum E_ID : quint16
{
    E_WHO_AM_I = 0,
    E_WHO_AM_I_RESPONSE = 1,
    E_SUCCESS = 2,
    E_FAILURE = 3,
    E_ENTRY_INFO = 4,
    E_ENTRY_INFO_RESPONSE = 5,
    E_ENTRY_CREATE = 7,
    E_ENTRY_DELETE = 9,
    E_FILE_OPEN = 10,
    E_FILE_OPEN_RESPONSE = 11,
    E_FILE_READ = 12,
    E_FILE_READ_RESPONSE = 13,
    E_FILE_WRITE = 14,
    E_FILE_SEEK = 15,
    E_FILE_CLOSE = 16,
    E_FOLDER_CONTENTS = 17,
    E_FOLDER_CONTENTS_RESPONSE = 18,
    E_GET_PROPERTIES = 19,
    E_GET_PROPERTIES_RESPONSE = 20,
    E_ISSUE_COMMAND = 22,
    E_GET_PROPERTY = 26,
    E_GET_PROPERTY_RESPONSE = 27,
};

bool isStringProperty(quint16 id)
{
    return quint16(id - 0x8000) <= 0x18;
}

quint32 kib(qint64 bytes)
{
    return quint32((bytes + 1023) / 1024);
}
} // namespace

SPedalDevice::SPedalDevice(const SPedalConfig& config) : m_config(config)
{
}

SPedalDevice::~SPedalDevice() = default;

bool SPedalDevice::setUp(QString* error)
{
    if (m_config.internalDir.isEmpty() || !QFileInfo(m_config.internalDir).isDir()) {
        *error = QStringLiteral("internal memory folder missing: %1").arg(m_config.internalDir);
        return false;
    }
    if (!m_config.externalDir.isEmpty() && !QFileInfo(m_config.externalDir).isDir()) {
        *error = QStringLiteral("external memory folder missing: %1").arg(m_config.externalDir);
        return false;
    }
    m_systemDir = m_config.systemDir;
    if (m_systemDir.isEmpty()) {
        m_ownSystemDir = std::make_unique<QTemporaryDir>();
        m_systemDir = m_ownSystemDir->path();
    }
    if (!QDir().mkpath(m_systemDir)) {
        *error = QStringLiteral("cannot make system folder %1").arg(m_systemDir);
        return false;
    }
    if (m_config.guid.isEmpty()) {
        const QByteArray where = QFileInfo(m_config.internalDir).canonicalFilePath().toUtf8();
        m_config.guid = QUuid::createUuidV5(QUuid(), where).toString(QUuid::WithoutBraces);
    }
    bool ok = m_fs.mount(QLatin1String(SPedalConfig::internalRoot), m_config.internalDir)
              && m_fs.mount(QLatin1String(SPedalConfig::systemRoot), m_systemDir);
    if (ok && !m_config.externalDir.isEmpty())
        ok = m_fs.mount(QLatin1String(SPedalConfig::externalRoot), m_config.externalDir);
    if (!ok)
        *error = QStringLiteral("cannot use the memory folders");
    return ok;
}

void SPedalDevice::setFailPattern(const QString& wildcard)
{
    // Called for every request: only a change of pattern builds a new expression.
    if (wildcard == m_failWildcard)
        return;
    m_failWildcard = wildcard;
    m_failPattern = wildcard.isEmpty()
                        ? QRegularExpression()
                        : QRegularExpression(QRegularExpression::wildcardToRegularExpression(
                              wildcard, QRegularExpression::UnanchoredWildcardConversion));
}

SPedalDevice::stStats SPedalDevice::stats() const
{
    QMutexLocker lock(&m_statsLock);
    return m_stats;
}

QByteArray SPedalDevice::respond(const QByteArray& message)
{
    SPedalWireReader in(message);
    const quint16 id = in.u16();
    in.u32(); // payload size, checked by the framing
    const quint32 serial = in.u32();
    if (!in.ok())
        return QByteArray();
    {
        QMutexLocker lock(&m_statsLock);
        ++m_stats.requests;
        ++m_stats.requestsById[id];
    }
    flushWrite();
    if (id != E_FILE_READ)
        dropReadAhead();
    QByteArray answer = dispatch(id, serial, in);
    {
        QMutexLocker lock(&m_statsLock);
        m_stats.openFiles = m_fs.openCount();
    }
    return answer;
}

void SPedalDevice::idle()
{
    flushWrite();
    if (!m_ahead.wanted)
        return;
    m_ahead.wanted = false;
    QFile* file = m_fs.file(m_ahead.handle);
    if (!file)
        return;
    const qint64 offset = file->pos();
    SPedalWireWriter out(E_FILE_READ_RESPONSE, 0, 12 + maxBlock);
    out.u64(quint64(offset)).u32(0);
    const qint64 got = out.readFrom(file, maxBlock);
    if (got <= 0) {
        file->seek(offset);
        m_ahead = stReadAhead();
        return;
    }
    m_ahead.answer = out.message();
    // The length field, now that it is known.
    for (int i = 0; i < 4; ++i)
        m_ahead.answer[18 + i] = char((quint32(got) >> (8 * i)) & 0xFF);
    m_ahead.offset = offset;
    m_ahead.size = got;
}

void SPedalDevice::flushWrite()
{
    if (!m_behind.handle)
        return;
    QFile* file = m_fs.file(m_behind.handle);
    if (!file || file->write(m_behind.data) != m_behind.data.size()) {
        m_writeErrorHandle = m_behind.handle;
        m_writeError = QStringLiteral("Write error");
    }
    m_behind = stWriteBehind();
}

void SPedalDevice::dropReadAhead()
{
    // Put the file position back where the reader left it.
    if (m_ahead.offset >= 0) {
        if (QFile* file = m_fs.file(m_ahead.handle))
            file->seek(m_ahead.offset);
    }
    m_ahead = stReadAhead();
}

bool SPedalDevice::takeWriteError(quint64 handle, QString* text)
{
    if (m_writeError.isEmpty() || m_writeErrorHandle != handle)
        return false;
    *text = m_writeError;
    m_writeError.clear();
    m_writeErrorHandle = 0;
    return true;
}

QByteArray SPedalDevice::dispatch(quint16 id, quint32 serial, SPedalWireReader& in)
{
    switch (id) {
    case E_WHO_AM_I:
        return whoAmI(serial);
    case E_ENTRY_INFO:
        return entryInfo(serial, in);
    case E_ENTRY_CREATE:
        return entryCreate(serial, in);
    case E_ENTRY_DELETE:
        return entryDelete(serial, in);
    case E_FILE_OPEN:
        return fileOpen(serial, in);
    case E_FILE_READ:
        return fileRead(serial, in);
    case E_FILE_WRITE:
        return fileWrite(serial, in);
    case E_FILE_SEEK:
        return fileSeek(serial, in);
    case E_FILE_CLOSE:
        return fileClose(serial, in);
    case E_FOLDER_CONTENTS:
        return folderContents(serial, in);
    case E_GET_PROPERTIES:
        return getProperties(serial, in);
    case E_ISSUE_COMMAND:
        return issueCommand(serial, in);
    case E_GET_PROPERTY:
        return getProperty(serial, in);
    default:
        return failure(serial, QStringLiteral("Unknown request %1").arg(id));
    }
}

QByteArray SPedalDevice::failure(quint32 serial, const QString& text) const
{
    return SPedalWireWriter(E_FAILURE, serial).string(text).message();
}

QByteArray SPedalDevice::success(quint32 serial) const
{
    return SPedalWireWriter(E_SUCCESS, serial).message();
}

QByteArray SPedalDevice::refusePath(quint32 serial, const SPedalWireReader& in, const QString& path,
                                    SPedalFileSystem::stResolved* where) const
{
    if (!in.ok())
        return failure(serial, QStringLiteral("Malformed request"));
    *where = m_fs.resolve(path);
    if (!m_failWildcard.isEmpty() && m_failPattern.match(path).hasMatch())
        return failure(serial, QStringLiteral("Access denied"));
    if (!where->error.isEmpty())
        return failure(serial, where->error);
    return QByteArray();
}

QByteArray SPedalDevice::whoAmI(quint32 serial)
{
    return SPedalWireWriter(E_WHO_AM_I_RESPONSE, serial)
        .u16(m_config.familyId)
        .u16(m_config.effectiveDeviceId())
        .u16(m_config.protocolVersion)
        .u16(m_config.firmwareVersion)
        .string(m_config.guid)
        .string(m_config.model)
        .message();
}

QByteArray SPedalDevice::entryInfo(quint32 serial, SPedalWireReader& in)
{
    in.u8(); // flag
    const QString path = in.string();
    SPedalFileSystem::stResolved where;
    if (const QByteArray refusal = refusePath(serial, in, path, &where); !refusal.isEmpty())
        return refusal;
    const QString name = where.devicePath.section(QLatin1Char('/'), -1);
    SPedalWireWriter out(E_ENTRY_INFO_RESPONSE, serial);
    out.boolean(true).string(name);
    if (where.virtualFolder) {
        const QDateTime never;
        return out.boolean(true).u64(0).boolean(true).boolean(true).dateTime(never).dateTime(never).dateTime(never)
            .message();
    }
    const QFileInfo info(where.hostPath);
    // The flag after the size says "folder"; the host keeps its inverse.
    return out.boolean(info.exists())
        .u64(info.isFile() ? quint64(info.size()) : 0)
        .boolean(info.isDir())
        .boolean(info.exists() && !info.isWritable())
        .dateTime(info.birthTime().isValid() ? info.birthTime() : info.lastModified())
        .dateTime(info.lastModified())
        .dateTime(info.lastRead())
        .message();
}

QByteArray SPedalDevice::entryCreate(quint32 serial, SPedalWireReader& in)
{
    in.u8();
    const QString path = in.string();
    in.u8(); // 1: a folder
    SPedalFileSystem::stResolved where;
    if (const QByteArray refusal = refusePath(serial, in, path, &where); !refusal.isEmpty())
        return refusal;
    if (where.virtualFolder || QFileInfo(where.hostPath).isDir())
        return success(serial);
    const QFileInfo info(where.hostPath);
    if (info.exists())
        return failure(serial, QStringLiteral("A file of that name exists"));
    if (!info.dir().exists())
        return failure(serial, QStringLiteral("No such folder"));
    if (!info.dir().mkdir(info.fileName()))
        return failure(serial, QStringLiteral("Cannot create folder"));
    return success(serial);
}

QByteArray SPedalDevice::entryDelete(quint32 serial, SPedalWireReader& in)
{
    in.u8();
    const QString path = in.string();
    in.u8();
    in.u8();
    SPedalFileSystem::stResolved where;
    if (const QByteArray refusal = refusePath(serial, in, path, &where); !refusal.isEmpty())
        return refusal;
    if (where.virtualFolder || where.mountRoot)
        return failure(serial, QStringLiteral("Cannot delete a memory"));
    const QFileInfo info(where.hostPath);
    if (!info.exists() && !info.isSymLink())
        return failure(serial, QStringLiteral("No such file or folder"));
    const bool removed = info.isDir() && !info.isSymLink() ? QDir(where.hostPath).removeRecursively()
                                                            : QFile::remove(where.hostPath);
    return removed ? success(serial) : failure(serial, QStringLiteral("Cannot delete"));
}

QByteArray SPedalDevice::fileOpen(quint32 serial, SPedalWireReader& in)
{
    const QString path = in.string();
    const quint8 access = in.u8();
    const quint8 readFlag = in.u8();
    SPedalFileSystem::stResolved where;
    if (const QByteArray refusal = refusePath(serial, in, path, &where); !refusal.isEmpty())
        return refusal;
    const bool reading = access == 1 && readFlag == 1;
    const bool writing = access == 2 && readFlag == 0;
    if (!reading && !writing)
        return failure(serial, QStringLiteral("Invalid access mode"));
    if (where.virtualFolder || where.mountRoot)
        return failure(serial, QStringLiteral("Is a folder"));
    QString error;
    const quint64 handle = m_fs.open(where.hostPath, writing, &error);
    if (!handle)
        return failure(serial, error);
    return SPedalWireWriter(E_FILE_OPEN_RESPONSE, serial).u64(handle).u64(quint64(m_fs.file(handle)->size())).message();
}

QByteArray SPedalDevice::fileRead(quint32 serial, SPedalWireReader& in)
{
    const quint64 handle = in.u64();
    const qint32 wanted = qint32(in.u32());
    if (!in.ok() || wanted < 0) {
        dropReadAhead();
        return failure(serial, QStringLiteral("Malformed request"));
    }
    // An answer never exceeds the largest payload, whatever was asked.
    const qint64 length = m_zeroReads ? 0 : qMin<qint64>(wanted, maxBlock);
    // The block read ahead is the answer when it is what was asked for: all that
    // is left of the file, or a whole block.
    const bool ahead = m_ahead.offset >= 0 && m_ahead.handle == handle && length >= m_ahead.size;
    if (!ahead && m_ahead.offset >= 0 && length > 0)
        dropReadAhead();
    QFile* file = m_fs.file(handle);
    if (!file || !file->isReadable())
        return failure(serial, QStringLiteral("Invalid handle"));
    QByteArray answer;
    if (ahead) {
        answer = std::move(m_ahead.answer);
        SPedalWireWriter::setSerial(answer, serial);
        m_ahead = stReadAhead();
    } else {
        const quint64 offset = quint64(file->pos());
        const qint64 available = qMax<qint64>(0, qMin(length, file->size() - qint64(offset)));
        SPedalWireWriter out(E_FILE_READ_RESPONSE, serial, 12 + available);
        out.u64(offset).u32(quint32(available));
        if (out.readFrom(file, available) != available)
            return failure(serial, QStringLiteral("Read error"));
        answer = out.message();
    }
    if (length == maxBlock) {
        m_ahead.handle = handle;
        m_ahead.wanted = true;
    }
    return answer;
}

QByteArray SPedalDevice::fileWrite(quint32 serial, SPedalWireReader& in)
{
    const quint64 handle = in.u64();
    const qint32 n = qint32(in.u32());
    QByteArray data = in.bytes(n);
    if (!in.ok())
        return failure(serial, QStringLiteral("Malformed request"));
    QFile* file = m_fs.file(handle);
    if (!file || !file->isWritable())
        return failure(serial, QStringLiteral("Invalid handle"));
    QString error;
    if (takeWriteError(handle, &error))
        return failure(serial, error);
    // Stored after the answer went out (idle), as the pedal's flash writes lag too;
    // a failure is reported to the next request on the file.
    m_behind.handle = handle;
    m_behind.data = std::move(data);
    return success(serial);
}

QByteArray SPedalDevice::fileSeek(quint32 serial, SPedalWireReader& in)
{
    const quint64 handle = in.u64();
    const qint64 offset = qint64(in.u64());
    const quint8 origin = in.u8();
    if (!in.ok())
        return failure(serial, QStringLiteral("Malformed request"));
    QFile* file = m_fs.file(handle);
    if (!file)
        return failure(serial, QStringLiteral("Invalid handle"));
    QString error;
    if (takeWriteError(handle, &error))
        return failure(serial, error);
    qint64 target = offset;
    if (origin == 1)
        target += file->pos();
    else if (origin == 2)
        target += file->size();
    else if (origin != 0)
        return failure(serial, QStringLiteral("Invalid origin"));
    if (target < 0 || !file->seek(target))
        return failure(serial, QStringLiteral("Invalid offset"));
    return success(serial);
}

QByteArray SPedalDevice::fileClose(quint32 serial, SPedalWireReader& in)
{
    const quint64 handle = in.u64();
    if (!in.ok())
        return failure(serial, QStringLiteral("Malformed request"));
    QString error;
    const bool failed = takeWriteError(handle, &error);
    if (!m_fs.close(handle))
        return failure(serial, QStringLiteral("Invalid handle"));
    return failed ? failure(serial, error) : success(serial);
}

QByteArray SPedalDevice::folderContents(quint32 serial, SPedalWireReader& in)
{
    const QString path = in.string();
    SPedalFileSystem::stResolved where;
    if (const QByteArray refusal = refusePath(serial, in, path, &where); !refusal.isEmpty())
        return refusal;
    QStringList files;
    QStringList folders = where.virtualChildren;
    if (!where.virtualFolder) {
        const QDir dir(where.hostPath);
        if (!QFileInfo(where.hostPath).isDir())
            return failure(serial, QStringLiteral("No such folder"));
        files = dir.entryList(QDir::Files, QDir::Name);
        folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    SPedalWireWriter out(E_FOLDER_CONTENTS_RESPONSE, serial);
    out.u32(quint32(files.size()));
    for (const QString& name : files)
        out.string(name);
    out.u32(quint32(folders.size()));
    for (const QString& name : folders)
        out.string(name);
    if (out.payloadSize() > maxPayload)
        return failure(serial, QStringLiteral("Folder too large"));
    return out.message();
}

bool SPedalDevice::intProperty(quint16 id, quint32* value) const
{
    const bool external = !m_config.externalDir.isEmpty();
    // Free space is what the folders really hold against the configured capacity.
    const auto freeOf = [](quint32 capacity, const QString& dir) {
        const quint32 used = kib(SPedalFileSystem::usedBytes(dir));
        return capacity > used ? capacity - used : 0u;
    };
    switch (id) {
    case propertyExternalMemory:
        *value = external ? 1 : 0;
        return true;
    case propertyChannels:
        *value = m_config.channelCount();
        return true;
    case propertyInternalFree:
        *value = freeOf(m_config.internalCapacityKiB, m_config.internalDir);
        return true;
    case propertyInternalCapacity:
        *value = m_config.internalCapacityKiB;
        return true;
    case propertyExternalFree:
        *value = external ? freeOf(m_config.externalCapacityKiB, m_config.externalDir) : 0;
        return true;
    case propertyExternalCapacity:
        *value = external ? m_config.externalCapacityKiB : 0;
        return true;
    case property15:
        *value = m_config.property15;
        return true;
    default:
        return false;
    }
}

QList<quint16> SPedalDevice::intPropertyIds()
{
    return {propertyExternalMemory,     propertyChannels, propertyInternalFree, propertyInternalCapacity,
            propertyExternalFree, propertyExternalCapacity, property15};
}

QMap<quint16, QString> SPedalDevice::stringProperties() const
{
    QMap<quint16, QString> values{{propertyInternalRoot, QLatin1String(SPedalConfig::internalRoot)}};
    if (!m_config.externalDir.isEmpty())
        values.insert(propertyExternalRoot, QLatin1String(SPedalConfig::externalRoot));
    return values;
}

QByteArray SPedalDevice::getProperties(quint32 serial, SPedalWireReader& in)
{
    const int count = qint8(in.u8());
    QList<quint16> ids;
    for (int i = 0; i < count; ++i)
        ids.append(in.u16());
    if (!in.ok() || count < 0)
        return failure(serial, QStringLiteral("Malformed request"));
    const QMap<quint16, QString> strings = stringProperties();
    QList<QPair<quint16, quint32>> intValues;
    QList<quint16> stringIds;
    for (quint16 id : ids.isEmpty() ? intPropertyIds() + strings.keys() : ids) {
        quint32 value = 0;
        if (intProperty(id, &value))
            intValues.append({id, value});
        else if (strings.contains(id))
            stringIds.append(id);
    }
    SPedalWireWriter out(E_GET_PROPERTIES_RESPONSE, serial);
    out.u16(quint16(intValues.size()));
    for (const auto& [id, value] : intValues)
        out.u16(id).u32(value);
    out.u16(quint16(stringIds.size()));
    for (quint16 id : stringIds)
        out.u16(id).string(strings.value(id));
    return out.message();
}

QByteArray SPedalDevice::issueCommand(quint32 serial, SPedalWireReader& in)
{
    const quint16 command = in.u16();
    in.u64(); // argument
    if (!in.ok())
        return failure(serial, QStringLiteral("Malformed request"));
    {
        QMutexLocker lock(&m_statsLock);
        ++m_stats.commands[command];
    }
    return success(serial);
}

QByteArray SPedalDevice::getProperty(quint32 serial, SPedalWireReader& in)
{
    const int count = qint8(in.u8());
    for (int i = 0; i < count; ++i)
        in.u16(); // selectors
    const quint16 id = in.u16();
    if (!in.ok() || count < 0)
        return failure(serial, QStringLiteral("Malformed request"));
    SPedalWireWriter out(E_GET_PROPERTY_RESPONSE, serial);
    if (isStringProperty(id)) {
        const QMap<quint16, QString> strings = stringProperties();
        if (!strings.contains(id))
            return failure(serial, QStringLiteral("Unknown property %1").arg(id));
        return out.u16(id).string(strings.value(id)).message();
    }
    quint32 value = 0;
    if (!intProperty(id, &value))
        return failure(serial, QStringLiteral("Unknown property %1").arg(id));
    return out.u16(id).u32(value).message();
}
