#include "app/sapplication.h"

#include "app/smainwindow.h"
#include "core/slog.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLockFile>

#include <memory>

SApplication::SApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString SApplication::lockFilePath()
{
    return QDir::tempPath() + QStringLiteral("/Vantorra_Spoolbox_Application");
}

int SApplication::execSingleInstance()
{
    QLockFile lock(lockFilePath());
    if (!lock.tryLock(0)) {
        SLOG_WARN("Another instance of the application is running");
        return 0;
    }
    lock.setStaleLockTime(0);

    setWindowIcon(QIcon(QStringLiteral(":/images/Spoolbox.ico")));

    QFile styleSheet(QStringLiteral(":/skin/SpoolboxApp.qss"));
    if (styleSheet.open(QIODevice::ReadOnly)) {
        SLOG_DEBUG("Opened successfully");
        setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
        styleSheet.close();
    } else {
        SLOG_DEBUG("Failed to open");
    }

    auto window = std::make_unique<SMainWindow>();
    window->showSplash(tr("Loading..."), true);
    window->initialize();
    const int result = exec();
    window.reset();
    return result;
}
