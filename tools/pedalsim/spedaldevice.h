#pragma once

#include "spedalconfig.h"
#include "spedalfilesystem.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

class SPedalWireReader;

// The device side of the protocol: takes one whole request message and returns
// the whole answer, acting on the pedal's folders. Transport and misbehaviour
// are the simulator's business; the two faults that concern content (empty
// reads, refused paths) are switched here.
class SPedalDevice
{
public:
    // What the pedal has been asked so far (read from any thread).
    struct stStats
    {
        quint64 requests = 0;
        QMap<quint16, int> requestsById;
        QMap<quint16, int> commands; // IssueCommand codes
        int openFiles = 0;
    };

    explicit SPedalDevice(const SPedalConfig& config);
    ~SPedalDevice();

    bool setUp(QString* error);
    // Null when the message carries no serial number to answer to.
    QByteArray respond(const QByteArray& message);
    // What a pedal does between answering and the next request: stores the block
    // of the last write and reads the block a reader is about to ask for.
    void idle();

    void setZeroReads(bool on) { m_zeroReads = on; }
    // Requests on device paths matching this wildcard answer Failure; empty: none.
    void setFailPattern(const QString& wildcard);
    stStats stats() const;
    const SPedalConfig& config() const { return m_config; }
    QString systemDir() const { return m_systemDir; }

    static constexpr quint16 propertyExternalMemory = 5;
    static constexpr quint16 propertyChannels = 7;
    static constexpr quint16 propertyInternalFree = 10;
    static constexpr quint16 propertyInternalCapacity = 11;
    static constexpr quint16 propertyExternalFree = 12;
    static constexpr quint16 propertyExternalCapacity = 13;
    static constexpr quint16 property15 = 15;
    static constexpr quint16 propertyInternalRoot = 0x800B;
    static constexpr quint16 propertyExternalRoot = 0x800C;
    static constexpr int maxBlock = 8169;
    static constexpr int maxPayload = 8185;

private:
    QByteArray dispatch(quint16 id, quint32 serial, SPedalWireReader& in);
    QByteArray failure(quint32 serial, const QString& text) const;
    QByteArray success(quint32 serial) const;
    // The Failure answer for a malformed request or a path the pedal refuses
    // (outside its memories, or matching the refused-path pattern); empty when
    // the path is fine and resolved into where.
    QByteArray refusePath(quint32 serial, const SPedalWireReader& in, const QString& path,
                          SPedalFileSystem::stResolved* where) const;

    QByteArray whoAmI(quint32 serial);
    QByteArray entryInfo(quint32 serial, SPedalWireReader& in);
    QByteArray entryCreate(quint32 serial, SPedalWireReader& in);
    QByteArray entryDelete(quint32 serial, SPedalWireReader& in);
    QByteArray fileOpen(quint32 serial, SPedalWireReader& in);
    QByteArray fileRead(quint32 serial, SPedalWireReader& in);
    QByteArray fileWrite(quint32 serial, SPedalWireReader& in);
    QByteArray fileSeek(quint32 serial, SPedalWireReader& in);
    QByteArray fileClose(quint32 serial, SPedalWireReader& in);
    QByteArray folderContents(quint32 serial, SPedalWireReader& in);
    QByteArray getProperties(quint32 serial, SPedalWireReader& in);
    QByteArray issueCommand(quint32 serial, SPedalWireReader& in);
    QByteArray getProperty(quint32 serial, SPedalWireReader& in);

    bool intProperty(quint16 id, quint32* value) const;
    static QList<quint16> intPropertyIds();
    QMap<quint16, QString> stringProperties() const;
    // Deferred work of idle(), finished before any other request is served.
    void flushWrite();
    void dropReadAhead();
    bool takeWriteError(quint64 handle, QString* text);

    struct stReadAhead
    {
        quint64 handle = 0;
        bool wanted = false;
        qint64 offset = -1; // where the block starts in the file; -1: nothing read ahead
        qint64 size = 0;
        QByteArray answer;  // the whole answer but for its serial number
    };
    struct stWriteBehind
    {
        quint64 handle = 0; // 0: nothing pending
        QByteArray data;
    };

    SPedalConfig m_config;
    QString m_systemDir;
    std::unique_ptr<QTemporaryDir> m_ownSystemDir;
    SPedalFileSystem m_fs;
    stReadAhead m_ahead;
    stWriteBehind m_behind;
    quint64 m_writeErrorHandle = 0;
    QString m_writeError;
    bool m_zeroReads = false;
    QString m_failWildcard;
    QRegularExpression m_failPattern;
    mutable QMutex m_statsLock;
    stStats m_stats;
};
