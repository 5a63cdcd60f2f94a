#include "scli.h"

#include "audio/saudiofileoperations.h"
#include "core/sglobals.h"
#include "device/sdevicehandler.h"
#include "device/sloopdocuments.h"
#include "device/sportdiscovery.h"
#include "device/svirtualportdiscovery.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtEndian>

namespace {
const QString kManifest = QStringLiteral("manifest.json");

// Progress of long transfers, on standard error.
bool printProgress(int percent, const char*)
{
    static int last = -1;
    if (percent != last) {
        last = percent;
        fprintf(stderr, "\r%3d%%", percent);
        if (percent >= 100)
            fputc('\n', stderr);
        fflush(stderr);
    }
    return true;
}

bool printAudioProgress(int percent)
{
    return printProgress(percent, "");
}

QString audioError(int code)
{
    switch (code) {
    case SAudioFileOperations::E_RESULT_SOURCE_MISSING:
        return QStringLiteral("the source file does not exist");
    case SAudioFileOperations::E_RESULT_NO_READER:
        return QStringLiteral("the source file is not audio that can be read");
    case SAudioFileOperations::E_RESULT_NO_OUTPUT_STREAM:
        return QStringLiteral("the output file cannot be written");
    case SAudioFileOperations::E_RESULT_NO_FORMAT:
        return QStringLiteral("the output format is not supported");
    case SAudioFileOperations::E_RESULT_CANCELLED:
        return QStringLiteral("cancelled");
    default:
        return QStringLiteral("failed (%1)").arg(code);
    }
}

// A folder or file name from the pedal that is safe to use below a local folder.
bool isSafeName(const QString& name)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9 ._-]{0,127}$"));
    return safe.match(name).hasMatch() && name != QStringLiteral("..");
}

// Canonical 44-byte WAV in the pedal's format: PCM, 16-bit, 44100 Hz, mono or stereo.
bool isDeviceFormat(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    const QByteArray h = file.read(44);
    if (h.size() < 44 || !h.startsWith("RIFF") || h.mid(8, 8) != "WAVEfmt ") {
        *why = QStringLiteral("not a WAV file");
        return false;
    }
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(h.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(h.constData() + at); };
    if (u16(20) != 1 || u16(34) != 16 || u32(24) != 44100 || (u16(22) != 1 && u16(22) != 2) ||
        h.mid(36, 4) != "data") {
        *why = QStringLiteral("not in the pedal's format (PCM 16-bit 44100 Hz WAV with a 44-byte header)");
        return false;
    }
    return true;
}
} // namespace

