#pragma once

#include <QDialog>

// Dialog frame in which Return and Enter never trigger a default button.
class SDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SDialog(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
