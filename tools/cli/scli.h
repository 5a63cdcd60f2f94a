#pragma once

#include <QStringList>
#include <QTextStream>

class SDeviceHandler;
struct stDeviceData;

// spoolbox-cli: the device library from the command line, for scripting and for
// safe backups before a firmware update. Exit code 0 on success, 1 on failure,
// 2 on wrong usage.
class SCli
{
public:
    SCli(QTextStream& out, QTextStream& err);

    int run(const QStringList& arguments);
    static QString usage();

private:
    bool connectPedal();
    int info();
    int list(const QString& memory, bool json);
    int pull(int slot, const QString& file);
    int push(const QString& file, int slot);
    int remove(int slot);
    int backup(const QString& folder);
    int restore(const QString& folder);
    int convert(const QString& source, const QString& target, const QString& model);
    int level(const QString& source, const QString& target, bool attenuate, float decibels);
    int multiply(const QString& source, const QString& target, int times);
    // Puts a finished file in place of target (same folder first, then renamed).
    bool place(const QString& produced, const QString& target, bool keepProduced);

    bool readMemory(bool internal, stDeviceData& data);
    QString root(bool internal);
    QString slotFolder(bool internal, int slot);
    bool fetchFolder(const QString& remote, const QString& local);
    int fail(const QString& message);

    QTextStream& m_out;
    QTextStream& m_err;
    QString m_port;
    bool m_internal = true;
    SDeviceHandler* m_handler = nullptr;
};
