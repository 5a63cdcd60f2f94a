#pragma once

#include <QToolBar>

class QAction;

// The program's one tool bar: menu buttons, command buttons and the search field.
// Every command action emits actionTriggered(QObject*); listeners compare the action
// with actionById(id).
class SToolbar : public QToolBar
{
    Q_OBJECT
public:
    SToolbar(const QString& title, QWidget* parent = nullptr);
    explicit SToolbar(QWidget* parent = nullptr);

    // Builds the menus, actions and search field; called once by the main window.
    void initializeUIComponents();
    // The action of a tool bar id (1-24, 28-32), or nullptr.
    QAction* actionById(int id) const;

Q_SIGNALS:
    void actionTriggered(QObject* pObject);
    void closeApp();
    void editMenuAboutToShow();
    void searchTextEdited(QString text);

public Q_SLOTS:
    void onActionTriggered(QObject* pObject);
    void onClickSynchronize();
    void onClickDeviceDetails();
};
