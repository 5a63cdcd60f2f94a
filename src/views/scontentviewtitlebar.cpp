#include "views/scontentviewtitlebar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>

SContentViewTitleBar::SContentViewTitleBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SContentViewTitleBar"));
    // The style sheet paints its background.
    setAttribute(Qt::WA_StyledBackground, true);
    auto* layout = new QHBoxLayout(this);
    layout->addSpacing(5);
    m_leftImage = new QLabel(this);
    m_leftImage->setObjectName(QStringLiteral("SDockWindowTitleImage"));
    layout->addWidget(m_leftImage);
    layout->addSpacing(10);
    m_comboBox = new QComboBox(this);
    m_comboBox->setObjectName(QStringLiteral("SContentViewTitleBarComboBox"));
    m_comboBox->setMinimumWidth(100);
    m_comboBox->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
    layout->addWidget(m_comboBox);
    layout->addItem(new QSpacerItem(100, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_rightImage = new QLabel(this);
    m_rightImage->setObjectName(QStringLiteral("SDockWidgetTitleImage"));
    layout->addWidget(m_rightImage);
    layout->addSpacing(10);
}
