#pragma once

#include "device/stdevicedata.h"
#include "library/stableview.h"

#include <QString>
#include <QWidget>

// The central view: the loops of the library, a LoopList or a device memory in
// one or two table panes.
class SContentView : public QWidget
{
    Q_OBJECT
public:
    // The one content view, created on first call with the given parent and flags.
    static SContentView* instance(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~SContentView() override;

    // Creates the loops table when missing.
    void setupDatabase();
    void initializeUIComponents();

    // What the current pane shows (E_CONTENT_NONE when there is no current pane).
    STableView::E_CONTENTTYPE currentContentType() const;
    // The current pane's table, or nullptr.
    STableView* currentView() const;

    // Empty slot rows of a LoopList (1..count) and of a device memory (1..count).
    bool createLoopListSlots(int loopListId, int count);
    bool createDeviceSlots(const QString& deviceId, const QString& storagePath, const QString& deviceName, int count);
    bool insertDeviceSlot(const QString& deviceId, const QString& storagePath, const QString& deviceName,
                          int loopNumber);

Q_SIGNALS:
    void loopDetails(stDeviceData* pLoopDetails, bool bInDevice);
    void progress(int percentage, QString text);
    void memoryInfo(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);

public Q_SLOTS:
    void refreshViews();

private:
    SContentView(QWidget* parent, Qt::WindowFlags flags);
    bool createSlots(const QString& firstPart, const QString& unionPart, int count);
};
