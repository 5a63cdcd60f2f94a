#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class SDeviceMemoryNode;

// The connected pedal in the resource view: its model icon and name and its
// memory nodes. Deleting the node deletes the pedal's slot rows from the library.
class SDeviceNode : public QWidget
{
    Q_OBJECT
public:
    explicit SDeviceNode(QWidget* parent = nullptr);
    ~SDeviceNode() override;

    // The model name (as the pedal reports it).
    QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString& name);
    // The port name, stored as the device rows' deviceid.
    QString deviceId() const { return m_deviceId; }
    void setDeviceId(const QString& id) { m_deviceId = id; }
    bool hasExternalMemory() const { return m_hasExternal; }
    // Shows the External node only when there is an external memory.
    void setHasExternalMemory(bool hasExternal);
    bool isSelected() const { return m_selected; }

    SDeviceMemoryNode* internalNode() const { return m_internalNode; }
    SDeviceMemoryNode* externalNode() const { return m_externalNode; }
    SDeviceMemoryNode* memoryNode(bool internal) const { return internal ? m_internalNode : m_externalNode; }

    // How the content view last showed each memory.
    int sortColumn(bool internal) const;
    void setSortColumn(bool internal, int column);
    Qt::SortOrder sortOrder(bool internal) const;
    void setSortOrder(bool internal, Qt::SortOrder order);
    int selectedRow(bool internal) const;
    void setSelectedRow(bool internal, int row);

    QPushButton* iconButton() const { return m_iconButton; }
    QLabel* nameLabel() const { return m_nameLabel; }
    QWidget* topRow() const { return m_topRow; }

Q_SIGNALS:
    void clickedDeviceEject(SDeviceNode* pDeviceNode);
    void clickedMemoryInternal(SDeviceNode* pDeviceNode);
    void clickedMemoryExternal(SDeviceNode* pDeviceNode);

public Q_SLOTS:
    void onClickedDeviceEject();
    void onClickedMemoryInternal();
    void onClickedMemoryExternal();
    void onSelectionChanged(SDeviceNode* pDeviceNode);
    void onMemoryInfoChanged(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt);

private:
    QString m_deviceName;
    QString m_deviceId;
    bool m_hasExternal = false;
    bool m_selected = false;

    QWidget* m_topRow = nullptr;
    QPushButton* m_iconButton = nullptr;
    QLabel* m_nameLabel = nullptr;
    QButtonGroup* m_memoryGroup = nullptr;
    SDeviceMemoryNode* m_internalNode = nullptr;
    SDeviceMemoryNode* m_externalNode = nullptr;
};
