#include "device/foldercontentsrequest.h"

#include <QDataStream>

FolderContentsRequest::FolderContentsRequest(const QString& path)
    : AmbermeshClientRequest(E_FOLDER_CONTENTS), path(path.toUtf8())
{
}

void FolderContentsRequest::serialize(QDataStream& out)
{
    writeHeader(out, stringSize(path));
    writeString(out, path);
}
