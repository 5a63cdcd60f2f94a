#include "views/stextedit.h"

#include <QAbstractTextDocumentLayout>

STextEdit::STextEdit() : QTextEdit(QString(), nullptr)
{
    setReadOnly(true);
    setFrameStyle(0);
    QPalette pal = palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        const auto colorGroup = static_cast<QPalette::ColorGroup>(group);
        pal.setBrush(colorGroup, QPalette::Base, Qt::transparent);
        pal.setBrush(colorGroup, QPalette::WindowText, QColor(0, 0, 0, 255));
    }
    setPalette(pal);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &STextEdit::adjustMinimumSize);
}

void STextEdit::adjustMinimumSize(QSizeF size)
{
    setMinimumHeight(static_cast<int>(size.height() + 2 * frameWidth()));
}
