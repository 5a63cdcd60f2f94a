#include "app/sdialog.h"

#include <QKeyEvent>

SDialog::SDialog(QWidget* parent) : QDialog(parent)
{
    setStyleSheet(QStringLiteral("QLabel {color: black;}"));
    installEventFilter(this);
}

bool SDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
