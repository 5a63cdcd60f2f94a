#pragma once

#include <QList>
#include <QSqlRecord>
#include <QString>

class QMimeData;
class QWidget;

// The program's two in-process drag formats.
//
// Loop records: a 64-bit handle and the 32-bit press row. The handle is a random
// token registered here with the record list and the view that started the drag,
// never a memory address, so data from outside the process (or from a drag that
// has ended) cannot name a list: unknown tokens are refused.
//
// LoopList: the 32-bit id of the LoopList.
class SLoopDrag
{
public:
    static const QString recordsFormat;  // "Application/Vantorra/Spoolbox/DragnDropFiles"
    static const QString loopListFormat; // "Application/Vantorra/Spoolbox/DragnDropLoopList"

    // Registers records (ownership passes to the registry) as dragged from source and
    // returns the payload naming them. token receives the handle.
    static QMimeData* createRecordsData(QList<QSqlRecord>* records, QWidget* source, int pressRow,
                                        quint64* token = nullptr);
    // Reads the handle and press row; false for a missing or malformed payload.
    static bool readRecordsData(const QMimeData* data, quint64& token, qint32& pressRow);
    // The view that started the drag of token, or nullptr when the token is unknown
    // or its view is gone.
    static QWidget* sourceOf(quint64 token);
    // Hands the list of token to the caller (who then owns it) and forgets the token.
    static QList<QSqlRecord>* take(quint64 token);
    // Frees the list of token if nobody took it; the token is unknown afterwards.
    static void discard(quint64 token);

    static QMimeData* createLoopListData(int loopListId);
    static bool readLoopListData(const QMimeData* data, int& loopListId);
};
