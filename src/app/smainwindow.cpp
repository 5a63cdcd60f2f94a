#include "app/smainwindow.h"

#include "app/sdialog.h"
#include "app/ssplashscreen.h"
#include "app/stoolbar.h"
#include "core/sglobals.h"
#include "core/slog.h"
#include "core/stsettings.h"
#include "device/sdevicehandler.h"
#include "device/sdevicemanagerthread.h"
#include "library/sdatabasemanager.h"
#include "library/ssqltablemodel.h"
#include "views/scontentview.h"
#include "views/sdevicecellwriter.h"
#include "views/sresourceview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include "audio/sjuceruntime.h"

namespace {

const QString kDeleteDeviceRows = QStringLiteral("DELETE FROM loops WHERE deviceid IS NOT NULL");

// Tool bar ids the main window handles.
enum : int
{
    E_ACTION_RESTORE_LAYOUT = 23,
    E_ACTION_OPTIONS = 24,
    E_ACTION_ABOUT = 28,
};

// An empty stand-in for a dock whose view is not built yet.
QWidget* placeholder(const QString& objectName)
{
    auto* widget = new QWidget;
    widget->setObjectName(objectName);
    return widget;
}
} // namespace

SMainWindow::SMainWindow(QWidget* parent) : QMainWindow(parent)
{
    SGlobals::setApplicationFolder(QCoreApplication::applicationDirPath());
    SGlobals::prepareWorkingFolder();
    const QString logPath = SGlobals::logFilePath();
    if (QFile::exists(logPath))
        QFile::remove(logPath);
    SLog::setLogFilePath(logPath);
    SLog::installHandler();
    SGlobals::setMainWindow(this);

    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("SMainWindow"));
    setWindowTitle(QStringLiteral("Spoolbox HD"));
    setFocusPolicy(Qt::StrongFocus);
}

SMainWindow::~SMainWindow()
{
    SLOG_PLAIN("MainWindow Destroyed");
    delete m_splash.data();
    if (SGlobals::mainWindow() == this)
        SGlobals::setMainWindow(nullptr);
    if (SDatabaseManager::instance() == m_database)
        SDatabaseManager::setInstance(nullptr);
}

SMainWindow* SMainWindow::instance()
{
    return qobject_cast<SMainWindow*>(SGlobals::mainWindow());
}

