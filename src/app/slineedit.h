#pragma once

#include <QLineEdit>

// A line edit that shows its hint as real text while it is empty and unfocused
// (the tool bar's search field).
class SLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit SLineEdit(const QString& hint, QWidget* parent = nullptr);

    QString hint() const { return m_hint; }
    // Puts the hint back, whatever the text.
    void resetField();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showHint();

    QString m_hint;
};
