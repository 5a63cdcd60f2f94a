#include "device/sdevicehandler.h"

#include "core/sglobals.h"
#include "core/slog.h"
#include "device/sloopdocuments.h"
#include "device/sportdiscovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QRegularExpression>

#include <algorithm>

namespace {
SDeviceHandler*& singleton()
{
    static SDeviceHandler* handler = nullptr;
    return handler;
}

QString errorName(QSerialPort::SerialPortError error)
{
    return QString::fromLatin1(QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error));
}

QString workingPath(const QString& name)
{
    return SGlobals::workingFolder() + QDir::separator() + name;
}

QString memoryWord(bool internal)
{
    return internal ? QStringLiteral("Internal") : QStringLiteral("External");
}
} // namespace

SDeviceHandler::SDeviceHandler() : m_discovery(SPortDiscovery::create()) {}

SDeviceHandler::~SDeviceHandler()
{
    closePort();
    if (singleton() == this)
        singleton() = nullptr;
}

SDeviceHandler* SDeviceHandler::instance()
{
    if (!singleton())
        singleton() = new SDeviceHandler;
    return singleton();
}

void SDeviceHandler::destroyInstance()
{
    delete singleton();
}

void SDeviceHandler::setPortDiscovery(std::unique_ptr<SPortDiscovery> discovery)
{
    m_discovery = std::move(discovery);
}

void SDeviceHandler::closePort()
{
    if (m_port) {
        m_port->close();
        delete m_port.data();
    }
    m_port = nullptr;
}

void SDeviceHandler::disconnect()
{
    closePort();
    m_internalCache.reset();
    m_externalCache.reset();
}

QSerialPort* SDeviceHandler::detectDevice(bool checkOnly, stDeviceData* out)
{
    const QStringList ports = m_discovery ? m_discovery->matchingPorts() : QStringList();
    const int n = int(ports.size());
    if (n == 0) {
        m_lastCount = 0;
        disconnect();
        return nullptr;
    }
    if (n < m_lastCount) {
        // A matching port went away: only the one in use matters.
        const bool ours = ports.first() == m_lastPortName;
        m_lastCount = n;
        if (!ours) {
            disconnect();
            return nullptr;
        }
    } else {
        m_lastCount = n;
    }

    if (checkOnly) {
        int external = 0;
        if (m_client.getIntProperty({}, E_PROP_HAS_EXTERNAL, &external) == 0) {
            out->hasExternalMemory = external == 1;
            if (out->hasExternalMemory != m_lastExternal) {
                // A card came or went: report the pedal afresh at the next poll.
                m_lastExternal = false;
                m_lastCount = 0;
                disconnect();
                return nullptr;
            }
        }
        stDeviceInfo info;
        if (m_client.whoAmI(info) == 0)
            return m_port;
        m_lastCount = 0;
        disconnect();
        return nullptr;
    }

    out->portName = ports.first();
    if (!m_port) {
        m_lastPortName = ports.first();
        auto* port = new QSerialPort(ports.first());
        if (!port->open(QIODevice::ReadWrite)) {
            SLOG_PLAIN("ERROR in opening the port: %s", qUtf8Printable(errorName(port->error())));
            delete port;
            return nullptr;
        }
        port->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
        port->setDataBits(QSerialPort::Data8);
        port->setParity(QSerialPort::NoParity);
        port->setStopBits(QSerialPort::OneStop);
        port->setFlowControl(QSerialPort::HardwareControl);
        m_port = port;
    }
    m_client.attachPort(m_port);
    int status = 0;
    m_client.getIntProperty({}, E_PROP_STATUS, &status);

    stDeviceInfo info;
    if (m_client.whoAmI(info) != 0) {
        m_lastCount = 0;
        disconnect();
        return nullptr;
    }
    int external = 0;
    const bool hasExternal = m_client.getIntProperty({}, E_PROP_HAS_EXTERNAL, &external) == 0 && external == 1;
    out->hasExternalMemory = hasExternal;
    m_lastExternal = hasExternal;
    out->portName = ports.first();
    out->name = info.name;
    return m_port;
}

