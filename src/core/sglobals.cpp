#include "core/sglobals.h"

#include <QDir>
#include <QFile>

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
