#pragma once

#include "device/sdevicemanagerthread.h"
#include "device/stdevicedata.h"
#include "views/sdevicenode.h"
#include "views/slooplist.h"

#include <QDockWidget>
#include <QList>
#include <QPointer>
#include <QSqlRecord>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QScrollArea;
class QVBoxLayout;
class QPushButton;
class QLabel;
class SDeviceNode;
class SLoopList;
class SViewOperations;

// Payload of E_COPY_LOOPLIST_TO_DEVICE: a LoopList's rows in slot order and the memory to replace.
struct stLoopListCopyRequest
{
    QList<QSqlRecord> records;
    QString modelName;
    bool internal = true;
};

// Payload of E_CREATE_LOOPLIST: the LoopList to fill and the loop records for its slots.
struct stLoopListCreateRequest
{
    SLoopList* loopList = nullptr;
    QList<QSqlRecord> records;
};

// An undoable LoopList edit: what the undo command carries.
struct stLoopListEdit
{
    enum E_KIND : int
    {
        E_RENAME = 0,
        E_ADD = 1,
        E_DELETE = 2,
        E_DUPLICATE = 3,
    };
    int kind = E_ADD;
    QPointer<SLoopList> loopList; // the LoopList concerned (the source for a duplicate)
    int id = -1;                  // -1 when not stored yet
    QString name;                 // new name for a rename
    QString oldName;
    QList<QSqlRecord> records;    // the valid rows of a deleted LoopList
};

// The left dock: the Library entry, the connected pedal's node and the LoopLists.
class SResourceView : public QDockWidget
{
    Q_OBJECT
public:
    // The one resource view, created on first call with the given title, parent and flags.
    static SResourceView* instance(const QString& title = QString(), QWidget* parent = nullptr,
                                   Qt::WindowFlags flags = Qt::WindowFlags());
    ~SResourceView() override;
    // The resource view if it exists; never creates one.
    static SResourceView* existing();

    // Slots per memory of a pedal model (99 for names not in the model table).
    static int slotsForModel(const QString& modelName);
    // "mm:ss.zzz" of a length in seconds.
    static QString lengthText(double seconds);

    // Creates the looplists table when missing.
    void setupDatabase();
    void initializeUIComponents();

    // Undoable LoopList edits go through the handler (the undo stack's commands);
    // without one they are performed at once.
    using EditHandler = std::function<void(const stLoopListEdit& edit)>;
    static void setEditHandler(EditHandler handler);
    void submitEdit(const stLoopListEdit& edit);
    // Performs an edit directly (what a command's first run does).
    void performEdit(const stLoopListEdit& edit);
    // Stores and shows a new name; false (and the old name kept) when the database refuses it.
    bool renameLoopList(SLoopList* pLoopList, const QString& name);

    SLoopList* libraryEntry() const { return m_library; }
    SLoopList* currentLoopList() const { return m_currentLoopList.data(); }
    // The LoopLists shown, top to bottom.
    QList<SLoopList*> loopLists() const;
    SLoopList* loopListById(int id) const;
    SDeviceNode* deviceNode() const { return m_deviceNode.data(); }
    bool isDevicePresent() const { return m_devicePresent; }
    // Built on the first right click.
    QMenu* contextMenu() const { return m_contextMenu; }
    QAction* refreshAction() const { return m_refreshAction; }
    // The error text of the last LoopList copy to the pedal (empty when it all went well).
    QString lastCopyError() const { return m_lastCopyError; }

    // Device work run by the device worker.
    void updateDBWithDeviceLoops(stDeviceData* pDeviceData, bool internal);
    void copyListToDevice(const QList<QSqlRecord>& records, const QString& modelName, QString& error, bool internal,
                          QString* currentName = nullptr);
    // A new LoopList holding device loops (synchronisation).
    SLoopList* createNewLoopList(const QList<stLoop>& loops, const QString& name, bool preserve);
    // Asks the questions and copies a LoopList onto a memory of the connected pedal.
    bool sendLoopListToDevice(int loopListId, bool internal);
    // "Refresh Device": forgets the pedal so that the next poll reads it afresh.
    void refreshDevice();

