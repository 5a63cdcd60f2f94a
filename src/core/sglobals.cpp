#include "core/sglobals.h"

#include <QDir>
#include <QFile>
#include <QPointer>

namespace {
QString& appFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString SGlobals::applicationFolder()
{
    return appFolder();
}

void SGlobals::setApplicationFolder(const QString& folder)
{
    appFolder() = folder;
}

QString SGlobals::workingFolder()
{
    return QDir::tempPath() + QStringLiteral("/Vantorra/Spoolbox");
}

bool SGlobals::prepareWorkingFolder()
{
    QDir dir(workingFolder());
    if (dir.exists())
        dir.removeRecursively();
    return QDir().mkpath(workingFolder());
}

void SGlobals::removeWorkingFolder()
{
    QDir dir(workingFolder());
    if (dir.exists())
        dir.removeRecursively();
}

QString SGlobals::logFilePath()
{
    return workingFolder() + QStringLiteral("/ui.log");
}

std::atomic<bool>& SGlobals::continueOperation()
{
    static std::atomic<bool> flag {true};
    return flag;
}

namespace {
QPointer<QObject>& publishedMainWindow()
{
    static QPointer<QObject> window;
    return window;
}
} // namespace

QObject* SGlobals::mainWindow()
{
    return publishedMainWindow().data();
}

void SGlobals::setMainWindow(QObject* window)
{
    publishedMainWindow() = window;
}
