#pragma once

#include "device/ambermeshclientrequest.h"

#include <QList>

// Asks for one device property.
class GetPropertyRequest : public AmbermeshClientRequest
{
    Q_OBJECT
public:
    GetPropertyRequest(const QList<quint16>& selectors, quint16 id);

    void serialize(QDataStream& out) override;

    QList<quint16> selectors; // the count travels as i8, so at most 127
    quint16 id;
};
