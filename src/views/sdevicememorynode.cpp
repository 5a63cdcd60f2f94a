#include "views/sdevicememorynode.h"

#include "library/sloopdrag.h"
#include "views/slooplist.h"
#include "views/smemorygraph.h"
#include "views/sresourceview.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

namespace {
const QString kBlackLabel = QStringLiteral("QLabel { color: black; }");
} // namespace

SDeviceMemoryNode::SDeviceMemoryNode(bool internal, QWidget* parent) : QPushButton(parent), m_internal(internal)
{
    setObjectName(QStringLiteral("SDeviceMemoryNodePushButton"));
    setCheckable(true);
    setAutoExclusive(true);
    setAcceptDrops(true);

    const QString word = internal ? tr("Internal") : tr("External");
    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("SDeviceMemoryNodeLabelMemoryIcon") + word);
    m_nameLabel = new QLabel(word, this);
    m_nameLabel->setStyleSheet(kBlackLabel);
    m_usedLabel = new QLabel(this);
    m_usedLabel->setStyleSheet(kBlackLabel);
    m_usedLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_freeLabel = new QLabel(this);
    m_freeLabel->setStyleSheet(kBlackLabel);
    m_freeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_graph = new SMemoryGraph(this);
    m_graph->setObjectName(QStringLiteral("SDeviceMemoryNodeLabelMemoryGraph"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 2, 5, 2);
    layout->setSpacing(2);
    auto* title = new QHBoxLayout;
    title->setSpacing(5);
    title->setAlignment(Qt::AlignLeft);
    title->addWidget(m_iconLabel);
    title->addWidget(m_nameLabel);
    layout->addLayout(title);
    layout->addWidget(m_graph);
    auto* figures = new QHBoxLayout;
    figures->setSpacing(0);
    figures->addWidget(m_usedLabel);
    figures->addStretch();
    figures->addWidget(m_freeLabel);
    layout->addLayout(figures);

    setFigures(0, 0);
    onToggled(isChecked());

    if (SResourceView* view = SResourceView::existing()) {
        connect(view, &SResourceView::looplistCopied, this, &SDeviceMemoryNode::onLooplistCopied);
        connect(view, &SResourceView::loopListDeleted, this, &SDeviceMemoryNode::onLooplistDeleted);
    }
    connect(this, &QPushButton::toggled, this, &SDeviceMemoryNode::onToggled, Qt::UniqueConnection);
}

SDeviceMemoryNode::~SDeviceMemoryNode() = default;

void SDeviceMemoryNode::setFigures(int used, int free)
{
    m_usedLabel->setText(QString::number(used) + QStringLiteral("MB"));
    m_freeLabel->setText(QString::number(free) + QStringLiteral("MB"));
    m_graph->setValues(used, free);
}

void SDeviceMemoryNode::onToggled(bool bChecked)
{
    // The style sheet shows an active or an inactive picture.
    m_iconLabel->setEnabled(bChecked);
}

void SDeviceMemoryNode::onLooplistCopied(SLoopList* pLooplist)
{
    m_lastCopied = pLooplist;
}

void SDeviceMemoryNode::onLooplistDeleted(SLoopList* pLooplist)
{
    if (m_lastCopied == pLooplist)
        m_lastCopied.clear();
}

void SDeviceMemoryNode::onPasteClicked()
{
    SResourceView* view = SResourceView::existing();
    if (!m_lastCopied || !view)
        return;
    view->sendLoopListToDevice(m_lastCopied->id(), m_internal);
}

void SDeviceMemoryNode::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

void SDeviceMemoryNode::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(SLoopDrag::loopListFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SDeviceMemoryNode::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(SLoopDrag::loopListFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SDeviceMemoryNode::dropEvent(QDropEvent* event)
{
    int loopListId = -1;
    if (!SLoopDrag::readLoopListData(event->mimeData(), loopListId)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (SResourceView* view = SResourceView::existing())
        view->sendLoopListToDevice(loopListId, m_internal);
}
