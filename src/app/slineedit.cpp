#include "app/slineedit.h"

#include "core/slog.h"

SLineEdit::SLineEdit(const QString& hint, QWidget* parent) : QLineEdit(hint, parent), m_hint(hint) {}

void SLineEdit::showHint()
{
    // setText does not emit textEdited, so no search is reported.
    setText(m_hint);
    setCursorPosition(0);
}

void SLineEdit::resetField()
{
    SLOG_SCOPE();
    showHint();
}

void SLineEdit::focusInEvent(QFocusEvent* event)
{
    if (text() == m_hint) {
        clear();
        setCursorPosition(0);
        // Listeners drop whatever filter the hint stood for.
        Q_EMIT textEdited(QString());
    }
    QLineEdit::focusInEvent(event);
}

void SLineEdit::focusOutEvent(QFocusEvent* event)
{
    if (text().isEmpty())
        showHint();
    QLineEdit::focusOutEvent(event);
}