    // Progress callback of the transfers this view starts.
    static bool progressCallback(int percentage, const char* text);

Q_SIGNALS:
    void loopListMousePressed(SLoopList*);
    void loopListSelected(SLoopList*);
    void loopListCreated(SLoopList*);
    void loopListDeleted(SLoopList*);
    void loopListRenamed(SLoopList*);
    void librarySelected();
    void deviceNodeAdded(SDeviceNode*);
    void clickedDeviceEject(SDeviceNode*);
    void clickedMemoryInternal(SDeviceNode*);
    void clickedMemoryExternal(SDeviceNode*);
    void deviceSelectionChanged(SDeviceNode*);
    void deviceRemoved(SDeviceNode*);
    void progress(int percentage, QString text);
    void memoryInfo(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);
    void looplistCopied(SLoopList*);
    void operationFinished(bool, QString, bool);

public Q_SLOTS:
    void onClickedAddLoopList();
    SLoopList* onClickedDuplicateLoopList(SLoopList* pLoopListToDuplicate, SLoopList* pLoopListToCreateIfAlreadyCreated);
    SLoopList* createEmptyLoopList(SLoopList* pLoopList, int iWidgetIndex, QString strName, int iPrimaryKey);
    SLoopList* createLoopListWithRecords(SLoopList* pLoopList, QList<QSqlRecord> lstRecords);
    void postCreateLooplist(SLoopList* pLoopList);
    int onClickedRemoveLoopList(SLoopList* pSender);
    void onRenamedLoopList();
    void emitLooplistRenamed(SLoopList* pLoopList);
    void onChangedLoopListColor(int);
    void onLoopListMousePressed(SLoopList*);
    void onDeviceSlectionChanged(SDeviceNode* pDeviceNode);
    void onDeviceDetected(const stDeviceData* pDeviceData);
    void updateMemoryStatus(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);
    void onDeviceRemoved();
    void onToolBarActionTriggered(QObject* pObject);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    SResourceView(const QString& title, QWidget* parent, Qt::WindowFlags flags);
    void loadLoopLists();
    void connectLoopList(SLoopList* pLoopList);
    // A LoopList whose row is stored takes its id (and a new one its colour) and is connected.
    void adoptLoopList(SLoopList* pLoopList, int id, bool created);
    // Selects a LoopList just made with its rows and tells the content view about it.
    void announceLoopList(SLoopList* pLoopList);
    // A LoopList whose row could not be stored leaves the list again.
    void discardLoopList(SLoopList* pLoopList, bool created);
    // Shows or hides the two send actions for a selected LoopList.
    void updateSendActions(bool loopListShown);
    void hideSendActions();
    void selectLibrary();
    void selectLoopList(SLoopList* pLoopList);
    void refreshContent();
    // Whether the content view's current pane shows a LoopList.
    bool contentShowsLoopList() const;
    // Tells the user that a LoopList operation failed and nothing was changed.
    void reportFailure(const QString& text);

    SLoopList* m_library = nullptr;
    QVBoxLayout* m_devicesLayout = nullptr;
    QVBoxLayout* m_loopListsLayout = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QPushButton* m_addButton = nullptr;
    QPointer<SLoopList> m_currentLoopList;
    QPointer<SDeviceNode> m_deviceNode;
    std::unique_ptr<const stDeviceData> m_deviceRecord;
    bool m_devicePresent = false;
    QMenu* m_contextMenu = nullptr;
    QAction* m_refreshAction = nullptr;
    int m_lastRemovedPosition = -1;
    QString m_lastCopyError;
    std::unique_ptr<SViewOperations> m_operations;
    QPointer<SDeviceManagerThread> m_worker;
};
