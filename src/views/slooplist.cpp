#include "views/slooplist.h"

#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "core/slog.h"
#include "library/sdatabasemanager.h"
#include "library/sloopdrag.h"
#include "views/sresourceview.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QStyleOption>

namespace {
const QString kSelectedPressed = QStringLiteral("QWidget{border: none; background: rgb(140, 190, 255);}");
const QString kSelected = QStringLiteral("QWidget{border:none; background: rgb(140, 190, 255);}");
const QString kHovered = QStringLiteral("QWidget{border: none; background: rgb(190, 230, 255);}");
const QString kHoveredSelected = QStringLiteral("QWidget{border:none; background: rgb(190, 230, 255);}");
const QString kNotSelected = QStringLiteral("QWidget{border:none; background: none;}");
const QString kColorButtonStyle =
    QStringLiteral("QPushButton{border: none; border-radius: 0px; background: %1} QPushButton:pressed{border:none;}");
const QString kNewName = QStringLiteral("NewLoopList");

// The next colour is remembered with the preferences so that a restart goes on
// where the last run stopped.
const QString kSettingsGroup = QStringLiteral("Settings");
const QString kNextColorKey = QStringLiteral("NextLoopListColor");

int& nextColor()
{
    static int index = 0;
    return index;
}

QWidget* mainWindow()
{
    return SMainWindow::instance();
}

QAction* toolbarAction(int id)
{
    SMainWindow* window = SMainWindow::instance();
    return window && window->toolbar() ? window->toolbar()->actionById(id) : nullptr;
}
} // namespace

const QStringList& SLoopList::colors()
{
    static const QStringList list {QStringLiteral("rgb(102,0,255)"), QStringLiteral("rgb(153,51,255)"),
                                   QStringLiteral("rgb(0,102,255)"), QStringLiteral("rgb(0,153,204)"),
                                   QStringLiteral("rgb(255,204,0)"), QStringLiteral("rgb(255,153,0)"),
                                   QStringLiteral("rgb(204,0,0)")};
    return list;
}

int SLoopList::nextColorIndex()
{
    return nextColor();
}

void SLoopList::setNextColorIndex(int index)
{
    nextColor() = ((index % colorCount()) + colorCount()) % colorCount();
    QSettings settings(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kNextColorKey, nextColor());
}

int SLoopList::takeNextColorIndex()
{
    const int index = nextColor();
    setNextColorIndex(index + 1);
    return index;
}

