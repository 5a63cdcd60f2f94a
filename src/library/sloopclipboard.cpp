#include "library/sloopclipboard.h"

#include "core/slog.h"

SLoopClipboard* SLoopClipboard::instance()
{
    // Lives until the process ends.
    static SLoopClipboard* clipboard = new SLoopClipboard;
    return clipboard;
}

void SLoopClipboard::take(const Collector& collector, STableView* view, E_CLIPMODE mode)
{
    if (!collector)
        return;
    QList<QSqlRecord> taken;
    // A failed collection must not leave a half-replaced clipboard behind.
    if (!collector(taken, view)) {
        SLOG_WARN("Could not collect the loops; the clipboard is unchanged");
        return;
    }
    m_records = taken;
    m_contentType = view ? view->contentType() : STableView::E_CONTENT_NONE;
    m_clipMode = mode;
}

void SLoopClipboard::copy(const Collector& collector, STableView* view)
{
    SLOG_SCOPE();
    take(collector, view, E_CLIP_COPY);
}

void SLoopClipboard::cut(const Collector& collector, STableView* view)
{
    SLOG_SCOPE();
    take(collector, view, E_CLIP_CUT);
}

bool SLoopClipboard::paste(const Receiver& receiver, STableView* target, int startRow)
{
    SLOG_SCOPE();
    if (!receiver)
        return false;
    return receiver(m_records, m_contentType, target, startRow);
}

void SLoopClipboard::clear()
{
    SLOG_SCOPE();
    m_records.clear();
}
