#pragma once

#include "library/stableview.h"

#include <QList>
#include <QObject>
#include <QSqlRecord>

#include <functional>

// The program's own clipboard for loops (Copy, Cut, Paste). It holds whole rows of
// the loops table and the kind of list they came from; the content view collects
// the records and performs the paste through the callbacks it passes in.
class SLoopClipboard : public QObject
{
    Q_OBJECT
public:
    enum E_CLIPMODE
    {
        E_CLIP_NONE = 0,
        E_CLIP_COPY = 1,
        E_CLIP_CUT = 2,
    };

    // Fills the list with the records to take from view; false when it cannot.
    using Collector = std::function<bool(QList<QSqlRecord>& records, STableView* view)>;
    // Pastes records taken from a view of sourceType into target at startRow.
    using Receiver = std::function<bool(QList<QSqlRecord> records, STableView::E_CONTENTTYPE sourceType,
                                        STableView* target, int startRow)>;

    static SLoopClipboard* instance();

    void copy(const Collector& collector, STableView* view);
    void cut(const Collector& collector, STableView* view);
    // The receiver's result; false when there is no receiver. The records stay, so a
    // copy can be pasted again.
    bool paste(const Receiver& receiver, STableView* target, int startRow);
    void clear();

    int clipMode() const { return m_clipMode; }
    STableView::E_CONTENTTYPE contentType() const { return m_contentType; }
    bool isClipboardEmpty() const { return m_records.isEmpty(); }
    QList<QSqlRecord> records() const { return m_records; }

private:
    SLoopClipboard() = default;
    void take(const Collector& collector, STableView* view, E_CLIPMODE mode);

    STableView::E_CONTENTTYPE m_contentType = STableView::E_CONTENT_NONE;
    QList<QSqlRecord> m_records;
    int m_clipMode = E_CLIP_NONE;
};