void SMainWindow::initialize()
{
    SLOG_SCOPE();
    QElapsedTimer startup;
    startup.start();

    resize(960, 640);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        move((geometry.width() - 960) / 2, (geometry.height() - 640) / 2);
    }
    SLOG_PLAIN("Application path: %s", qUtf8Printable(SGlobals::applicationFolder()));

    m_database = new SDatabaseManager(this);
    m_database->openDatabase();
    SDatabaseManager::setInstance(m_database);

    m_undoStack = new QUndoStack(this);
    m_undoStack->setUndoLimit(10);

    m_toolbar = new SToolbar(QStringLiteral("Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("SMainWindowToolBarTop"));
    m_toolbar->initializeUIComponents();
    m_toolbar->setMovable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(m_toolbar);
    connect(m_toolbar, &SToolbar::actionTriggered, this, &SMainWindow::onToolBarActionTriggered,
            Qt::UniqueConnection);
    connect(m_toolbar, &SToolbar::closeApp, this, &SMainWindow::appExit, Qt::UniqueConnection);
    // Synchronize works on what was last read from the pedal's two memories.
    SToolbar::setDeviceLoopsProvider([](QList<stLoop>& internalLoops, QList<stLoop>& externalLoops) {
        const SDeviceHandler* handler = SDeviceHandler::instance();
        internalLoops = handler->internalCache() ? handler->internalCache()->loops : QList<stLoop>();
        externalLoops = handler->externalCache() ? handler->externalCache()->loops : QList<stLoop>();
    });
    SSqlTableModel::setDeviceWriter(&SDeviceCellWriter::write);

    m_innerWindow = new QMainWindow(this);

    m_waveformDock = new QDockWidget(QStringLiteral("Waveform Pane"), this);
    m_waveformDock->setObjectName(QStringLiteral("SMainWindowDockWidgetWaveformView"));
    m_waveformDock->setWidget(createWaveformView());
    m_waveformDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    m_waveformDock->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    m_waveformDock->setMinimumWidth(960);
    m_waveformDock->setMaximumHeight(100);
    m_waveformDock->setTitleBarWidget(new QWidget(m_waveformDock));
    addDockWidget(Qt::TopDockWidgetArea, m_waveformDock, Qt::Horizontal);

    QWidget* content = createContentView();
    m_innerWindow->setObjectName(QStringLiteral("SMainWindow"));
    m_innerWindow->setCentralWidget(content);
    m_innerWindow->setWindowFlags(Qt::Widget);
    setCentralWidget(m_innerWindow);

    SResourceView* resources = SResourceView::instance(tr("Resources"), this);
    m_resourceDock = resources;
    m_resourceDock->setObjectName(QStringLiteral("SMainWindowDockWidetResourceView"));
    m_resourceDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_resourceDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_resourceDock->setContextMenuPolicy(Qt::DefaultContextMenu);
    m_resourceDock->setMinimumWidth(256);
    resources->setupDatabase();
    resources->initializeUIComponents();
    addDockWidget(Qt::LeftDockWidgetArea, m_resourceDock, Qt::Vertical);
    m_resourceDock->setStyleSheet(QStringLiteral("QDockWidget{border: 2px solid darkgray}"));

    m_optionsDock = new QDockWidget(tr("Option"), m_innerWindow);
    m_optionsDock->setObjectName(QStringLiteral("SMainWindowDockWidetOptionView"));
    m_optionsDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_optionsDock->setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    m_optionsDock->setContextMenuPolicy(Qt::PreventContextMenu);
    m_optionsDock->setMinimumWidth(200);
    m_optionsDock->setMinimumHeight(150);
    m_optionsDock->setWidget(createOptionView());
    m_innerWindow->addDockWidget(Qt::RightDockWidgetArea, m_optionsDock);
    m_optionsDock->hide();

    SJuceRuntime::startMessageManager();

    connectDeviceWorker();

    if (deleteDeviceRows()) {
        const qint64 remaining = qMax<qint64>(0, 10 - startup.elapsed());
        QTimer::singleShot(remaining, this, &SMainWindow::finishSplashTimer);
    } else {
        SLOG_WARN("SqlError: %s", qUtf8Printable(m_database->lastError().text()));
    }
}

QWidget* SMainWindow::createWaveformView()
{
    return placeholder(QStringLiteral("SWaveformView"));
}

QWidget* SMainWindow::createContentView()
{
    SContentView* content = SContentView::instance(m_innerWindow);
    content->setupDatabase();
    content->initializeUIComponents();
    return content;
}

QWidget* SMainWindow::createOptionView()
{
    return placeholder(QStringLiteral("SOptionView"));
}

void SMainWindow::connectDeviceWorker()
{
    SDeviceManagerThread* worker = SDeviceManagerThread::instance();
    connect(worker, &SDeviceManagerThread::deviceDetected, this, &SMainWindow::onDeviceDetected,
            Qt::UniqueConnection);
    connect(worker, &SDeviceManagerThread::deviceRemoved, this, &SMainWindow::deviceRemoved, Qt::UniqueConnection);
    connect(worker, &SDeviceManagerThread::memoryStatus, this, &SMainWindow::memoryStatus, Qt::UniqueConnection);
    connect(worker, &SDeviceManagerThread::updateFirmware, this, &SMainWindow::onUpdateFirmware,
            Qt::UniqueConnection);
    QPointer<SMainWindow> self(this);
    SDeviceHandler::instance()->setSynchronizeHandler([self](const stDeviceData* internal,
                                                             const stDeviceData* external) {
        if (self)
            self->synchronizeLibrary(internal ? internal->loops : QList<stLoop>(),
                                     external ? external->loops : QList<stLoop>());
    });
}

bool SMainWindow::deleteDeviceRows()
{
    return m_database && m_database->deleteRow(SDatabaseManager::E_TABLE_QUERY, 0, kDeleteDeviceRows);
}

void SMainWindow::finishSplashTimer()
{
    if (m_splash) {
        m_splash->finish(this);
        delete m_splash.data();
    }
    show();
}

void SMainWindow::showSplash(const QString& text, bool persistent)
{
    delete m_splash.data();
    auto* splash = new SSplashScreen(this, QPixmap(QStringLiteral(":/images/Splash/Spoolbox_Splash_01.png")), text,
                                     persistent);
    m_splash = splash;
    splash->setWindowFlags(splash->windowFlags() | Qt::FramelessWindowHint);
    splash->setAttribute(Qt::WA_TranslucentBackground);
    splash->setWindowModality(Qt::ApplicationModal);
    if (persistent) {
        splash->setWindowFlags(splash->windowFlags() | Qt::WindowStaysOnTopHint);
    } else {
        int x = this->x() + (width() - splash->width()) / 2;
        int y = this->y() + (height() - splash->height()) / 2;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            x = qMax(area.left(), qMin(x, area.right() + 1 - splash->width()));
            y = qMax(area.top(), qMin(y, area.bottom() + 1 - splash->height()));
        }
        splash->move(x, y);
    }
    splash->show();
}

