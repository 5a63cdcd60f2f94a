#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <QRadioButton>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The program's Yes/No confirmation, optionally with a group of choices. Callers
// add their buttons, connect them to the two slots, run exec() and compare
// clickedButton() with their own buttons; closing the window leaves it empty:
//     SPromptDialog prompt(tr("Replace the loop?"));
//     QPushButton* yes = prompt.addButton(tr("Yes"));
//     prompt.addButton(tr("No"));
//     prompt.exec();
//     if (prompt.clickedButton() == yes) ...
class SPromptDialog : public QDialog
{
    Q_OBJECT
public:
    // parent nullptr: the main window.
    explicit SPromptDialog(const QString& text = QString(), QWidget* parent = nullptr);

    QLabel* iconLabel() const { return m_iconLabel; }
    QLabel* textLabel() const { return m_textLabel; }
    void setText(const QString& text);
    void setIconPixmap(const QPixmap& pixmap);

    // A push button between the spacers of the button row, connected to onPushButtonClicked.
    QPushButton* addButton(const QString& text);
    void addButton(QPushButton* button);
    // A choice in the radio column, connected to onRadioButtonToggled; the first one
    // added starts checked.
    QRadioButton* addRadioButton(const QString& text);
    void addRadioButton(QRadioButton* button);

    QAbstractButton* clickedButton() const { return m_clickedButton.data(); }
    QRadioButton* selectedRadioButton() const { return m_selectedRadio.data(); }

public Q_SLOTS:
    void onPushButtonClicked();
    void onRadioButtonToggled(bool checked);

private:
    QLabel* m_iconLabel = nullptr;
    QLabel* m_textLabel = nullptr;
    QVBoxLayout* m_radioLayout = nullptr;
    QHBoxLayout* m_buttonLayout = nullptr;
    QPointer<QAbstractButton> m_clickedButton;
    QPointer<QRadioButton> m_selectedRadio;
};
