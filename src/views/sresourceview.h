#pragma once

#include "device/stdevicedata.h"

#include <QDockWidget>
#include <QString>

// The left dock: the Library entry, the connected pedal's node and the LoopLists.
class SResourceView : public QDockWidget
{
    Q_OBJECT
public:
    // The one resource view, created on first call with the given title, parent and flags.
    static SResourceView* instance(const QString& title = QString(), QWidget* parent = nullptr,
                                   Qt::WindowFlags flags = Qt::WindowFlags());
    ~SResourceView() override;

    // Slots per memory of a pedal model (99 for names not in the model table).
    static int slotsForModel(const QString& modelName);

    // Creates the looplists table when missing.
    void setupDatabase();
    void initializeUIComponents();

Q_SIGNALS:
    void progress(int percentage, QString text);
    void memoryInfo(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);

private:
    SResourceView(const QString& title, QWidget* parent, Qt::WindowFlags flags);
};
