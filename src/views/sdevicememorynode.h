#pragma once

#include "views/srememberedview.h"

#include <QPointer>
#include <QPushButton>

class QLabel;
class SLoopList;
class SMemoryGraph;

// One memory of the connected pedal ("Internal" or "External") in the resource
// view: its usage bar and figures. Takes LoopLists dropped on it (and pasted by
// the send actions) and copies them onto the pedal.
class SDeviceMemoryNode : public QPushButton, public SRememberedView
{
    Q_OBJECT
public:
    explicit SDeviceMemoryNode(bool internal, QWidget* parent = nullptr);
    ~SDeviceMemoryNode() override;

    bool isInternal() const { return m_internal; }
    QString modelName() const { return m_modelName; }
    void setModelName(const QString& name) { m_modelName = name; }
    // Shows "<used>MB" and "<free>MB" and redraws the bar.
    void setFigures(int used, int free);
    SLoopList* lastCopiedLoopList() const { return m_lastCopied.data(); }

    QLabel* iconLabel() const { return m_iconLabel; }
    QLabel* nameLabel() const { return m_nameLabel; }
    QLabel* usedLabel() const { return m_usedLabel; }
    QLabel* freeLabel() const { return m_freeLabel; }
    SMemoryGraph* graph() const { return m_graph; }

public Q_SLOTS:
    void onToggled(bool bChecked);
    void onLooplistCopied(SLoopList* pLooplist);
    void onLooplistDeleted(SLoopList* pLooplist);
    void onPasteClicked();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool m_internal = true;
    QString m_modelName;
    QPointer<SLoopList> m_lastCopied;

    QLabel* m_iconLabel = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_usedLabel = nullptr;
    QLabel* m_freeLabel = nullptr;
    SMemoryGraph* m_graph = nullptr;
};
