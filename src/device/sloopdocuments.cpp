#include "device/sloopdocuments.h"

#include "core/slog.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUuid>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <array>
#include <cmath>
#include <optional>

namespace {
const QString kSchemaHost = QStringLiteral("http://schemas.vantorra.example");

struct RhythmWord
{
    const char* device;
    const char* display;
};
constexpr std::array<RhythmWord, 10> kRhythms {{
    {"Silence", "OFF-Silent"},
    {"WoodBlocks", "1-Wood Blocks"},
    {"Sticks", "2-Sticks"},
    {"Click", "3-Click"},
    {"AlternativeKickAndHighHat", "4-Alt. Kick & High Hat"},
    {"StudioKickAndHighHat", "5-Studio Kick & Hat"},
    {"TechnoKickAndHighHat", "6-Techno Kick & Snare"},
    {"Cowbell", "7-Cowbell"},
    {"Conga", "8-Conga"},
    {"Tambourine", "9-Tambourine"},
}};

// The integer a text starts with, as C's atoi reads it (0 when none).
long long leadingInteger(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        negative = t.at(i++) == QLatin1Char('-');
    long long value = 0;
    for (; i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128; ++i) {
        value = value * 10 + (t.at(i).unicode() - '0');
        if (value > 1'000'000'000'000LL)
            break; // far beyond any field's range; stop before overflowing
    }
    return negative ? -value : value;
}

// The number a text starts with (0 when none).
double leadingNumber(const QString& text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    char* end = nullptr;
    const double value = std::strtod(bytes.constData(), &end);
    return std::isfinite(value) ? value : 0.0;
}

QString newIdentifier()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

// Whole-file read with the checks every document from the pedal must pass.
std::optional<QString> readDocumentText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SLOG_WARN("cannot open document %s", qUtf8Printable(path));
        return std::nullopt;
    }
    if (file.size() > SLoopDocuments::maxDocumentSize) {
        SLOG_WARN("document %s is too large (%lld bytes)", qUtf8Printable(path), static_cast<long long>(file.size()));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(SLoopDocuments::maxDocumentSize + 1);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        SLOG_WARN("document %s is not UTF-8", qUtf8Printable(path));
        return std::nullopt;
    }
    return text;
}

bool sameName(QStringView a, const char* b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    // Written aside and renamed, so a failed write never leaves half a document.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        SLOG_WARN("cannot write %s: %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
        return false;
    }
    return true;
}

// XML declaration, a blank line, then the indented elements.
QByteArray withDeclaration(const QByteArray& body)
{
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n");
    out += body.trimmed();
    out += '\n';
    return out;
}

void startDocument(QXmlStreamWriter& writer)
{
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
}
} // namespace

const QString SLoopDocuments::patchNamespace = kSchemaHost + QStringLiteral("/Ostino/Patch");
const QString SLoopDocuments::phraseNamespace = kSchemaHost + QStringLiteral("/Ostino/Phrase");

QString SLoopDocuments::slotNumberText(quint32 slot)
{
    return slot < 10 ? QStringLiteral("0%1").arg(slot) : QString::number(slot);
}

QString SLoopDocuments::formatNumber(double value)
{
    return QString::asprintf("%g", value);
}

QString SLoopDocuments::rhythmDisplayText(const QString& deviceWord)
{
    for (const RhythmWord& word : kRhythms) {
        if (sameName(deviceWord, word.device))
            return QLatin1String(word.display);
    }
    return QLatin1String(kRhythms[0].display);
}

QString SLoopDocuments::rhythmDeviceWord(const QString& text)
{
    if (text.isEmpty() || sameName(text, "OFF-Silent") || sameName(text, "OFF-Silence"))
        return QLatin1String(kRhythms[0].device);
    const long long index = leadingInteger(text);
    if (index >= 0 && index <= 9)
        return QLatin1String(kRhythms[static_cast<std::size_t>(index)].device);
    return text;
}

QString SLoopDocuments::stopDeviceWord(const QString& text)
{
    if (text.startsWith(QLatin1String("StopAtEndOfLoop")) || text.startsWith(QLatin1String("Finish")))
        return QStringLiteral("StopAtEndOfLoop");
    if (text.startsWith(QLatin1String("Fade")))
        return QStringLiteral("FadeOut");
    if (text.startsWith(QLatin1String("Instant")) || text.startsWith(QLatin1String("Stop")))
        return QStringLiteral("StopInstantly");
    return text;
}

QByteArray SLoopDocuments::patchDocument(const stDeviceData& device, const stLoop& loop)
{
    QByteArray body;
    QXmlStreamWriter writer(&body);
    startDocument(writer);
    writer.writeStartElement(QStringLiteral("OstinoPatch"));
    writer.writeAttribute(QStringLiteral("device"), QString(device.name).remove(QLatin1Char(' ')));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    writer.writeAttribute(QStringLiteral("xmlns"), patchNamespace);
    writer.writeTextElement(QStringLiteral("PatchName"), loop.name);
    writer.writeTextElement(QStringLiteral("RhythmType"), rhythmDeviceWord(loop.rhythmType));
    writer.writeTextElement(QStringLiteral("StopMode"), stopDeviceWord(loop.stopMode));
    writer.writeTextElement(QStringLiteral("SettingsVersion"), QString::number(loop.settingsVersion));
    writer.writeTextElement(QStringLiteral("ID"), loop.patchId.isEmpty() ? newIdentifier() : loop.patchId);
    if (!loop.originId.isEmpty())
        writer.writeTextElement(QStringLiteral("OriginID"), loop.originId);
    writer.writeStartElement(QStringLiteral("Metadata"));
    writer.writeTextElement(QStringLiteral("Description"), loop.description);
    writer.writeTextElement(QStringLiteral("Artist"), loop.artist);
    writer.writeTextElement(QStringLiteral("Genre"), loop.genre);
    writer.writeTextElement(QStringLiteral("Rating"), formatNumber(loop.rating / 5.0));
    writer.writeTextElement(QStringLiteral("Tags"), loop.tags);
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return withDeclaration(body);
}

