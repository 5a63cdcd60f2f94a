#pragma once

#include "device/ambermeshclientrequest.h"

#include <QString>

// Lists the files and the folders in a remote folder.
class FolderContentsRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    explicit FolderContentsRequest(const QString& path);

    void serialize(QDataStream& out) override;

    QByteArray path; // UTF-8
};
