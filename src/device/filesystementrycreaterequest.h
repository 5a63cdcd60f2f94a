#pragma once

#include "device/ambermeshclientrequest.h"

#include <QString>

// Creates a folder on the pedal.
class FileSystemEntryCreateRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    explicit FileSystemEntryCreateRequest(const QString& path);

    void serialize(QDataStream& out) override;

    QByteArray path; // UTF-8
};
