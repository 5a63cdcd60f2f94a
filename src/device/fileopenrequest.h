#pragma once

#include "device/ambermeshclientrequest.h"

#include <QString>

// Opens a remote file for reading, or creates it for writing.
class FileOpenRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileOpenRequest(const QString& path, bool forReading);

    void serialize(QDataStream& out) override;

    QByteArray path; // UTF-8
    qint8 access;    // 1 reading, 2 writing
    qint8 readFlag;  // 1 when reading
};
