#include "device/issuecommandrequest.h"

#include <QDataStream>

IssueCommandRequest::IssueCommandRequest(quint16 command, quint64 argument)
    : AmbermeshClientRequest(E_ISSUE_COMMAND), command(command), argument(argument)
{
}

void IssueCommandRequest::serialize(QDataStream& out)
{
    writeHeader(out, 10);
    out << qint16(command) << qint64(argument);
}