void SDeviceHandler::readMemoryStatus(stDeviceData* out)
{
    int status = 0;
    m_client.getIntProperty({}, E_PROP_STATUS, &status);
    int freeInt = 0, capInt = 0, freeExt = 0, capExt = 0;
    m_client.getIntProperty({}, E_PROP_FREE_INTERNAL, &freeInt);
    m_client.getIntProperty({}, E_PROP_CAPACITY_INTERNAL, &capInt);
    m_client.getIntProperty({}, E_PROP_FREE_EXTERNAL, &freeExt);
    m_client.getIntProperty({}, E_PROP_CAPACITY_EXTERNAL, &capExt);
    const int fi = std::max(freeInt, 0);
    const int fe = std::max(freeExt, 0);
    out->freeInternal = fi / 1024;
    out->usedInternal = (capInt - fi) / 1024;
    out->freeExternal = fe / 1024;
    out->usedExternal = (capExt - fe) / 1024;
}

void SDeviceHandler::queryMemoryStatus(int* freeInternal, int* usedInternal, int* freeExternal, int* usedExternal)
{
    int values[4] = {0, 0, 0, 0};
    const quint16 ids[4] = {E_PROP_FREE_INTERNAL, E_PROP_CAPACITY_INTERNAL, E_PROP_FREE_EXTERNAL,
                            E_PROP_CAPACITY_EXTERNAL};
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i)
        ok = m_client.getIntProperty({}, ids[i], &values[i]) == 0;
    if (!ok)
        std::fill(std::begin(values), std::end(values), 0);
    const int fe = std::max(values[2], 0);
    const int capExt = std::max(values[3], 0);
    *freeInternal = values[0] / 1024;
    *usedInternal = (values[1] - values[0]) / 1024;
    *freeExternal = fe / 1024;
    *usedExternal = (capExt - fe) / 1024;
}

void SDeviceHandler::synchronize()
{
    if (m_synchronizeHandler)
        m_synchronizeHandler(m_internalCache.get(), m_externalCache.get());
}

bool SDeviceHandler::readInternalMemory(stDeviceData& device, ProgressCallback callback)
{
    SLOG_SCOPE();
    return readMemory(device, true, callback);
}

bool SDeviceHandler::readExternalMemory(stDeviceData& device, ProgressCallback callback)
{
    SLOG_SCOPE();
    return readMemory(device, false, callback);
}

bool SDeviceHandler::readMemory(stDeviceData& device, bool internal, ProgressCallback callback)
{
    if (!m_port)
        return false;
    readMemoryStatus(&device);
    device.loops.clear();
    bool result = false;
    QMap<int, int> ints;
    QMap<int, QString> strings;
    if (m_client.getProperties({}, &ints, &strings) == 0) {
        const QString root = strings.value(internal ? E_PROP_INTERNAL_ROOT : E_PROP_EXTERNAL_ROOT);
        QStringList files;
        QStringList folders;
        if (m_client.listRemoteFolder(root, &files, &folders) == 0)
            result = readLoops(folders, root, device, callback);
    }
    cache(internal) = std::make_unique<stDeviceData>(device);
    return result;
}

