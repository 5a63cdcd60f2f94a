#include "pedallink.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

PedalLink::PedalLink(const QString& model, bool withExternal)
{
    QDir().mkpath(internalDir());
    QDir().mkpath(localDir());
    m_config.internalDir = internalDir();
    if (withExternal) {
        QDir().mkpath(externalDir());
        m_config.externalDir = externalDir();
    }
    m_config.systemDir = m_root.path() + QStringLiteral("/system");
    m_config.model = model;
    m_pedal = std::make_unique<SPedalSimulator>(m_config);
    m_client.setTimeout(testTimeoutMs);
}

PedalLink::~PedalLink()
{
    m_port.close();
    m_pedal->stop();
}

bool PedalLink::start(QString* error)
{
    // A pseudo-terminal number is free again as soon as its pedal vanishes, while
    // the port that had it open may still hold its lock file for a moment. When a
    // test running in parallel meets such a lock, its pedal takes another number;
    // the refused one is kept open meanwhile so it cannot come round again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!m_pedal->open(error) || !m_pedal->start())
            return false;
        m_port.setPortName(m_pedal->portPath());
        if (m_port.open(QIODevice::ReadWrite))
            break;
        *error = m_port.errorString();
        if (m_port.error() != QSerialPort::PermissionError)
            return false;
        m_refused.push_back(std::move(m_pedal));
        m_pedal = std::make_unique<SPedalSimulator>(m_config);
    }
    if (!m_port.isOpen())
        return false;
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::HardwareControl);
    m_client.attachPort(&m_port);
    return true;
}

QString PedalLink::onDevice(const QString& relative)
{
    return QLatin1String(SPedalConfig::internalRoot) + relative;
}

QByteArray PedalLink::pattern(qint64 size, quint32 seed)
{
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

bool PedalLink::writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray PedalLink::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
