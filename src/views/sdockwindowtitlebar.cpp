#include "views/sdockwindowtitlebar.h"

#include <QHBoxLayout>
#include <QLabel>

SDockWindowTitlebar::SDockWindowTitlebar(const QString& title, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* inner = new QWidget(this);
    inner->setObjectName(QStringLiteral("SDockWindowTitleBar"));
    outer->addWidget(inner);

    auto* layout = new QHBoxLayout(inner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addSpacing(5);
    auto* image = new QLabel(inner);
    image->setObjectName(QStringLiteral("SDockWindowTitleImage"));
    layout->addWidget(image);
    layout->addSpacing(5);
    m_title = new QLabel(title, inner);
    m_title->setStyleSheet(QStringLiteral("QLabel { color: black; }"));
    layout->addWidget(m_title);
    layout->addStretch();
}

QString SDockWindowTitlebar::title() const
{
    return m_title->text();
}

QSize SDockWindowTitlebar::minimumSizeHint() const
{
    return QSize(230, 20);
}
