#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include "app/ssplashscreen.h"
#include "device/stdevicedata.h"

class QDockWidget;
class QUndoStack;
class SDatabaseManager;

class SToolbar;

// The single top-level window: tool bar, waveform dock, content view with the
// options dock, and the resource view dock; start-up and orderly shutdown.
class SMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit SMainWindow(QWidget* parent = nullptr);
    ~SMainWindow() override;

    // The one main window (published by the constructor), or nullptr.
    static SMainWindow* instance();

    void initialize();
    void showSplash(const QString& text, bool persistent);
    // Runs the "Synchronize Library" dialog for the detected device's loops.
    int synchronizeLibrary(const QList<stLoop>& internalLoops, const QList<stLoop>& externalLoops);

    SToolbar* toolbar() const { return m_toolbar; }
    QUndoStack* undoStack() const { return m_undoStack; }
    QMainWindow* innerWindow() const { return m_innerWindow; }
    QDockWidget* waveformDock() const { return m_waveformDock; }
    QDockWidget* resourceDock() const { return m_resourceDock; }
    QDockWidget* optionsDock() const { return m_optionsDock; }
    SSplashScreen* splash() const { return m_splash.data(); }

Q_SIGNALS:
    void deviceDetected(const stDeviceData* pDeviceData);
    void deviceRemoved();
    void memoryStatus(int, int, int, int);

public Q_SLOTS:
    void onToolBarActionTriggered(QObject* pObject);
    void appExit();
    void finishSplashTimer();
    void onDeviceDetected(const stDeviceData* pDeviceData);
    void onUpdateFirmware();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Each dock's view is built by its own subsystem; these are the seams where
    // the main window obtains them.
    QWidget* createWaveformView();
    QWidget* createContentView();
    QWidget* createOptionView();
    void connectDeviceWorker();
    bool deleteDeviceRows();

    SToolbar* m_toolbar = nullptr;
    QUndoStack* m_undoStack = nullptr;
    QMainWindow* m_innerWindow = nullptr;
    QDockWidget* m_waveformDock = nullptr;
    QDockWidget* m_resourceDock = nullptr;
    QDockWidget* m_optionsDock = nullptr;
    SDatabaseManager* m_database = nullptr;
    QPointer<SSplashScreen> m_splash;
    bool m_deviceSeen = false;
};