bool SDeviceHandler::readLoops(QStringList names, const QString& root, stDeviceData& device,
                               ProgressCallback callback)
{
    if (names.isEmpty())
        return false;
    std::sort(names.begin(), names.end());
    const QString stagedPatch = workingPath(QStringLiteral("temp.xml"));
    const QString stagedPhrase = workingPath(QStringLiteral("phrase.xml"));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        const QString folder = root + QLatin1Char('/') + name;
        const QString audio = folder + QStringLiteral("/PhraseA/phrase.wav");
        const QString phrase = folder + QStringLiteral("/PhraseA/phrase.xml");
        QString patch = folder + QStringLiteral("/patch.xml");
        patch.replace(QStringLiteral("//"), QStringLiteral("/"));

        float seconds = 0.0f;
        if (m_client.remoteWaveLength(audio, &seconds) != 0)
            seconds = 0.0f;

        QFile::remove(stagedPatch);
        int read = downloadFile(patch, stagedPatch, nullptr);
        if (read != 0) {
            SLOG_PLAIN("Read remote file error: %d", read);
            continue;
        }
        QFile::remove(stagedPhrase);
        read = downloadFile(phrase, stagedPhrase, callback);
        if (read != 0) {
            SLOG_PLAIN("Read remote file error: %d", read);
            continue;
        }

        // "Patch07" -> "Loop_07" -> 7; any other folder name gives slot 0.
        QString slotName = name;
        slotName.replace(QStringLiteral("Patch"), QStringLiteral("Loop_"));
        const qsizetype underscore = slotName.indexOf(QLatin1Char('_'));
        const quint32 slot = underscore < 0 ? 0 : slotName.mid(underscore + 1).toUInt();

        stLoop loop;
        loop.length = seconds;
        loop.loopNumber = slot;
        loop.filePath = audio;
        SLOG_PLAIN("Loop %u: %f s, %s", slot, double(seconds), qUtf8Printable(audio));
        SLoopDocuments::readPatchDocument(stagedPatch, loop);
        SLoopDocuments::readPhraseDocument(stagedPhrase, loop);
        device.loops.append(loop);
        if (callback)
            callback(int(i * 100 / names.size()), "");
    }
    return true;
}

QString SDeviceHandler::memoryRoot(bool internal)
{
    QString root;
    if (m_client.getStringProperty({}, internal ? E_PROP_INTERNAL_ROOT : E_PROP_EXTERNAL_ROOT, &root) != 0)
        root.clear();
    return root;
}

