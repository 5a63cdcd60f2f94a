// spoolbox-pedalsim: a virtual pedal on a pseudo-terminal. Prints the port path
// as its first line, then serves until SIGTERM or SIGINT (or until a "vanish"
// fault closed the line).

#include "spedalsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <functional>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {
bool parseNumber(const QString& text, quint64 max, quint64* out)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 0); // decimal, 0x… hexadecimal
    if (!ok || value > max)
        return false;
    *out = value;
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("spoolbox-pedalsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Virtual looper pedal on a pseudo-terminal. Prints the port path first, then serves until terminated."));
    parser.addHelpOption();
    const QCommandLineOption internal(QStringLiteral("internal"), QStringLiteral("Folder of the internal memory."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption external(QStringLiteral("external"),
                                      QStringLiteral("Folder of the external memory (none when left out)."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption system(QStringLiteral("system"),
                                    QStringLiteral("Folder receiving firmware images (default: a temporary one)."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Model name: %1.").arg(SPedalConfig::models().join(QStringLiteral(", "))),
                                   QStringLiteral("NAME"), QStringLiteral("Ostino Alto HD"));
    const QCommandLineOption family(QStringLiteral("family-id"), QStringLiteral("Family id."), QStringLiteral("N"));
    const QCommandLineOption device(QStringLiteral("device-id"), QStringLiteral("Device id (default: the model's)."),
                                    QStringLiteral("N"));
    const QCommandLineOption protocol(QStringLiteral("protocol"), QStringLiteral("Protocol version."),
                                      QStringLiteral("N"));
    const QCommandLineOption firmware(QStringLiteral("firmware"), QStringLiteral("Firmware version, e.g. 0x0120."),
                                      QStringLiteral("N"));
    const QCommandLineOption guid(QStringLiteral("guid"), QStringLiteral("GUID text (default: from the folder)."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption internalCapacity(QStringLiteral("internal-capacity"),
                                              QStringLiteral("Internal memory capacity in KiB."), QStringLiteral("KIB"));
    const QCommandLineOption externalCapacity(QStringLiteral("external-capacity"),
                                              QStringLiteral("External memory capacity in KiB."), QStringLiteral("KIB"));
    QStringList faultNames;
    for (SPedalFault::E_MODE mode : SPedalFault::modes())
        faultNames.append(SPedalFault::name(mode));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Misbehave: %1.").arg(faultNames.join(QStringLiteral(", "))),
                                   QStringLiteral("MODE"), QStringLiteral("none"));
    const QCommandLineOption faultArg(QStringLiteral("fault-arg"),
                                      QStringLiteral("The fault's figure (milliseconds, count, bytes, index)."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption faultAfter(QStringLiteral("fault-after"),
                                        QStringLiteral("Requests answered normally before the fault starts."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption faultPattern(QStringLiteral("fault-pattern"),
                                          QStringLiteral("Device paths refused by the fail-paths fault (wildcard)."),
                                          QStringLiteral("GLOB"));
    parser.addOptions({internal, external, system, model, family, device, protocol, firmware, guid, internalCapacity,
                       externalCapacity, fault, faultArg, faultAfter, faultPattern});
    parser.process(app);

    const auto die = [](const QString& text) {
        std::fprintf(stderr, "spoolbox-pedalsim: %s\n", qUtf8Printable(text));
        return 2;
    };
    SPedalConfig config;
    config.internalDir = parser.value(internal);
    config.externalDir = parser.value(external);
    config.systemDir = parser.value(system);
    config.model = parser.value(model);
    config.guid = parser.value(guid);
    if (config.internalDir.isEmpty())
        return die(QStringLiteral("--internal DIR is required"));
    if (!SPedalConfig::models().contains(config.model))
        return die(QStringLiteral("unknown model \"%1\"").arg(config.model));
    struct Numeric
    {
        const QCommandLineOption& option;
        quint64 max;
        std::function<void(quint64)> set;
    };
    const Numeric numbers[] = {
        {family, 0xFFFF, [&](quint64 v) { config.familyId = quint16(v); }},
        {device, 0xFFFF, [&](quint64 v) { config.deviceId = int(v); }},
        {protocol, 0xFFFF, [&](quint64 v) { config.protocolVersion = quint16(v); }},
        {firmware, 0xFFFF, [&](quint64 v) { config.firmwareVersion = quint16(v); }},
        {internalCapacity, 0xFFFFFFFF, [&](quint64 v) { config.internalCapacityKiB = quint32(v); }},
        {externalCapacity, 0xFFFFFFFF, [&](quint64 v) { config.externalCapacityKiB = quint32(v); }},
    };
    for (const Numeric& n : numbers) {
        if (!parser.isSet(n.option))
            continue;
        quint64 value = 0;
        if (!parseNumber(parser.value(n.option), n.max, &value))
            return die(QStringLiteral("--%1 needs a number up to %2").arg(n.option.names().first()).arg(n.max));
        n.set(value);
    }
    SPedalFault injected;
    const int mode = SPedalFault::fromName(parser.value(fault));
    quint64 arg = 0;
    quint64 after = 0;
    if (mode < 0)
        return die(QStringLiteral("unknown fault \"%1\"").arg(parser.value(fault)));
    if (!parseNumber(parser.value(faultArg), 0x7FFFFFFF, &arg) || !parseNumber(parser.value(faultAfter), 0x7FFFFFFF, &after))
        return die(QStringLiteral("--fault-arg and --fault-after need numbers"));
    injected.mode = SPedalFault::E_MODE(mode);
    injected.arg = int(arg);
    injected.after = int(after);
    injected.pattern = parser.value(faultPattern);
    injected.seed = quint32(::getpid());

    // SIGTERM and SIGINT are taken synchronously below; the serving thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    SPedalSimulator pedal(config);
    QString error;
    if (!pedal.open(&error))
        return die(error);
    pedal.setFault(injected);
    std::printf("%s\n", qUtf8Printable(pedal.portPath()));
    std::fflush(stdout);
    if (!pedal.start())
        return die(QStringLiteral("cannot start serving"));

    const timespec tick{0, 200 * 1000 * 1000};
    while (!pedal.hasVanished()) {
        const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
        if (signal == SIGTERM || signal == SIGINT)
            break;
    }
    pedal.stop();
    return 0;
}
