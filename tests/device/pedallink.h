#pragma once

#include "device/ambermeshclient.h"
#include "spedalsimulator.h"

#include <QSerialPort>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A virtual pedal on a pseudo-terminal, served on its own thread, and the
// program's client on the port end, opened with the pedal's line settings.
class PedalLink
{
public:
    static constexpr int testTimeoutMs = 300;

    explicit PedalLink(const QString& model = QStringLiteral("Ostino Alto HD"), bool withExternal = true);
    ~PedalLink();

    // False (with a message) when the pedal or the port cannot be opened.
    bool start(QString* error);

    SPedalSimulator& pedal() { return *m_pedal; }
    AmbermeshClient& client() { return m_client; }
    QSerialPort& port() { return m_port; }
    // Folders: the two memories on disk, and a scratch folder for local files.
    QString internalDir() const { return m_root.path() + QStringLiteral("/internal"); }
    QString externalDir() const { return m_root.path() + QStringLiteral("/external"); }
    QString localDir() const { return m_root.path() + QStringLiteral("/local"); }
    // Device path of a file in the internal memory.
    static QString onDevice(const QString& relative);

    // Reproducible bytes of the given length.
    static QByteArray pattern(qint64 size, quint32 seed = 1);
    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

private:
    QTemporaryDir m_root;
    SPedalConfig m_config;
    std::unique_ptr<SPedalSimulator> m_pedal;
    std::vector<std::unique_ptr<SPedalSimulator>> m_refused;
    QSerialPort m_port;
    AmbermeshClient m_client;
};
