#include "core/slog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <stdexcept>

namespace {
QMutex& logMutex()
{
    static QMutex mutex;
    return mutex;
}
QString& logPath()
{
    static QString path;
    return path;
}
} // namespace

namespace slog_detail {
QByteArray qualifiedName(const char* prettyFunction)
{
    const QByteArray pretty(prettyFunction);
    const qsizetype paren = pretty.indexOf('(');
    if (paren < 0)
        return pretty;
    const qsizetype space = pretty.lastIndexOf(' ', paren);
    QByteArray name = pretty.mid(space + 1, paren - space - 1);
    while (name.startsWith('*') || name.startsWith('&'))
        name.remove(0, 1);
    return name;
}

Scope::Scope(const char* time, const char* prettyFunction, const char* file, int line)
    : m_time(time), m_function(qualifiedName(prettyFunction)), m_file(file), m_line(line)
{
    QMessageLogger().debug("Enter Time: %s, Function: %s, File: %s, Line: %d", m_time, m_function.constData(), m_file,
                           m_line);
}

Scope::~Scope()
{
    QMessageLogger().debug("Exit  Time: %s, Function: %s, File: %s, Line: %d", m_time, m_function.constData(), m_file,
                           m_line);
}
} // namespace slog_detail

void SLog::installHandler()
{
    qInstallMessageHandler(&SLog::messageHandler);
}

void SLog::setLogFilePath(const QString& path)
{
    QMutexLocker lock(&logMutex());
    logPath() = path;
}

QString SLog::logFilePath()
{
    QMutexLocker lock(&logMutex());
    return logPath();
}

const char* SLog::label(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "Debug  ";
    case QtInfoMsg:
        return "Info   ";
    case QtWarningMsg:
        return "Warning";
    case QtCriticalMsg:
        return "Error  ";
    case QtFatalMsg:
        return "Fatal  ";
    }
    return "Debug  ";
}

QString SLog::formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    QString function = QString::fromUtf8(context.function ? context.function : "");
    const qsizetype sep = function.lastIndexOf(QLatin1String("::"));
    if (sep >= 0)
        function = function.mid(sep + 2);
    const QString file = context.file ? QFileInfo(QString::fromUtf8(context.file)).fileName() : QString();
    return QStringLiteral("%1: %2 [%3: %4: %5] %6")
        .arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")), QLatin1String(label(type)), file,
             function, QString::number(context.line), message);
}

void SLog::messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg)
        throw std::runtime_error(message.toStdString());
    // One whole line per message, even when two threads log at once.
    QMutexLocker lock(&logMutex());
    QFile file(logPath());
    if (logPath().isEmpty() || !file.open(QIODevice::Append | QIODevice::Text))
        return;
    file.write((formatLine(type, context, message) + QLatin1Char('\n')).toLocal8Bit());
}