QByteArray SLoopDocuments::phraseDocument(const stLoop& loop)
{
    QByteArray body;
    QXmlStreamWriter writer(&body);
    startDocument(writer);
    writer.writeStartElement(QStringLiteral("OstinoPhrase"));
    writer.writeAttribute(QStringLiteral("xmlns"), phraseNamespace);
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    writer.writeTextElement(QStringLiteral("BeatsPerMinute"), formatNumber(loop.beatsPerMinute));
    writer.writeTextElement(QStringLiteral("BeatsPerMeasure"), QString::number(loop.beatsPerMeasure));
    writer.writeTextElement(QStringLiteral("IsLoop"), loop.loop ? QStringLiteral("1") : QStringLiteral("0"));
    writer.writeTextElement(QStringLiteral("IsReversed"), loop.reversed ? QStringLiteral("1") : QStringLiteral("0"));
    writer.writeTextElement(QStringLiteral("SettingsVersion"), QString::number(loop.settingsVersion));
    writer.writeTextElement(QStringLiteral("AudioVersion"), QString::number(loop.audioVersion));
    writer.writeTextElement(QStringLiteral("ID"), loop.patchId.isEmpty() ? newIdentifier() : loop.patchId);
    writer.writeEndElement();
    writer.writeEndDocument();
    return withDeclaration(body);
}

bool SLoopDocuments::writePatchDocument(const stDeviceData& device, const stLoop& loop, const QString& folder)
{
    return writeFile(folder + QLatin1Char('/') + QStringLiteral("patch.xml"), patchDocument(device, loop));
}

bool SLoopDocuments::writePhraseDocument(const stDeviceData& device, const stLoop& loop, const QString& folder)
{
    Q_UNUSED(device);
    return writeFile(folder + QLatin1Char('/') + QStringLiteral("phrase.xml"), phraseDocument(loop));
}

void SLoopDocuments::readPatchDocument(const QString& path, stLoop& loop)
{
    const std::optional<QString> text = readDocumentText(path);
    if (!text)
        return;
    QXmlStreamReader xml(*text);
    if (!xml.readNextStartElement() || !sameName(xml.name(), "OstinoPatch"))
        return;
    stLoop read = loop; // filled aside; applied only when the whole document parsed
    QString id;
    QString origin;
    bool hasId = false;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (sameName(name, "PatchName")) {
            read.name = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (read.name.isEmpty())
                read.name = QStringLiteral("Loop_") + slotNumberText(loop.loopNumber);
        } else if (sameName(name, "RhythmType")) {
            read.rhythmType = rhythmDisplayText(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (sameName(name, "StopMode")) {
            read.stopMode = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (sameName(name, "ID")) {
            id = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            hasId = true;
        } else if (sameName(name, "OriginID")) {
            origin = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (sameName(name, "Metadata")) {
            while (xml.readNextStartElement()) {
                const QStringView field = xml.name();
                const QString value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (sameName(field, "Description"))
                    read.description = value;
                else if (sameName(field, "Artist"))
                    read.artist = value;
                else if (sameName(field, "Genre"))
                    read.genre = value;
                else if (sameName(field, "Tags"))
                    read.tags = value;
                else if (sameName(field, "Rating"))
                    // A tiny allowance so that 0.6 x 5 is 3 whatever the rounding.
                    read.rating = static_cast<int>(std::floor(leadingNumber(value) * 5.0 + 1e-9));
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        SLOG_WARN("patch document %s: %s", qUtf8Printable(path), qUtf8Printable(xml.errorString()));
        return;
    }
    if (hasId) {
        read.patchId = id;
        read.originId = origin.isNull() ? id : origin;
    }
    loop = read;
}

void SLoopDocuments::readPhraseDocument(const QString& path, stLoop& loop)
{
    const std::optional<QString> text = readDocumentText(path);
    if (!text)
        return;
    QXmlStreamReader xml(*text);
    if (!xml.readNextStartElement() || !sameName(xml.name(), "OstinoPhrase"))
        return;
    stLoop read = loop;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (sameName(name, "BeatsPerMeasure"))
            read.beatsPerMeasure = static_cast<quint16>(leadingInteger(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
        else if (sameName(name, "BeatsPerMinute"))
            read.beatsPerMinute = static_cast<float>(leadingNumber(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
        else if (sameName(name, "IsReversed"))
            read.reversed = leadingInteger(xml.readElementText(QXmlStreamReader::IncludeChildElements)) != 0;
        else if (sameName(name, "IsLoop"))
            read.loop = leadingInteger(xml.readElementText(QXmlStreamReader::IncludeChildElements)) != 0;
        else if (sameName(name, "SettingsVersion"))
            read.settingsVersion = static_cast<quint16>(leadingInteger(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
        else if (sameName(name, "AudioVersion"))
            read.audioVersion = static_cast<quint16>(leadingInteger(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
        else if (sameName(name, "ID"))
            read.phraseId = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        SLOG_WARN("phrase document %s: %s", qUtf8Printable(path), qUtf8Printable(xml.errorString()));
        return;
    }
    loop = read;
}
