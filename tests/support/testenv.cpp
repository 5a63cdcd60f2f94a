#include "testenv.h"

#include <QCoreApplication>
#include <QDir>

bool TestEnv::isIsolated()
{
    const QString sandbox = qEnvironmentVariable("SPOOLBOX_TEST_SANDBOX");
    if (sandbox.isEmpty())
        return false;
    return QDir::homePath().startsWith(sandbox) && QDir::tempPath().startsWith(sandbox);
}

QString TestEnv::binDir()
{
    const QString fromEnv = qEnvironmentVariable("SPOOLBOX_BIN_DIR");
    return fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnv;
}

QString TestEnv::binary(const QString& name)
{
    return binDir() + QLatin1Char('/') + name;
}