int SLoopList::storedNextColorIndex()
{
    QSettings settings(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    settings.beginGroup(kSettingsGroup);
    bool ok = false;
    const int index = settings.value(kNextColorKey).toInt(&ok);
    return ok && index >= 0 && index < colorCount() ? index : -1;
}

const QString& SLoopList::namePattern()
{
    static const QString pattern = QStringLiteral("^[A-Za-z0-9 ~`!@#\\$%\\^&()\\[\\]\\{\\}\\-_,.;]{0,30}$");
    return pattern;
}

SLoopList::SLoopList(QWidget* parent, Qt::WindowFlags flags, bool isLibrary)
    : QWidget(parent, flags), m_colorIndex(nextColor()), m_isLibrary(isLibrary)
{
    setObjectName(QStringLiteral("SLoopList"));
    setAttribute(Qt::WA_Hover);
    m_layout = new QHBoxLayout(this);
    m_layout->setObjectName(QStringLiteral("SLoopListHBoxLayoutMain"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(10);
    m_layout->setAlignment(Qt::AlignLeft);
    m_label = new QLabel(this);
    setFocusPolicy(Qt::StrongFocus);

    if (m_isLibrary) {
        m_label->setPixmap(QPixmap(QStringLiteral(":/images/Resource/Library.png")));
        m_label->setMinimumHeight(20);
        m_label->setObjectName(QStringLiteral("SResourceViewLabelLibrary"));
        m_layout->addWidget(m_label);
    } else {
        m_colorButton = new QPushButton(this);
        m_colorButton->setObjectName(QStringLiteral("SLoopListButtonColor"));
        m_colorButton->setFixedSize(8, 24);
        m_colorButton->setFlat(true);
        m_colorButton->setAutoExclusive(true);
        m_colorButton->setFocusPolicy(Qt::NoFocus);
        styleColorButton();

        m_lineEdit = new QLineEdit(tr("NewLoopList"), this);
        m_lineEdit->setObjectName(QStringLiteral("SLoopListLineEditName"));
        m_lineEdit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(namePattern()), m_lineEdit));
        m_lineEdit->setMinimumHeight(24);

        m_label->setObjectName(QStringLiteral("SLoopListLabelName"));
        m_label->setText(kNewName);
        m_label->setStyleSheet(QStringLiteral("QLabel { color: black; }"));
        m_label->hide();

        m_contextMenu = new QMenu(mainWindow());
        m_contextMenu->setObjectName(QStringLiteral("SLoopListMenuContext"));
        m_renameAction = new QAction(QIcon(QStringLiteral(":/images/Resource/rename.png")), tr("Rename"), this);
        m_renameAction->setObjectName(QStringLiteral("SLoopListActionRename"));
        m_deleteAction = new QAction(QIcon(QStringLiteral(":/images/ToolBar/delete.png")), tr("Delete"), this);
        m_deleteAction->setObjectName(QStringLiteral("SLoopListActionDelete"));
        m_copyAction = new QAction(QIcon(QStringLiteral(":/images/ToolBar/copy.png")), tr("Copy"), this);
        m_copyAction->setObjectName(QStringLiteral("SLoopListActionCopy"));
        m_contextMenu->addAction(m_renameAction);
        m_contextMenu->addAction(m_deleteAction);
        if (QAction* send = toolbarAction(SToolbar::E_ACTION_SEND_TO_INTERNAL))
            m_contextMenu->addAction(send);
        if (QAction* send = toolbarAction(SToolbar::E_ACTION_SEND_TO_EXTERNAL))
            m_contextMenu->addAction(send);

        m_layout->addWidget(m_colorButton);
        m_layout->addWidget(m_lineEdit);
        m_layout->addWidget(m_label);

        connect(m_colorButton, &QPushButton::pressed, this, &SLoopList::onColorButtonPressed);
        connect(m_lineEdit, &QLineEdit::returnPressed, this, &SLoopList::onReturnPressed);
        connect(m_renameAction, &QAction::triggered, this, &SLoopList::onClickedRename);
        connect(m_deleteAction, &QAction::triggered, this, &SLoopList::onDeleteClicked);
        connect(m_copyAction, &QAction::triggered, this, &SLoopList::onCopyClicked);

        // A new LoopList starts with its name being edited.
        m_lineEdit->selectAll();
        setFocusProxy(m_lineEdit);
        m_lineEdit->setFocus();
    }
    setStyleSheet(kSelectedPressed);
}

SLoopList::~SLoopList()
{
    // The menu belongs to the main window; it goes with its LoopList.
    delete m_contextMenu.data();
}

QString SLoopList::name() const
{
    return m_label->text();
}

void SLoopList::setName(const QString& name)
{
    if (m_isLibrary)
        return;
    m_label->setText(name);
    m_lineEdit->setText(name);
}

void SLoopList::setColorIndex(int index)
{
    m_colorIndex = ((index % colorCount()) + colorCount()) % colorCount();
    styleColorButton();
}

bool SLoopList::isRenaming() const
{
    return !m_isLibrary && m_label->isHidden();
}

void SLoopList::styleColorButton()
{
    if (m_colorButton)
        m_colorButton->setStyleSheet(kColorButtonStyle.arg(colors().at(m_colorIndex)));
}

void SLoopList::enterRenameMode()
{
    if (m_isLibrary)
        return;
    m_label->hide();
    m_lineEdit->setText(m_label->text());
    m_lineEdit->setReadOnly(false);
    m_lineEdit->show();
    m_lineEdit->selectAll();
    setFocusProxy(m_lineEdit);
    m_lineEdit->setFocus();
}

void SLoopList::leaveRenameMode(bool commit)
{
    if (m_isLibrary)
        return;
    const bool wasRenaming = isRenaming();
    const QString text = m_lineEdit->text();
    m_lineEdit->hide();
    m_label->show();
    setFocusProxy(nullptr);
    if (commit && wasRenaming && !text.isEmpty() && text != m_label->text()) {
        m_label->setText(text);
        Q_EMIT renamed();
    }
}

void SLoopList::onMousePressed(SLoopList* pSender)
{
    if (pSender == this) {
        if (!m_isLibrary)
            setFocusProxy(isRenaming() ? m_lineEdit : nullptr);
        setFocus();
        setStyleSheet(kSelected);
        m_selected = true;
        return;
    }
    if (isRenaming())
        leaveRenameMode(true);
    setStyleSheet(kNotSelected);
    m_selected = false;
}

void SLoopList::onMouseDoubleClicked(SLoopList* pSender)
{
    if (pSender == this) {
        setStyleSheet(kHoveredSelected);
        m_selected = true;
        return;
    }
    if (!m_isLibrary && !m_lineEdit->text().isEmpty() && isRenaming())
        m_label->setText(m_lineEdit->text());
    if (!m_isLibrary) {
        m_lineEdit->hide();
        m_label->show();
        setFocusProxy(nullptr);
    }
    setStyleSheet(kNotSelected);
    m_selected = false;
}

void SLoopList::onReturnPressed()
{
    if (m_isLibrary)
        return;
    leaveRenameMode(true);
    if (QWidget* window = mainWindow())
        window->setFocus();
}

void SLoopList::onColorButtonPressed()
{
    setColorIndex(m_colorIndex + 1);
    Q_EMIT colorChanged(m_colorIndex);
}

void SLoopList::onClickedRename()
{
    enterRenameMode();
}

void SLoopList::onDeleteClicked()
{
    if (m_isLibrary)
        return;
    stLoopListEdit edit;
    edit.kind = stLoopListEdit::E_DELETE;
    edit.loopList = this;
    edit.id = m_id;
    edit.name = name();
    QSqlQuery query(SDatabaseManager::database());
    if (SDatabaseManager::execute(query, QStringLiteral("SELECT * FROM loops WHERE isvalid='true' AND "
                                                        "\"looplistid\"=%1")
                                             .arg(m_id))) {
        while (query.next())
            edit.records.append(query.record());
    }
    if (SResourceView* view = SResourceView::existing())
        view->submitEdit(edit);
}

void SLoopList::onCopyClicked()
{
    Q_EMIT copied(this);
}

bool SLoopList::event(QEvent* event)
{
    // Delete on a focused LoopList deletes the LoopList, not the loops the tool bar's
    // Delete shortcut would take.
    if (event->type() == QEvent::ShortcutOverride && !m_isLibrary && !isRenaming() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void SLoopList::mousePressEvent(QMouseEvent* event)
{
    setStyleSheet(kSelectedPressed);
    Q_EMIT mousePressed(this);
    if (!m_isLibrary && event->button() == Qt::LeftButton)
        m_pressPoint = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void SLoopList::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_isLibrary && (event->buttons() & Qt::LeftButton) && !isRenaming() &&
        (event->position().toPoint() - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        auto* drag = new QDrag(this);
        drag->setMimeData(SLoopDrag::createLoopListData(m_id));
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        delete drag;
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void SLoopList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_isLibrary) {
        enterRenameMode();
        Q_EMIT mouseDoubleClicked(this);
    }
    QWidget::mouseDoubleClickEvent(event);
}

void SLoopList::enterEvent(QEnterEvent* event)
{
    if (isEnabled())
        setStyleSheet(kHovered);
    QWidget::enterEvent(event);
}

void SLoopList::leaveEvent(QEvent* event)
{
    if (isEnabled())
        setStyleSheet(m_selected ? kSelected : kNotSelected);
    QWidget::leaveEvent(event);
}

void SLoopList::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_isLibrary || !m_contextMenu) {
        QWidget::contextMenuEvent(event);
        return;
    }
    m_contextMenu->exec(event->globalPos());
}

void SLoopList::keyPressEvent(QKeyEvent* event)
{
    if (!m_isLibrary && !isRenaming() && event->key() == Qt::Key_Delete) {
        onDeleteClicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SLoopList::paintEvent(QPaintEvent* event)
{
    // Style sheets draw a plain QWidget subclass only through PE_Widget.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.end();
    QWidget::paintEvent(event);
}
