#include "ssandbox.h"

#include <QDir>

#include <cstdlib>

QString SSandbox::enter(const QString& name)
{
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray pattern = base + '/' + name.toLocal8Bit() + ".XXXXXX";
    if (!mkdtemp(pattern.data()))
        return QString();
    for (const char* sub : {"/home", "/tmp", "/config", "/data", "/cache"})
        QDir().mkpath(QString::fromLocal8Bit(pattern + sub));
    qputenv("HOME", pattern + "/home");
    qputenv("TMPDIR", pattern + "/tmp");
    qputenv("XDG_CONFIG_HOME", pattern + "/config");
    qputenv("XDG_DATA_HOME", pattern + "/data");
    qputenv("XDG_CACHE_HOME", pattern + "/cache");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return QString::fromLocal8Bit(pattern);
}
