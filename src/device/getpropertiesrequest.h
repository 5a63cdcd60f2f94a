#pragma once

#include "device/ambermeshclientrequest.h"

#include <QList>

// Asks for several device properties at once.
class GetPropertiesRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    explicit GetPropertiesRequest(const QList<quint16>& ids = {});

    void serialize(QDataStream& out) override;

    QList<quint16> ids; // none: every property; the count travels as i8, so at most 127
};
