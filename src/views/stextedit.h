#pragma once

#include <QSizeF>
#include <QTextEdit>

// Read-only, frameless text that grows with its wrapped content.
class STextEdit : public QTextEdit
{
    Q_OBJECT
public:
    STextEdit();

public Q_SLOTS:
    void adjustMinimumSize(QSizeF size);
};
