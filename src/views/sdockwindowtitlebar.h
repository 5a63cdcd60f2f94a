#pragma once

#include <QWidget>

class QLabel;

// The title bar of the program's docks: a picture (from the style sheet) and a title.
class SDockWindowTitlebar : public QWidget
{
    Q_OBJECT
public:
    explicit SDockWindowTitlebar(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    QSize minimumSizeHint() const override;

private:
    QLabel* m_title = nullptr;
};
