#pragma once

#include "device/ambermeshclientrequest.h"

#include <QString>

// Deletes a file or a folder with everything in it.
class FileSystemEntryDeleteRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    explicit FileSystemEntryDeleteRequest(const QString& path);

    void serialize(QDataStream& out) override;

    QByteArray path; // UTF-8
};
