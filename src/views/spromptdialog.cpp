#include "views/spromptdialog.h"

#include "core/sglobals.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

SPromptDialog::SPromptDialog(const QString& text, QWidget* parent)
    : QDialog(parent ? parent : qobject_cast<QWidget*>(SGlobals::mainWindow()),
              Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("SPromptDialog"));
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 10);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("SPromptDialogWidgetMessage"));
    panel->setStyleSheet(QStringLiteral("QWidget{background: white}"));
    auto* message = new QHBoxLayout(panel);
    message->setContentsMargins(10, 10, 10, 10);
    message->setSpacing(10);
    m_iconLabel = new QLabel(panel);
    m_iconLabel->setObjectName(QStringLiteral("SPromptDialogLabelIcon"));
    m_textLabel = new QLabel(text, panel);
    m_textLabel->setObjectName(QStringLiteral("SPromptDialogLabelText"));
    m_textLabel->setWordWrap(true);
    message->addWidget(m_iconLabel, 0, Qt::AlignLeft);
    message->addWidget(m_textLabel, 1, Qt::AlignLeft);
    main->addWidget(panel);
    main->addSpacing(10);

    m_radioLayout = new QVBoxLayout;
    m_radioLayout->setContentsMargins(10, 0, 10, 0);
    m_radioLayout->setSpacing(5);
    main->addLayout(m_radioLayout);
    main->addSpacing(10);

    m_buttonLayout = new QHBoxLayout;
    m_buttonLayout->setSpacing(10);
    m_buttonLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_buttonLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    main->addLayout(m_buttonLayout);
}

void SPromptDialog::setText(const QString& text)
{
    m_textLabel->setText(text);
}

void SPromptDialog::setIconPixmap(const QPixmap& pixmap)
{
    m_iconLabel->setPixmap(pixmap);
}

QPushButton* SPromptDialog::addButton(const QString& text)
{
    auto* button = new QPushButton(text, this);
    addButton(button);
    return button;
}

void SPromptDialog::addButton(QPushButton* button)
{
    if (!button)
        return;
    button->setAutoDefault(false);
    // Before the trailing spacer, so the buttons stay centred.
    m_buttonLayout->insertWidget(m_buttonLayout->count() - 1, button);
    connect(button, &QPushButton::clicked, this, &SPromptDialog::onPushButtonClicked, Qt::UniqueConnection);
}

QRadioButton* SPromptDialog::addRadioButton(const QString& text)
{
    auto* button = new QRadioButton(text, this);
    addRadioButton(button);
    return button;
}

void SPromptDialog::addRadioButton(QRadioButton* button)
{
    if (!button)
        return;
    m_radioLayout->addWidget(button);
    connect(button, &QRadioButton::toggled, this, &SPromptDialog::onRadioButtonToggled, Qt::UniqueConnection);
    if (!m_selectedRadio)
        button->setChecked(true);
}

void SPromptDialog::onPushButtonClicked()
{
    m_clickedButton = qobject_cast<QAbstractButton*>(sender());
    close();
}

void SPromptDialog::onRadioButtonToggled(bool checked)
{
    if (checked)
        m_selectedRadio = qobject_cast<QRadioButton*>(sender());
}