QString SDeviceHandler::uniqueStagingName(const QString& name, const QString& memoryWord)
{
    const QStringList existing =
        QDir(workingPath(memoryWord)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const QString prefix = name.left(digits);
    const long long number = name.mid(digits).toLongLong();
    for (long long candidate = number + 1;; ++candidate) {
        const QString attempt = prefix + QStringLiteral("%1").arg(candidate, 2, 10, QLatin1Char('0'));
        if (!existing.contains(attempt))
            return attempt;
    }
}

bool SDeviceHandler::writeLoop(stDeviceData* device, QString* stagedAudioPath, QString* devicePath,
                               ProgressCallback callback)
{
    SLOG_SCOPE();
    if (!device)
        return false;
    const QString root = memoryRoot(device->isInternal);
    const QString word = memoryWord(device->isInternal);
    QString staging = workingPath(word) + QDir::separator() + QStringLiteral("Loop_");
    if (device->loops.isEmpty()) {
        *devicePath = root;
        return false;
    }
    stLoop loop = device->loops.first();
    const QString nn = SLoopDocuments::slotNumberText(loop.loopNumber);
    staging += nn;
    if (QFileInfo::exists(staging) && !QDir(staging).removeRecursively())
        staging = workingPath(word) + QDir::separator() + uniqueStagingName(QStringLiteral("Loop_") + nn, word);

    const QString phraseFolder = staging + QDir::separator() + QStringLiteral("PhraseA");
    if (!QDir().mkpath(phraseFolder))
        return false;

    // Never upload a slot without its audio: the pedal would hold an empty loop.
    if (!QFileInfo::exists(loop.filePath)) {
        SLOG_WARN("Loop File not found!");
        return false;
    }
    const QString target = phraseFolder + QDir::separator() + QStringLiteral("phrase.wav");
    QFile::remove(target);
    if (!QFile::copy(loop.filePath, target)) {
        SLOG_WARN("Cannot copy Loop File to temp loaction!");
        return false;
    }
    *stagedAudioPath = target;
    if (!SLoopDocuments::writePatchDocument(*device, loop, staging) ||
        !SLoopDocuments::writePhraseDocument(*device, loop, phraseFolder))
        return false;

    QString remote = root;
    if (loop.loopNumber != 0) {
        remote = root + QStringLiteral("Patch") + nn;
        m_client.issueCommand(AmbermeshClient::commandBeginChange, 0);
        const int uploaded = m_client.putFolder(staging, remote, callback);
        m_client.issueCommand(AmbermeshClient::commandEndChange, 0);
        if (uploaded != 0)
            return false;
        remote += QStringLiteral("/PhraseA/phrase.wav");
    }
    loop.filePath = remote;
    cacheLoop(loop, device->isInternal);
    *devicePath = remote;
    return true;
}

bool SDeviceHandler::uploadDocument(const QString& local, const QString& remote, ProgressCallback callback)
{
    return updateFile(local, remote, callback) == 0;
}

bool SDeviceHandler::writePatchFile(const stDeviceData& device, const stLoop& loop, QString& folder,
                                    ProgressCallback callback)
{
    SLOG_SCOPE();
    if (folder.isEmpty()) {
        folder = workingPath(QStringLiteral("Patch"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    if (!SLoopDocuments::writePatchDocument(device, loop, folder) || loop.loopNumber == 0)
        return false;
    cacheLoop(loop, device.isInternal);
    folder = folder + QDir::separator() + QStringLiteral("patch.xml");
    const QString remote = memoryRoot(device.isInternal) + QStringLiteral("Patch") +
                           SLoopDocuments::slotNumberText(loop.loopNumber) + QStringLiteral("/patch.xml");
    return uploadDocument(folder, remote, callback);
}

bool SDeviceHandler::writePhraseFile(const stDeviceData& device, const stLoop& loop, QString& folder,
                                     ProgressCallback callback)
{
    SLOG_SCOPE();
    if (folder.isEmpty()) {
        folder = workingPath(QStringLiteral("PhraseA"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    if (!SLoopDocuments::writePhraseDocument(device, loop, folder) || loop.loopNumber == 0)
        return false;
    cacheLoop(loop, device.isInternal);
    folder = folder + QDir::separator() + QStringLiteral("phrase.xml");
    const QString remote = memoryRoot(device.isInternal) + QStringLiteral("Patch") +
                           SLoopDocuments::slotNumberText(loop.loopNumber) + QStringLiteral("/PhraseA/phrase.xml");
    return uploadDocument(folder, remote, callback);
}

int SDeviceHandler::deleteLoop(const QString& deviceFolder, int loopNumber, bool internal)
{
    const int result = m_client.deleteRemoteEntry(deviceFolder);
    if (result == 0)
        uncacheLoop(loopNumber, internal);
    return result;
}

void SDeviceHandler::cacheLoop(const stLoop& loop, bool internal)
{
    stDeviceData* memory = cache(internal).get();
    if (!memory)
        return;
    for (stLoop& cached : memory->loops) {
        if (cached.loopNumber == loop.loopNumber) {
            cached = loop;
            return;
        }
    }
    memory->loops.append(loop);
}

void SDeviceHandler::uncacheLoop(int loopNumber, bool internal)
{
    stDeviceData* memory = cache(internal).get();
    if (!memory)
        return;
    for (qsizetype i = 0; i < memory->loops.size(); ++i) {
        if (int(memory->loops.at(i).loopNumber) == loopNumber) {
            memory->loops.removeAt(i);
            return;
        }
    }
}

int SDeviceHandler::downloadFile(const QString& remotePath, const QString& localPath, ProgressCallback callback)
{
    if (QFileInfo::exists(localPath))
        QFile::remove(localPath);
    QDir().mkpath(QFileInfo(localPath).absolutePath());
    return m_client.getFile(remotePath, localPath, callback);
}

int SDeviceHandler::updateFile(const QString& localPath, const QString& remotePath, ProgressCallback callback)
{
    m_client.issueCommand(AmbermeshClient::commandBeginChange, 0);
    const int result = m_client.putFile(localPath, remotePath, callback);
    m_client.issueCommand(AmbermeshClient::commandEndChange, 0);
    return result;
}