void SMainWindow::onToolBarActionTriggered(QObject* pObject)
{
    if (!m_toolbar || !pObject)
        return;
    if (pObject == m_toolbar->actionById(E_ACTION_RESTORE_LAYOUT)) {
        addDockWidget(Qt::LeftDockWidgetArea, m_resourceDock);
        if (QAction* options = m_toolbar->actionById(E_ACTION_OPTIONS))
            options->setChecked(false);
        m_optionsDock->hide();
        m_resourceDock->setFloating(false);
    } else if (pObject == m_toolbar->actionById(E_ACTION_OPTIONS)) {
        m_optionsDock->setVisible(static_cast<QAction*>(pObject)->isChecked());
    } else if (pObject == m_toolbar->actionById(E_ACTION_ABOUT)) {
        QString about;
        QFile file(QStringLiteral(":/config/about.txt"));
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            about = QString::fromUtf8(file.readAll());
            SLOG_PLAIN("Verion is : %s", qUtf8Printable(about));
        }
        showSplash(about, false);
    }
}

void SMainWindow::appExit()
{
    close();
}

void SMainWindow::onDeviceDetected(const stDeviceData* pDeviceData)
{
    Q_EMIT deviceDetected(pDeviceData);
    stSettings& settings = applicationSettings();
    loadSettings(settings);
    if (!m_deviceSeen) {
        m_deviceSeen = true;
        if (!settings.manualUpdate && !settings.monthlyUpdate) {
            onUpdateFirmware();
            settings.lastCheckedDate = QDateTime::currentDateTime();
            saveSettings(settings);
        }
    }
    if (settings.autoSync)
        SDeviceHandler::instance()->synchronize();
}

void SMainWindow::onUpdateFirmware()
{
    // Runs the firmware update procedure once it exists.
}

int SMainWindow::synchronizeLibrary(const QList<stLoop>& internalLoops, const QList<stLoop>& externalLoops)
{
    if (internalLoops.isEmpty() && externalLoops.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Synchronization Failed"),
                        QStringLiteral("Either the device is not connected or the loops are not available in the "
                                       "device for Synchronization with the Library."),
                        QMessageBox::Ok, this);
        box.setModal(true);
        return box.exec();
    }
    SDialog dialog(this);
    dialog.setModal(true);
    dialog.setWindowTitle(QStringLiteral("Synchronize Library"));
    dialog.setMinimumSize(700, 650);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The synchronisation widget for the two lists goes into this layout.
    return dialog.exec();
}

void SMainWindow::closeEvent(QCloseEvent* event)
{
    SLOG_PLAIN("Close Event");
    if (!deleteDeviceRows()) {
        SLOG_WARN("SqlError: %s", qUtf8Printable(m_database ? m_database->lastError().text() : QString()));
        return;
    }
    m_database->closeDatabase();
    SDeviceManagerThread::destroyInstance();
    SGlobals::removeWorkingFolder();
    SJuceRuntime::shutdown();
    QMainWindow::closeEvent(event);
}

void SMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    setFocus(Qt::ActiveWindowFocusReason);
}
