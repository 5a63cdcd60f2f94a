#pragma once

#include "device/stloop.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QToolBar>
#include <QUrl>

#include <functional>

class QAction;
class QMenu;
class QPushButton;
class SLineEdit;

// The program's one tool bar: menu buttons, command buttons and the search field.
// Every command action emits actionTriggered(QObject*); listeners compare the action
// with actionById(id).
class SToolbar : public QToolBar
{
    Q_OBJECT
public:
    // Action ids by which the views reach the commands (25 to 27 are not used).
    enum E_ACTION : int
    {
        E_ACTION_NEW_LOOPLIST = 1,
        E_ACTION_DELETE = 2,
        E_ACTION_COPY = 3,
        E_ACTION_CUT = 4,
        E_ACTION_PASTE = 5,
        E_ACTION_PREFERENCES = 6,
        E_ACTION_DUPLICATE_LOOPLIST = 7,
        E_ACTION_SEND_TO_INTERNAL = 8,
        E_ACTION_SEND_TO_EXTERNAL = 9,
        E_ACTION_ADD_TO_LIBRARY = 10,
        E_ACTION_EXPORT_LOOP = 11,
        E_ACTION_CONVERT_FILE = 12,
        E_ACTION_NORMALIZE = 13,
        E_ACTION_ATTENUATE_3DB = 14,
        E_ACTION_ATTENUATE_6DB = 15,
        E_ACTION_MULTIPLY_2X = 16,
        E_ACTION_MULTIPLY_8X = 22,
        E_ACTION_RESTORE_LAYOUT = 23,
        E_ACTION_OPTIONS = 24,
        E_ACTION_ABOUT = 28,
        E_ACTION_SYNCHRONIZE = 29,
        E_ACTION_DEVICE_DETAILS = 30,
        E_ACTION_SINGLE_VIEW = 31,
        E_ACTION_SPLIT_VIEW = 32,
    };

    SToolbar(const QString& title, QWidget* parent = nullptr);
    explicit SToolbar(QWidget* parent = nullptr);

    // Builds the menus, actions and search field; called once by the main window.
    void initializeUIComponents();
    // The action of a tool bar id (1-24, 28-32), or nullptr.
    QAction* actionById(int id) const;

    // Actions without an id.
    QAction* helpAction() const { return m_helpAction; }
    QAction* userManualAction() const { return m_userManualAction; }
    QAction* exitAction() const { return m_exitAction; }
    QAction* undoAction() const { return m_undoAction; }
    QAction* redoAction() const { return m_redoAction; }
    QAction* attenuateAction() const { return m_attenuateAction; }
    QAction* multiplyAction() const { return m_multiplyAction; }

    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* editMenu() const { return m_editMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }
    SLineEdit* searchField() const { return m_searchField; }

    // Web addresses of the product page and the user manual; settings "Urls/Help" and
    // "Urls/UserManual" of the program's settings, with built-in defaults.
    static QUrl helpUrl();
    static QUrl userManualUrl();

    // --- Seams filled by the subsystems that own these commands ---
    // Opens the preferences dialog with the given parent.
    using PreferencesHandler = std::function<void(QWidget* parent)>;
    static void setPreferencesHandler(PreferencesHandler handler);
    // The device link's current loops of the internal and external memory.
    using DeviceLoopsProvider = std::function<void(QList<stLoop>& internalLoops, QList<stLoop>& externalLoops)>;
    static void setDeviceLoopsProvider(DeviceLoopsProvider provider);
    // Runs the modal device details dialog with the given parent.
    using DeviceDetailsHandler = std::function<void(QWidget* parent)>;
    static void setDeviceDetailsHandler(DeviceDetailsHandler handler);

Q_SIGNALS:
    void actionTriggered(QObject* pObject);
    void closeApp();
    void editMenuAboutToShow();
    void searchTextEdited(QString text);

public Q_SLOTS:
    void onActionTriggered(QObject* pObject);
    void onClickSynchronize();
    void onClickDeviceDetails();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAction* createAction(int id);
    QAction* addNamedAction(QAction* action);
    QPushButton* addMenuButton(const QString& text, QMenu* menu, int maximumWidth, const QString& objectName);
    void setIcons();
    QWidget* mainWindow() const;

    QHash<int, QAction*> m_actions;
    QAction* m_helpAction = nullptr;
    QAction* m_userManualAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_attenuateAction = nullptr;
    QAction* m_multiplyAction = nullptr;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QMenu* m_convertMenu = nullptr;
    QMenu* m_attenuateMenu = nullptr;
    QMenu* m_multiplyMenu = nullptr;
    QPushButton* m_helpButton = nullptr;
    SLineEdit* m_searchField = nullptr;

    QPixmap m_backgroundLeft;
    QPixmap m_backgroundMiddle;
    QPixmap m_backgroundRight;
};