SCli::SCli(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

QString SCli::usage()
{
    return QStringLiteral(
        "usage: spoolbox-cli [--port PATH] [--memory internal|external] COMMAND\n"
        "  info                 identity, properties and memory figures\n"
        "  list internal|external [--json]\n"
        "                       slot, name, length, tempo, rhythm, stop mode and ids of every loop\n"
        "  pull SLOT FILE       copy a slot's audio to FILE\n"
        "  push WAV SLOT        write a WAV (in the pedal's format) into a slot\n"
        "  remove SLOT          delete a slot\n"
        "  backup DIR           both memories, every slot folder, plus a manifest\n"
        "  restore DIR          write a backup's slot folders back to the pedal\n"
        "  convert IN OUT [--model NAME]\n"
        "                       convert to the pedal's format (mono for \"Ostino Alto\")\n"
        "  level IN OUT --normalize|--attenuate 3|6\n"
        "  multiply IN OUT --times N   N copies joined with short fades (2 to 8)\n"
        "push converts files that are not in the pedal's format before uploading.\n");
}

int SCli::fail(const QString& message)
{
    m_err << "spoolbox-cli: " << message << '\n';
    m_err.flush();
    return 1;
}

int SCli::run(const QStringList& arguments)
{
    QStringList args = arguments;
    bool json = false;
    bool normalize = false;
    QString model = QStringLiteral("Ostino Alto HD");
    int attenuateBy = 0;
    int times = 0;
    for (qsizetype i = 0; i < args.size();) {
        const QString a = args.at(i);
        if ((a == QLatin1String("--model") || a == QLatin1String("--attenuate") || a == QLatin1String("--times")) &&
            i + 1 < args.size()) {
            const QString value = args.at(i + 1);
            if (a == QLatin1String("--model"))
                model = value;
            else if (a == QLatin1String("--attenuate"))
                attenuateBy = value.toInt();
            else
                times = value.toInt();
            args.remove(i, 2);
        } else if (a == QLatin1String("--normalize")) {
            normalize = true;
            args.removeAt(i);
        } else if ((a == QLatin1String("--port") || a == QLatin1String("--memory")) && i + 1 < args.size()) {
            const QString value = args.at(i + 1);
            if (a == QLatin1String("--port")) {
                m_port = value;
            } else if (value == QLatin1String("internal") || value == QLatin1String("external")) {
                m_internal = value == QLatin1String("internal");
            } else {
                m_err << usage();
                return 2;
            }
            args.remove(i, 2);
        } else if (a == QLatin1String("--json")) {
            json = true;
            args.removeAt(i);
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            m_out << usage();
            return 0;
        } else {
            ++i;
        }
    }
    if (args.isEmpty()) {
        m_err << usage();
        return 2;
    }
    const QString command = args.takeFirst();
    auto slotArgument = [&](const QString& text, int* slot) {
        bool ok = false;
        *slot = text.toInt(&ok);
        return ok && *slot > 0 && *slot <= 200;
    };
    int slot = 0;
    const bool known = (command == QLatin1String("info") && args.isEmpty()) ||
                       (command == QLatin1String("list") && args.size() == 1 &&
                        (args.at(0) == QLatin1String("internal") || args.at(0) == QLatin1String("external"))) ||
                       (command == QLatin1String("pull") && args.size() == 2 && slotArgument(args.at(0), &slot)) ||
                       (command == QLatin1String("push") && args.size() == 2 && slotArgument(args.at(1), &slot)) ||
                       (command == QLatin1String("remove") && args.size() == 1 && slotArgument(args.at(0), &slot)) ||
                       ((command == QLatin1String("backup") || command == QLatin1String("restore")) &&
                        args.size() == 1);
    const bool audioCommand = args.size() == 2 &&
                              ((command == QLatin1String("convert")) ||
                               (command == QLatin1String("level") &&
                                (normalize != (attenuateBy == 3 || attenuateBy == 6))) ||
                               (command == QLatin1String("multiply") && times >= 2 && times <= 8));
    if (!known && !audioCommand) {
        m_err << usage();
        return 2;
    }
    SGlobals::prepareWorkingFolder();
    if (audioCommand) {
        // The audio commands work on files alone; no pedal needed.
        int result = 1;
        if (command == QLatin1String("convert"))
            result = convert(args.at(0), args.at(1), model);
        else if (command == QLatin1String("level"))
            result = level(args.at(0), args.at(1), !normalize, normalize ? -0.3f : -float(attenuateBy));
        else
            result = multiply(args.at(0), args.at(1), times);
        SGlobals::removeWorkingFolder();
        return result;
    }
    if (!connectPedal())
        return fail(QStringLiteral("no pedal found") + (m_port.isEmpty() ? QString() : QStringLiteral(" on ") + m_port));
    int result = 1;
    if (command == QLatin1String("info"))
        result = info();
    else if (command == QLatin1String("list"))
        result = list(args.at(0), json);
    else if (command == QLatin1String("pull"))
        result = pull(slot, args.at(1));
    else if (command == QLatin1String("push"))
        result = push(args.at(0), slot);
    else if (command == QLatin1String("remove"))
        result = remove(slot);
    else if (command == QLatin1String("backup"))
        result = backup(args.at(0));
    else if (command == QLatin1String("restore"))
        result = restore(args.at(0));
    m_handler->closePort();
    SGlobals::removeWorkingFolder();
    return result;
}

bool SCli::connectPedal()
{
    m_handler = SDeviceHandler::instance();
    if (!m_port.isEmpty())
        m_handler->setPortDiscovery(std::make_unique<SVirtualPortDiscovery>(QStringList {m_port}));
    stDeviceData record;
    return m_handler->detectDevice(false, &record) != nullptr;
}

QString SCli::root(bool internal)
{
    QString value;
    m_handler->client().getStringProperty(
        {}, internal ? SDeviceHandler::E_PROP_INTERNAL_ROOT : SDeviceHandler::E_PROP_EXTERNAL_ROOT, &value);
    return value;
}

QString SCli::slotFolder(bool internal, int slot)
{
    return root(internal) + QStringLiteral("Patch") + SLoopDocuments::slotNumberText(quint32(slot));
}

bool SCli::readMemory(bool internal, stDeviceData& data)
{
    return internal ? m_handler->readInternalMemory(data, nullptr) : m_handler->readExternalMemory(data, nullptr);
}

int SCli::info()
{
    stDeviceInfo identity;
    if (m_handler->client().whoAmI(identity) != 0)
        return fail(QStringLiteral("the pedal did not say who it is"));
    QMap<int, int> ints;
    QMap<int, QString> strings;
    m_handler->client().getProperties({}, &ints, &strings);
    stDeviceData figures;
    m_handler->readMemoryStatus(&figures);
    m_out << "Name: " << identity.name << '\n'
          << "Port: " << m_handler->port()->portName() << '\n'
          << "Family id: " << identity.familyId << '\n'
          << "Device id: " << identity.deviceId << '\n'
          << "Protocol version: " << identity.protocolVersion << '\n'
          << "Firmware version: " << identity.firmwareVersion << '\n'
          << "GUID: " << identity.guid << '\n'
          << "Internal memory: " << figures.usedInternal << " MiB used, " << figures.freeInternal << " MiB free\n"
          << "External memory: "
          << (ints.value(SDeviceHandler::E_PROP_HAS_EXTERNAL) == 1
                  ? QStringLiteral("%1 MiB used, %2 MiB free").arg(figures.usedExternal).arg(figures.freeExternal)
                  : QStringLiteral("none"))
          << '\n';
    for (auto it = ints.cbegin(); it != ints.cend(); ++it)
        m_out << QStringLiteral("Property 0x%1: %2\n").arg(it.key(), 4, 16, QLatin1Char('0')).arg(it.value());
    for (auto it = strings.cbegin(); it != strings.cend(); ++it)
        m_out << QStringLiteral("Property 0x%1: \"%2\"\n").arg(it.key(), 4, 16, QLatin1Char('0')).arg(it.value());
    return 0;
}

int SCli::list(const QString& memory, bool json)
{
    const bool internal = memory == QLatin1String("internal");
    stDeviceData data;
    if (!readMemory(internal, data) && data.loops.isEmpty()) {
        if (json)
            m_out << "[]\n";
        return 0; // an empty memory is not an error
    }
    if (json) {
        QJsonArray loops;
        for (const stLoop& loop : std::as_const(data.loops)) {
            loops.append(QJsonObject {{QStringLiteral("slot"), int(loop.loopNumber)},
                                      {QStringLiteral("name"), loop.name},
                                      {QStringLiteral("length"), double(loop.length)},
                                      {QStringLiteral("tempo"), double(loop.beatsPerMinute)},
                                      {QStringLiteral("beatsPerMeasure"), int(loop.beatsPerMeasure)},
                                      {QStringLiteral("rhythm"), loop.rhythmType},
                                      {QStringLiteral("stopMode"), loop.stopMode},
                                      {QStringLiteral("patchId"), loop.patchId},
                                      {QStringLiteral("phraseId"), loop.phraseId},
                                      {QStringLiteral("originId"), loop.originId}});
        }
        m_out << QJsonDocument(loops).toJson(QJsonDocument::Indented);
        return 0;
    }
    m_out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
                 .arg(QStringLiteral("Slot"), -4)
                 .arg(QStringLiteral("Name"), -30)
                 .arg(QStringLiteral("Length"), 8)
                 .arg(QStringLiteral("Tempo"), 6)
                 .arg(QStringLiteral("Rhythm"), -22)
                 .arg(QStringLiteral("Stop mode"), -15)
                 .arg(QStringLiteral("Patch id"));
    for (const stLoop& loop : std::as_const(data.loops)) {
        m_out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
                     .arg(loop.loopNumber, 4)
                     .arg(loop.name.left(30), -30)
                     .arg(QString::number(double(loop.length), 'f', 2), 8)
                     .arg(SLoopDocuments::formatNumber(double(loop.beatsPerMinute)), 6)
                     .arg(loop.rhythmType, -22)
                     .arg(loop.stopMode, -15)
                     .arg(loop.patchId);
    }
    return 0;
}

int SCli::pull(int slot, const QString& file)
{
    const QString remote = slotFolder(m_internal, slot) + QStringLiteral("/PhraseA/phrase.wav");
    // The client writes aside and renames: a failed pull leaves no file behind.
    if (m_handler->downloadFile(remote, file, &printProgress) != 0)
        return fail(QStringLiteral("cannot read slot %1").arg(slot));
    return 0;
}

int SCli::push(const QString& file, int slot)
{
    stDeviceInfo identity;
    m_handler->client().whoAmI(identity);
    QString converted;
    const int code =
        SAudioFileOperations::convertToDeviceFormat(file, converted, SAudioFileOperations::isMonoModel(identity.name));
    if (code != SAudioFileOperations::E_RESULT_SUCCESS)
        return fail(QStringLiteral("%1: %2").arg(file, audioError(code)));
    const QString upload = converted.isEmpty() ? file : converted;
    QString why;
    if (!isDeviceFormat(upload, &why))
        return fail(QStringLiteral("%1: %2").arg(file, why));
    stDeviceData device;
    device.name = identity.name;
    device.isInternal = m_internal;
    stLoop loop;
    loop.name = QFileInfo(file).completeBaseName().left(30);
    loop.filePath = upload;
    loop.loopNumber = quint32(slot);
    loop.loop = true;
    loop.beatsPerMeasure = 4;
    device.loops.append(loop);
    QString staged;
    QString remote;
    if (!m_handler->writeLoop(&device, &staged, &remote, &printProgress))
        return fail(QStringLiteral("cannot write slot %1").arg(slot));
    m_out << remote << '\n';
    return 0;
}

int SCli::remove(int slot)
{
    AmbermeshClient& client = m_handler->client();
    client.issueCommand(AmbermeshClient::commandBeginChange, 0);
    const int result = m_handler->deleteLoop(slotFolder(m_internal, slot), slot, m_internal);
    client.issueCommand(AmbermeshClient::commandEndChange, 0);
    return result == 0 ? 0 : fail(QStringLiteral("cannot delete slot %1").arg(slot));
}

bool SCli::fetchFolder(const QString& remote, const QString& local)
{
    QStringList files;
    QStringList folders;
    if (m_handler->client().listRemoteFolder(remote, &files, &folders) != 0 || !QDir().mkpath(local))
        return false;
    for (const QString& name : std::as_const(files)) {
        if (!isSafeName(name))
            return false;
        if (m_handler->downloadFile(remote + QLatin1Char('/') + name, local + QLatin1Char('/') + name, &printProgress) != 0)
            return false;
    }
    for (const QString& name : std::as_const(folders)) {
        if (!isSafeName(name) || !fetchFolder(remote + QLatin1Char('/') + name, local + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

int SCli::backup(const QString& folder)
{
    if (QFileInfo::exists(folder))
        return fail(QStringLiteral("%1 exists already").arg(folder));
    // Everything goes into a side folder renamed at the end: no half backup.
    const QString partial = folder + QStringLiteral(".partial");
    QDir(partial).removeRecursively();
    stDeviceInfo identity;
    m_handler->client().whoAmI(identity);
    int external = 0;
    m_handler->client().getIntProperty({}, SDeviceHandler::E_PROP_HAS_EXTERNAL, &external);

    QJsonObject manifest {{QStringLiteral("device"), identity.name},
                          {QStringLiteral("guid"), identity.guid},
                          {QStringLiteral("firmwareVersion"), int(identity.firmwareVersion)},
                          {QStringLiteral("created"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
    for (const bool internal : {true, false}) {
        if (!internal && external != 1)
            continue;
        const QString memory = internal ? QStringLiteral("internal") : QStringLiteral("external");
        const QString memoryRoot = root(internal);
        QStringList files;
        QStringList slots;
        if (m_handler->client().listRemoteFolder(memoryRoot, &files, &slots) != 0) {
            QDir(partial).removeRecursively();
            return fail(QStringLiteral("cannot list the %1 memory").arg(memory));
        }
        slots.sort();
        QJsonArray saved;
        for (const QString& name : std::as_const(slots)) {
            if (!isSafeName(name)) {
                m_err << "skipping slot folder with an unsafe name\n";
                continue;
            }
            m_err << memory << '/' << name << '\n';
            m_err.flush();
            if (!fetchFolder(memoryRoot + name, partial + QLatin1Char('/') + memory + QLatin1Char('/') + name)) {
                QDir(partial).removeRecursively();
                return fail(QStringLiteral("cannot read %1/%2").arg(memory, name));
            }
            saved.append(name);
        }
        manifest.insert(memory, saved);
    }
    QSaveFile out(partial + QLatin1Char('/') + kManifest);
    if (!QDir().mkpath(partial) || !out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(manifest).toJson()) < 0 || !out.commit() || !QDir().rename(partial, folder)) {
        QDir(partial).removeRecursively();
        return fail(QStringLiteral("cannot write the backup to %1").arg(folder));
    }
    m_out << "Backup written to " << folder << '\n';
    return 0;
}

int SCli::restore(const QString& folder)
{
    QFile file(folder + QLatin1Char('/') + kManifest);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 holds no backup manifest").arg(folder));
    const QJsonObject manifest = QJsonDocument::fromJson(file.read(1 << 20)).object();
    if (manifest.isEmpty())
        return fail(QStringLiteral("the manifest in %1 cannot be read").arg(folder));
    AmbermeshClient& client = m_handler->client();
    for (const bool internal : {true, false}) {
        const QString memory = internal ? QStringLiteral("internal") : QStringLiteral("external");
        const QJsonArray slots = manifest.value(memory).toArray();
        if (slots.isEmpty())
            continue;
        const QString memoryRoot = root(internal);
        if (memoryRoot.isEmpty())
            return fail(QStringLiteral("the pedal has no %1 memory").arg(memory));
        for (const QJsonValue& value : slots) {
            const QString name = value.toString();
            const QString local = folder + QLatin1Char('/') + memory + QLatin1Char('/') + name;
            if (!isSafeName(name) || !QFileInfo(local).isDir())
                return fail(QStringLiteral("the backup's slot %1/%2 is missing").arg(memory, name));
            m_err << memory << '/' << name << '\n';
            m_err.flush();
            client.issueCommand(AmbermeshClient::commandBeginChange, 0);
            const int result = client.putFolder(local, memoryRoot + name, &printProgress);
            client.issueCommand(AmbermeshClient::commandEndChange, 0);
            if (result != 0)
                return fail(QStringLiteral("cannot write %1/%2").arg(memory, name));
        }
    }
    m_out << "Restored " << folder << '\n';
    return 0;
}

bool SCli::place(const QString& produced, const QString& target, bool keepProduced)
{
    // Copied next to the target first, then renamed: never half a file at target.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    if (!QFile::copy(produced, partial))
        return false;
    QFile::remove(target);
    const bool placed = QFile::rename(partial, target);
    if (!placed)
        QFile::remove(partial);
    if (!keepProduced)
        QFile::remove(produced);
    return placed;
}

int SCli::convert(const QString& source, const QString& target, const QString& model)
{
    QString converted;
    const int code =
        SAudioFileOperations::convertToDeviceFormat(source, converted, SAudioFileOperations::isMonoModel(model));
    if (code != SAudioFileOperations::E_RESULT_SUCCESS)
        return fail(QStringLiteral("%1: %2").arg(source, audioError(code)));
    if (converted.isEmpty())
        m_err << source << " is in the pedal's format already\n";
    if (!place(converted.isEmpty() ? source : converted, target, converted.isEmpty()))
        return fail(QStringLiteral("cannot write %1").arg(target));
    return 0;
}

int SCli::level(const QString& source, const QString& target, bool attenuate, float decibels)
{
    const QString temporary = SAudioFileOperations::convertFolder() + QStringLiteral("/level-") +
                              QFileInfo(target).fileName();
    QDir().mkpath(SAudioFileOperations::convertFolder());
    const int code = SAudioFileOperations::level(attenuate, decibels, source, temporary, &printAudioProgress);
    if (code != SAudioFileOperations::E_RESULT_SUCCESS)
        return fail(QStringLiteral("%1: %2").arg(source, audioError(code)));
    if (!place(temporary, target, false))
        return fail(QStringLiteral("cannot write %1").arg(target));
    return 0;
}

int SCli::multiply(const QString& source, const QString& target, int times)
{
    const QString temporary = SAudioFileOperations::convertFolder() + QStringLiteral("/multiply-") +
                              QFileInfo(target).fileName();
    QDir().mkpath(SAudioFileOperations::convertFolder());
    const int code = SAudioFileOperations::copyAndAppend(source, temporary, times - 1, &printAudioProgress);
    if (code != SAudioFileOperations::E_RESULT_SUCCESS)
        return fail(QStringLiteral("%1: %2").arg(source, audioError(code)));
    if (!place(temporary, target, false))
        return fail(QStringLiteral("cannot write %1").arg(target));
    return 0;
}
