#include "logcapture.h"

#include <QMutex>

namespace {
QMutex g_lock;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void capture(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker lock(&g_lock);
    g_lines.append(message);
}
} // namespace

LogCapture::LogCapture()
{
    clear();
    g_previous = qInstallMessageHandler(capture);
    AmbermeshStatusSink::install(this);
}

LogCapture::~LogCapture()
{
    AmbermeshStatusSink::install(nullptr);
    qInstallMessageHandler(g_previous);
}

void LogCapture::statusText(const QString& text)
{
    m_status.append(text);
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&g_lock);
    return g_lines;
}

bool LogCapture::logged(const QString& fragment) const
{
    const QStringList all = lines();
    return std::any_of(all.begin(), all.end(), [&](const QString& line) { return line.contains(fragment); });
}

bool LogCapture::reported(const QString& fragment) const
{
    return std::any_of(m_status.begin(), m_status.end(), [&](const QString& text) { return text.contains(fragment); });
}

void LogCapture::clear()
{
    QMutexLocker lock(&g_lock);
    g_lines.clear();
    m_status.clear();
}
