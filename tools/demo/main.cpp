// Demo mode: starts a virtual pedal filled with synthesised demo loops and runs
// Spoolbox HD pointed at it, so the program can be tried without a pedal.
// Usage: spoolbox-demo [--fresh]   (--fresh rebuilds the demo pedal's memories)
#include "device/sportdiscovery.h"
#include "sdemoloops.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("spoolbox-demo"));
    QTextStream err(stderr);
    const QString binDir = QCoreApplication::applicationDirPath();
    const bool fresh = app.arguments().contains(QStringLiteral("--fresh"));

    const QString base =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/spoolbox-demo-pedal");
    const QString internalRoot = base + QStringLiteral("/internal");
    const QString externalRoot = base + QStringLiteral("/external");
    const QString model = QStringLiteral("Ostino Alto HD");
    if (fresh)
        QDir(base).removeRecursively();
    if (!QDir(internalRoot).exists()) {
        err << "Creating demo loops in " << base << "\n";
        err.flush();
        if (!QDir().mkpath(internalRoot) || !QDir().mkpath(externalRoot) ||
            !SDemoLoops::populate(internalRoot, externalRoot, model)) {
            err << "cannot write the demo loops to " << base << "\n";
            QDir(base).removeRecursively();
            return 1;
        }
    }

    QProcess pedal;
    pedal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pedal.start(binDir + QStringLiteral("/spoolbox-pedalsim"),
                {QStringLiteral("--internal"), internalRoot, QStringLiteral("--external"), externalRoot,
                 QStringLiteral("--model"), model});
    if (!pedal.waitForStarted(5000)) {
        err << "cannot start the virtual pedal: " << pedal.errorString() << "\n";
        return 1;
    }
    QByteArray line;
    while (!line.contains('\n') && pedal.state() == QProcess::Running) {
        if (pedal.waitForReadyRead(5000))
            line += pedal.readAllStandardOutput();
        else
            break;
    }
    const QString port = QString::fromLocal8Bit(line.left(line.indexOf('\n'))).trimmed();
    if (port.isEmpty()) {
        err << "the virtual pedal did not report its port\n";
        pedal.kill();
        return 1;
    }
    err << "Virtual pedal \"" << model << "\" on " << port << "\n";
    err.flush();

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(SPortDiscovery::virtualPortsVariable), port);
    program.setProcessEnvironment(env);
    program.start(binDir + QStringLiteral("/spoolbox-hd"), {});
    if (!program.waitForStarted(5000)) {
        err << "cannot start spoolbox-hd: " << program.errorString() << "\n";
        pedal.terminate();
        pedal.waitForFinished(3000);
        return 1;
    }
    program.waitForFinished(-1);
    pedal.terminate();
    if (!pedal.waitForFinished(3000))
        pedal.kill();
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : 1;
}
