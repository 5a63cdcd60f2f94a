#include "app/stoolbar.h"

#include "core/slog.h"

SToolbar::SToolbar(const QString& title, QWidget* parent) : QToolBar(title, parent)
{
    connect(this, &SToolbar::actionTriggered, this, &SToolbar::onActionTriggered, Qt::UniqueConnection);
}

SToolbar::SToolbar(QWidget* parent) : QToolBar(parent)
{
    connect(this, &SToolbar::actionTriggered, this, &SToolbar::onActionTriggered, Qt::UniqueConnection);
}

void SToolbar::initializeUIComponents()
{
    SLOG_SCOPE();
    // The actions, menus and search field are built here by the tool bar's own work.
}

QAction* SToolbar::actionById(int id) const
{
    Q_UNUSED(id);
    return nullptr;
}

void SToolbar::onActionTriggered(QObject* pObject)
{
    Q_UNUSED(pObject);
}

void SToolbar::onClickSynchronize()
{
    SLOG_PLAIN("Synchronize Clicked");
}

void SToolbar::onClickDeviceDetails()
{
    SLOG_PLAIN("DeviceDetails Clicked");
}
