#include "device/filecloserequest.h"

#include <QDataStream>

FileCloseRequest::FileCloseRequest(quint64 handle) : AmbermeshClientRequest(E_FILE_CLOSE), handle(handle)
{
}

void FileCloseRequest::serialize(QDataStream& out)
{
    writeHeader(out, 8);
    out << qint64(handle);
}
