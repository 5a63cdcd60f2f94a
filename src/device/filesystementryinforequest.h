#pragma once

#include "device/ambermeshclientrequest.h"

#include <QString>

// Asks whether a file or folder exists, and its size and times.
class FileSystemEntryInfoRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    FileSystemEntryInfoRequest(qint8 flag, const QString& path);

    void serialize(QDataStream& out) override;

    qint8 flag;
    QByteArray path; // UTF-8
};
