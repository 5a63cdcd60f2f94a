#include "views/sdevicenode.h"

#include "core/slog.h"
#include "library/sdatabasemanager.h"
#include "views/scontentview.h"
#include "views/sdevicememorynode.h"
#include "views/sresourceview.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SDeviceNode::SDeviceNode(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SDeviceNode"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_topRow = new QWidget(this);
    m_topRow->setMinimumHeight(20);
    auto* top = new QHBoxLayout(m_topRow);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(5);
    top->setAlignment(Qt::AlignLeft);
    m_iconButton = new QPushButton(m_topRow);
    m_iconButton->setObjectName(QStringLiteral("SDeviceNodePushButtonDeviceIcon"));
    m_iconButton->setFocusPolicy(Qt::NoFocus);
    m_nameLabel = new QLabel(m_topRow);
    top->addWidget(m_iconButton);
    top->addWidget(m_nameLabel);
    top->addStretch();
    layout->addWidget(m_topRow);

    auto* memories = new QHBoxLayout;
    memories->setContentsMargins(0, 0, 0, 0);
    memories->setSpacing(5);
    memories->setAlignment(Qt::AlignLeft);
    m_internalNode = new SDeviceMemoryNode(true, this);
    m_externalNode = new SDeviceMemoryNode(false, this);
    memories->addWidget(m_internalNode);
    memories->addWidget(m_externalNode);
    layout->addLayout(memories);

    m_memoryGroup = new QButtonGroup(this);
    m_memoryGroup->setExclusive(true);
    m_memoryGroup->addButton(m_internalNode);
    m_memoryGroup->addButton(m_externalNode);
    m_internalNode->setChecked(true);

    connect(m_internalNode, &QPushButton::clicked, this, &SDeviceNode::onClickedMemoryInternal);
    connect(m_externalNode, &QPushButton::clicked, this, &SDeviceNode::onClickedMemoryExternal);
    connect(SContentView::instance(), &SContentView::memoryInfo, this, &SDeviceNode::onMemoryInfoChanged,
            Qt::UniqueConnection);
    if (SResourceView* view = SResourceView::existing())
        connect(view, &SResourceView::memoryInfo, this, &SDeviceNode::onMemoryInfoChanged, Qt::UniqueConnection);
    setStyleSheet(QStringLiteral("QWidget{border: none;}"));
}

SDeviceNode::~SDeviceNode()
{
    // The pedal's slot rows live only as long as its node.
    if (m_deviceId.isEmpty() || !QSqlDatabase::contains(SDatabaseManager::connectionName))
        return;
    QSqlDatabase db = SDatabaseManager::database();
    if (!db.isOpen())
        return;
    QSqlQuery query(db);
    if (!SDatabaseManager::execute(query, QStringLiteral("DELETE FROM loops WHERE deviceid=%1")
                                              .arg(SDatabaseManager::quote(m_deviceId))))
        SLOG_WARN("SqlError: %s", qUtf8Printable(query.lastError().text()));
}

void SDeviceNode::setDeviceName(const QString& name)
{
    m_deviceName = name;
    m_nameLabel->setText(name);
    m_internalNode->setModelName(name);
    m_externalNode->setModelName(name);
    // The style sheet picks the model's picture by this name.
    QString iconName = name;
    iconName.replace(QLatin1Char(' '), QLatin1Char('_'));
    m_iconButton->setObjectName(QStringLiteral("SDeviceNodePushButtonDeviceIcon") + iconName);
}

void SDeviceNode::setHasExternalMemory(bool hasExternal)
{
    m_hasExternal = hasExternal;
    m_externalNode->setVisible(hasExternal);
}

int SDeviceNode::sortColumn(bool internal) const
{
    return memoryNode(internal)->sortColumn();
}

void SDeviceNode::setSortColumn(bool internal, int column)
{
    memoryNode(internal)->setSortColumn(column);
}

Qt::SortOrder SDeviceNode::sortOrder(bool internal) const
{
    return memoryNode(internal)->sortOrder();
}

void SDeviceNode::setSortOrder(bool internal, Qt::SortOrder order)
{
    memoryNode(internal)->setSortOrder(order);
}

int SDeviceNode::selectedRow(bool internal) const
{
    return memoryNode(internal)->selectedRow();
}

void SDeviceNode::setSelectedRow(bool internal, int row)
{
    memoryNode(internal)->setSelectedRow(row);
}

void SDeviceNode::onClickedDeviceEject()
{
    SLOG_DEBUG("Device Eject Request for %s", qUtf8Printable(m_deviceName));
    Q_EMIT clickedDeviceEject(this);
}

void SDeviceNode::onClickedMemoryInternal()
{
    SLOG_DEBUG("Internal memory selected for %s", qUtf8Printable(m_deviceName));
    Q_EMIT clickedMemoryInternal(this);
}

void SDeviceNode::onClickedMemoryExternal()
{
    SLOG_DEBUG("External memory selected for %s", qUtf8Printable(m_deviceName));
    Q_EMIT clickedMemoryExternal(this);
}

void SDeviceNode::onSelectionChanged(SDeviceNode* pDeviceNode)
{
    m_selected = pDeviceNode == this;
    m_topRow->setStyleSheet(m_selected ? QStringLiteral("QWidget{border:none; background: rgb(140, 190, 255); color: "
                                                        "black;}")
                                       : QStringLiteral("QWidget{border:none; background: none; color: grey;}"));
}

void SDeviceNode::onMemoryInfoChanged(int iMemoryFreeInt, int iMemoryUsedInt, int iMemoryFreeExt, int iMemoryUsedExt)
{
    m_internalNode->setFigures(iMemoryUsedInt, iMemoryFreeInt);
    m_externalNode->setFigures(iMemoryUsedExt, iMemoryFreeExt);
}
