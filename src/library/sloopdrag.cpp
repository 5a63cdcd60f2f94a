#include "library/sloopdrag.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QPointer>
#include <QRandomGenerator>
#include <QWidget>

#include <memory>
#include <unordered_map>

const QString SLoopDrag::recordsFormat = QStringLiteral("Application/Vantorra/Spoolbox/DragnDropFiles");
const QString SLoopDrag::loopListFormat = QStringLiteral("Application/Vantorra/Spoolbox/DragnDropLoopList");

namespace {
struct Entry
{
    std::unique_ptr<QList<QSqlRecord>> records;
    QPointer<QWidget> source;
};

std::unordered_map<quint64, Entry>& registry()
{
    static std::unordered_map<quint64, Entry> entries;
    return entries;
}

constexpr qsizetype kRecordsPayloadSize = 8 + 4;
constexpr qsizetype kLoopListPayloadSize = 4;

// The bytes of format, or nothing when they are missing or not exactly size long.
QByteArray payloadOf(const QMimeData* data, const QString& format, qsizetype size)
{
    if (!data || !data->hasFormat(format))
        return QByteArray();
    const QByteArray payload = data->data(format);
    return payload.size() == size ? payload : QByteArray();
}
} // namespace

QMimeData* SLoopDrag::createRecordsData(QList<QSqlRecord>* records, QWidget* source, int pressRow, quint64* token)
{
    quint64 handle = 0;
    do {
        handle = QRandomGenerator::system()->generate64();
    } while (handle == 0 || registry().count(handle) != 0);
    registry().emplace(handle, Entry {std::unique_ptr<QList<QSqlRecord>>(records), source});

    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << handle << qint32(pressRow);
    auto* data = new QMimeData;
    data->setData(recordsFormat, payload);
    if (token)
        *token = handle;
    return data;
}

bool SLoopDrag::readRecordsData(const QMimeData* data, quint64& token, qint32& pressRow)
{
    const QByteArray payload = payloadOf(data, recordsFormat, kRecordsPayloadSize);
    if (payload.isEmpty())
        return false;
    QDataStream in(payload);
    in >> token >> pressRow;
    return in.status() == QDataStream::Ok;
}

QWidget* SLoopDrag::sourceOf(quint64 token)
{
    const auto it = registry().find(token);
    return it == registry().end() ? nullptr : it->second.source.data();
}

QList<QSqlRecord>* SLoopDrag::take(quint64 token)
{
    auto it = registry().find(token);
    if (it == registry().end())
        return nullptr;
    QList<QSqlRecord>* records = it->second.records.release();
    registry().erase(it);
    return records;
}

void SLoopDrag::discard(quint64 token)
{
    registry().erase(token);
}

QMimeData* SLoopDrag::createLoopListData(int loopListId)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << qint32(loopListId);
    auto* data = new QMimeData;
    data->setData(loopListFormat, payload);
    return data;
}

bool SLoopDrag::readLoopListData(const QMimeData* data, int& loopListId)
{
    const QByteArray payload = payloadOf(data, loopListFormat, kLoopListPayloadSize);
    if (payload.isEmpty())
        return false;
    QDataStream in(payload);
    qint32 id = 0;
    in >> id;
    if (in.status() != QDataStream::Ok)
        return false;
    loopListId = id;
    return true;
}
