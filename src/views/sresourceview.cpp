#include "views/sresourceview.h"

#include "core/slog.h"
#include "device/sdevicemanagerthread.h"
#include "library/sdatabasemanager.h"

#include <QHash>
#include <QPointer>

namespace {
QPointer<SResourceView>& singleton()
{
    static QPointer<SResourceView> view;
    return view;
}

// The pedal models and their slots per memory, keyed by lower-case name.
const QHash<QString, int>& modelTable()
{
    static const QHash<QString, int> table {
        {QStringLiteral("ostino alto"), 99},     {QStringLiteral("ostino vela"), 99},
        {QStringLiteral("ostino mira"), 99},     {QStringLiteral("ostino alto xt"), 200},
        {QStringLiteral("ostino alto hd"), 200},
    };
    return table;
}
} // namespace

SResourceView::SResourceView(const QString& title, QWidget* parent, Qt::WindowFlags flags)
    : QDockWidget(title, parent, flags)
{
    setFocusPolicy(Qt::StrongFocus);
    modelTable();
    // Device operations carried out for this view report through the device worker.
    connect(this, &SResourceView::progress, SDeviceManagerThread::instance(), &SDeviceManagerThread::onProgress);
}

SResourceView::~SResourceView() = default;

SResourceView* SResourceView::instance(const QString& title, QWidget* parent, Qt::WindowFlags flags)
{
    if (!singleton())
        singleton() = new SResourceView(title, parent, flags);
    return singleton();
}

int SResourceView::slotsForModel(const QString& modelName)
{
    return modelTable().value(modelName.toLower(), 99);
}

void SResourceView::setupDatabase()
{
    SDatabaseManager* db = SDatabaseManager::instance();
    if (!db || !db->createTable(SDatabaseManager::E_TABLE_LOOPLISTS))
        SLOG_WARN("Sql Error: %s", qUtf8Printable(db ? db->lastError().text() : QString()));
}

void SResourceView::initializeUIComponents() {}
