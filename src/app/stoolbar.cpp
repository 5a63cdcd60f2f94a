#include "app/stoolbar.h"

#include "app/slineedit.h"
#include "app/smainwindow.h"
#include "core/slog.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QUndoStack>

namespace {
const QString kImages = QStringLiteral(":/images/ToolBar/");
const QString kDefaultHelpUrl = QStringLiteral("https://www.vantorra.example/products/ostino-alto-hd/");
const QString kDefaultManualUrl =
    QStringLiteral("https://www.vantorra.example/support/manuals/Ostino_Alto_HD_User_Manual.pdf");

struct ActionDef
{
    int id;
    const char* text;
    QKeySequence::StandardKey standardKey;
    const char* keys;
    bool checkable;
};

// Texts and shortcuts of the actions that carry an id.
const ActionDef kActionDefs[] = {
    {SToolbar::E_ACTION_NEW_LOOPLIST, "Add New LoopList", QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_DELETE, QT_TRANSLATE_NOOP("SToolbar", "&Delete"), QKeySequence::Delete, nullptr, false},
    {SToolbar::E_ACTION_COPY, QT_TRANSLATE_NOOP("SToolbar", "&Copy"), QKeySequence::Copy, nullptr, false},
    {SToolbar::E_ACTION_CUT, QT_TRANSLATE_NOOP("SToolbar", "C&ut"), QKeySequence::Cut, nullptr, false},
    {SToolbar::E_ACTION_PASTE, QT_TRANSLATE_NOOP("SToolbar", "&Paste"), QKeySequence::Paste, nullptr, false},
    {SToolbar::E_ACTION_PREFERENCES, QT_TRANSLATE_NOOP("SToolbar", "Pre&ferences"), QKeySequence::Preferences,
     nullptr, false},
    {SToolbar::E_ACTION_DUPLICATE_LOOPLIST, QT_TRANSLATE_NOOP("SToolbar", "Duplicate LoopList"),
     QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_SEND_TO_INTERNAL, QT_TRANSLATE_NOOP("SToolbar", "Send to device internal memory"),
     QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_SEND_TO_EXTERNAL, QT_TRANSLATE_NOOP("SToolbar", "Send to device external memory"),
     QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_ADD_TO_LIBRARY, QT_TRANSLATE_NOOP("SToolbar", "&Add To Library..."),
     QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_EXPORT_LOOP, QT_TRANSLATE_NOOP("SToolbar", "&Export Loop..."), QKeySequence::UnknownKey,
     nullptr, false},
    {SToolbar::E_ACTION_CONVERT_FILE, QT_TRANSLATE_NOOP("SToolbar", "&Convert File..."), QKeySequence::UnknownKey,
     nullptr, false},
    {SToolbar::E_ACTION_NORMALIZE, QT_TRANSLATE_NOOP("SToolbar", "Norma&lize"), QKeySequence::UnknownKey, nullptr,
     false},
    {SToolbar::E_ACTION_ATTENUATE_3DB, QT_TRANSLATE_NOOP("SToolbar", "Attenuate by &3dB"),
     QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_ATTENUATE_6DB, QT_TRANSLATE_NOOP("SToolbar", "Attenuate by &6dB"),
     QKeySequence::UnknownKey, nullptr, false},
    {16, QT_TRANSLATE_NOOP("SToolbar", "&2x"), QKeySequence::UnknownKey, nullptr, false},
    {17, QT_TRANSLATE_NOOP("SToolbar", "&3x"), QKeySequence::UnknownKey, nullptr, false},
    {18, QT_TRANSLATE_NOOP("SToolbar", "&4x"), QKeySequence::UnknownKey, nullptr, false},
    {19, QT_TRANSLATE_NOOP("SToolbar", "&5x"), QKeySequence::UnknownKey, nullptr, false},
    {20, QT_TRANSLATE_NOOP("SToolbar", "&6x"), QKeySequence::UnknownKey, nullptr, false},
    {21, QT_TRANSLATE_NOOP("SToolbar", "&7x"), QKeySequence::UnknownKey, nullptr, false},
    {22, QT_TRANSLATE_NOOP("SToolbar", "&8x"), QKeySequence::UnknownKey, nullptr, false},
    {SToolbar::E_ACTION_RESTORE_LAYOUT, QT_TRANSLATE_NOOP("SToolbar", "&Restore Default Layout"),
     QKeySequence::UnknownKey, "Ctrl+R", false},
    {SToolbar::E_ACTION_OPTIONS, QT_TRANSLATE_NOOP("SToolbar", "&Options"), QKeySequence::UnknownKey, "Ctrl+O",
     true},
    {SToolbar::E_ACTION_ABOUT, QT_TRANSLATE_NOOP("SToolbar", "&About Spoolbox HD"), QKeySequence::UnknownKey,
     nullptr, false},
    {SToolbar::E_ACTION_SYNCHRONIZE, QT_TRANSLATE_NOOP("SToolbar", "Synchronize"), QKeySequence::UnknownKey,
     nullptr, false},
    {SToolbar::E_ACTION_DEVICE_DETAILS, QT_TRANSLATE_NOOP("SToolbar", "Device Details"), QKeySequence::UnknownKey,
     nullptr, false},
    {SToolbar::E_ACTION_SINGLE_VIEW, QT_TRANSLATE_NOOP("SToolbar", "Single View"), QKeySequence::UnknownKey,
     nullptr, true},
    {SToolbar::E_ACTION_SPLIT_VIEW, QT_TRANSLATE_NOOP("SToolbar", "Split View"), QKeySequence::UnknownKey, nullptr,
     true},
};

// Object names of the command buttons, by action id (Undo, Redo and Help are named apart).
const QHash<int, QString>& buttonNames()
{
    static const QHash<int, QString> names {
        {SToolbar::E_ACTION_NEW_LOOPLIST, QStringLiteral("SToolbarWidgetNewAction")},
        {SToolbar::E_ACTION_DELETE, QStringLiteral("SToolbarWidgetDeleteAction")},
        {SToolbar::E_ACTION_COPY, QStringLiteral("SToolbarWidgetCopyAction")},
        {SToolbar::E_ACTION_CUT, QStringLiteral("SToolbarWidgetCutAction")},
        {SToolbar::E_ACTION_PASTE, QStringLiteral("SToolbarWidgetPasteAction")},
        {SToolbar::E_ACTION_PREFERENCES, QStringLiteral("SToolbarWidgetPrefAction")},
        {SToolbar::E_ACTION_DUPLICATE_LOOPLIST, QStringLiteral("SToolbarWidgetDuplicateAction")},
        {SToolbar::E_ACTION_SEND_TO_INTERNAL, QStringLiteral("SToolbarWidgetCopyToInternalAction")},
        {SToolbar::E_ACTION_SEND_TO_EXTERNAL, QStringLiteral("SToolbarWidgetCopyToExternalAction")},
        {SToolbar::E_ACTION_ADD_TO_LIBRARY, QStringLiteral("SToolbarWidgetAddToLibAction")},
        {SToolbar::E_ACTION_EXPORT_LOOP, QStringLiteral("SToolbarWidgetExportAction")},
        {SToolbar::E_ACTION_OPTIONS, QStringLiteral("SToolbarWidgetDetailsPaneAction")},
        {SToolbar::E_ACTION_SYNCHRONIZE, QStringLiteral("SToolbarWidgetSyncAction")},
        {SToolbar::E_ACTION_SINGLE_VIEW, QStringLiteral("SToolbarWidgetSingleViewAction")},
        {SToolbar::E_ACTION_SPLIT_VIEW, QStringLiteral("SToolbarWidgetSplitViewAction")},
    };
    return names;
}

// "copy.png" -> "copy_mo.png"; "copy_to_internal_nm.png" -> "copy_to_internal_mo.png".
QString hoverFile(const QString& file)
{
    QString stem = file.chopped(4);
    if (stem.endsWith(QLatin1String("_nm")))
        stem.chop(3);
    return stem + QStringLiteral("_mo.png");
}

QPixmap faded(const QPixmap& source)
{
    QPixmap result(source.size());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setOpacity(0.35);
    painter.drawPixmap(0, 0, source);
    return result;
}

// The normal image, the hover image while the pointer is over the button, and a
// checked image for toggles; the same files the style sheet uses, so the button's
// icon and its border image always agree. Menus get the glyph alone at their
// small size, without the hover plate behind it.
QIcon toolIcon(const QString& file, const QString& checkedFile = QString())
{
    QIcon icon;
    icon.addFile(kImages + file, QSize(), QIcon::Normal, QIcon::Off);
    icon.addFile(kImages + hoverFile(file), QSize(), QIcon::Active, QIcon::Off);
    if (!checkedFile.isEmpty()) {
        icon.addFile(kImages + checkedFile, QSize(), QIcon::Normal, QIcon::On);
        icon.addFile(kImages + checkedFile, QSize(), QIcon::Active, QIcon::On);
    }
    const QPixmap image(kImages + file);
    if (!image.isNull()) {
        const QPixmap glyph = image.copy(QRect(2, 4, 21, 21)).scaled(16, 16, Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation);
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active})
            for (QIcon::State state : {QIcon::Off, QIcon::On})
                icon.addPixmap(glyph, mode, state);
        // Disabled commands fade into the dark strip rather than turning grey.
        for (const QPixmap& source : {image, glyph})
            icon.addPixmap(faded(source), QIcon::Disabled);
    }
    return icon;
}

SToolbar::PreferencesHandler& preferencesHandler()
{
    static SToolbar::PreferencesHandler handler;
    return handler;
}

SToolbar::DeviceLoopsProvider& deviceLoopsProvider()
{
    static SToolbar::DeviceLoopsProvider provider;
    return provider;
}

SToolbar::DeviceDetailsHandler& deviceDetailsHandler()
{
    static SToolbar::DeviceDetailsHandler handler;
    return handler;
}

QUrl urlSetting(const QString& key, const QString& fallback)
{
    QSettings settings(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    settings.beginGroup(QStringLiteral("Urls"));
    return QUrl::fromUserInput(settings.value(key, fallback).toString());
}
} // namespace

SToolbar::SToolbar(const QString& title, QWidget* parent) : QToolBar(title, parent)
{
    connect(this, &SToolbar::actionTriggered, this, &SToolbar::onActionTriggered, Qt::UniqueConnection);
}

SToolbar::SToolbar(QWidget* parent) : QToolBar(parent)
{
    connect(this, &SToolbar::actionTriggered, this, &SToolbar::onActionTriggered, Qt::UniqueConnection);
}

QWidget* SToolbar::mainWindow() const
{
    return SMainWindow::instance();
}

QAction* SToolbar::createAction(int id)
{
    for (const ActionDef& def : kActionDefs) {
        if (def.id != id)
            continue;
        // Only the LoopList command keeps its English text in every language.
        const QString text = id == E_ACTION_NEW_LOOPLIST ? QString::fromLatin1(def.text) : tr(def.text);
        auto* action = new QAction(text, this);
        if (def.standardKey != QKeySequence::UnknownKey)
            action->setShortcuts(def.standardKey);
        else if (def.keys)
            action->setShortcut(QKeySequence(QString::fromLatin1(def.keys)));
        action->setCheckable(def.checkable);
        m_actions.insert(id, action);
        return action;
    }
    return nullptr;
}

QAction* SToolbar::addNamedAction(QAction* action)
{
    if (!action)
        return nullptr;
    addAction(action);
    const int id = m_actions.key(action, 0);
    QString name = buttonNames().value(id);
    if (action == m_undoAction)
        name = QStringLiteral("SToolbarWidgetUndoAction");
    else if (action == m_redoAction)
        name = QStringLiteral("SToolbarWidgetRedoAction");
    else if (action == m_helpAction)
        name = QStringLiteral("SToolbarWidgetHelpAction");
    if (QWidget* button = widgetForAction(action); button && !name.isEmpty())
        button->setObjectName(name);
    return action;
}

QPushButton* SToolbar::addMenuButton(const QString& text, QMenu* menu, int maximumWidth, const QString& objectName)
{
    auto* button = new QPushButton(text, this);
    button->setMaximumWidth(maximumWidth);
    button->setObjectName(objectName);
    button->setMenu(menu);
    button->setFocusPolicy(Qt::NoFocus);
    addWidget(button);
    return button;
}

void SToolbar::initializeUIComponents()
{
    SLOG_SCOPE();
    m_backgroundLeft.load(kImages + QStringLiteral("tool_bg_01.png"));
    m_backgroundMiddle.load(kImages + QStringLiteral("tool_bg_02.png"));
    m_backgroundRight.load(kImages + QStringLiteral("tool_bg_03.png"));

    for (const ActionDef& def : kActionDefs)
        createAction(def.id);
    auto action = [this](int id) { return m_actions.value(id); };

    // 1. Undo and Redo come from the main window's undo stack.
    auto* window = qobject_cast<SMainWindow*>(mainWindow());
    if (window && window->undoStack()) {
        m_undoAction = window->undoStack()->createUndoAction(this, tr("&Undo"));
        m_undoAction->setShortcuts(QKeySequence::Undo);
        m_redoAction = window->undoStack()->createRedoAction(this, tr("&Redo"));
        m_redoAction->setShortcuts(QKeySequence::Redo);
    } else {
        SLOG_CRITICAL("pMainWindow is NULL");
    }

    // 2-3. Icon-only buttons; the logo at the far left.
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Icons at the size of their images, so each sits exactly on its button.
    setIconSize(QSize(25, 28));
    auto* leftMargin = new QWidget(this);
    leftMargin->setMaximumWidth(10);
    addWidget(leftMargin);
    auto* logo = new QPushButton(this);
    logo->setObjectName(QStringLiteral("SToolbarPushButtonLogo"));
    logo->setFocusPolicy(Qt::NoFocus);
    addWidget(logo);

    // 4. File menu.
    m_fileMenu = new QMenu(this);
    m_fileMenu->setObjectName(QStringLiteral("SToolbarMenuFile"));
    m_fileMenu->addAction(action(E_ACTION_ADD_TO_LIBRARY));
    m_fileMenu->addAction(action(E_ACTION_EXPORT_LOOP));
    m_fileMenu->addAction(action(E_ACTION_CONVERT_FILE));
    m_exitAction = new QAction(tr("E&xit"), this);
    m_fileMenu->addAction(m_exitAction);
    m_convertMenu = new QMenu(this);
    m_convertMenu->addAction(action(E_ACTION_NORMALIZE));
    m_attenuateAction = m_convertMenu->addAction(tr("&Attenuate"));
    m_multiplyAction = m_convertMenu->addAction(tr("&Multiply"));
    action(E_ACTION_CONVERT_FILE)->setMenu(m_convertMenu);
    m_attenuateMenu = new QMenu(this);
    m_attenuateMenu->addAction(action(E_ACTION_ATTENUATE_3DB));
    m_attenuateMenu->addAction(action(E_ACTION_ATTENUATE_6DB));
    m_attenuateAction->setMenu(m_attenuateMenu);
    m_multiplyMenu = new QMenu(this);
    for (int id = E_ACTION_MULTIPLY_2X; id <= E_ACTION_MULTIPLY_8X; ++id)
        m_multiplyMenu->addAction(action(id));
    m_multiplyAction->setMenu(m_multiplyMenu);
    addMenuButton(tr("&File"), m_fileMenu, 40, QStringLiteral("SToolbarPushButtonFile"));

    // 5. Edit menu.
    m_editMenu = new QMenu(this);
    m_editMenu->setObjectName(QStringLiteral("SToolbarMenuEdit"));
    if (m_undoAction)
        m_editMenu->addAction(m_undoAction);
    if (m_redoAction)
        m_editMenu->addAction(m_redoAction);
    m_editMenu->addSeparator();
    m_editMenu->addAction(action(E_ACTION_CUT));
    m_editMenu->addAction(action(E_ACTION_COPY));
    m_editMenu->addAction(action(E_ACTION_PASTE));
    m_editMenu->addAction(action(E_ACTION_DELETE));
    m_editMenu->addSeparator();
    m_editMenu->addAction(action(E_ACTION_PREFERENCES));
    addMenuButton(tr("&Edit"), m_editMenu, 40, QStringLiteral("SToolbarPushButtonEdit"));

    // 6. View menu.
    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName(QStringLiteral("SToolbarMenuView"));
    m_viewMenu->addAction(action(E_ACTION_OPTIONS));
    m_viewMenu->addAction(action(E_ACTION_RESTORE_LAYOUT));
    addMenuButton(tr("&View"), m_viewMenu, 52, QStringLiteral("SToolbarPushButtonView"));

    // 7. Help menu.
    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(QStringLiteral("SToolbarMenuHelp"));
    m_helpAction = new QAction(tr("Spoolbox HD &Help"), this);
    m_helpAction->setShortcuts(QKeySequence::HelpContents);
    m_userManualAction = new QAction(tr("&Ostino User Manuals"), this);
    m_helpMenu->addAction(m_helpAction);
    m_helpMenu->addAction(m_userManualAction);
    m_helpMenu->addAction(action(E_ACTION_ABOUT));
    m_helpButton = addMenuButton(tr("&Help"), m_helpMenu, 50, QStringLiteral("SToolbarPushButtonHelp"));

    // 8. Command buttons.
    addNamedAction(action(E_ACTION_NEW_LOOPLIST));
    addNamedAction(action(E_ACTION_DUPLICATE_LOOPLIST));
    addNamedAction(action(E_ACTION_SEND_TO_INTERNAL))->setVisible(false);
    addNamedAction(action(E_ACTION_SEND_TO_EXTERNAL))->setVisible(false);
    addNamedAction(action(E_ACTION_ADD_TO_LIBRARY));
    addNamedAction(action(E_ACTION_EXPORT_LOOP));
    addNamedAction(action(E_ACTION_SYNCHRONIZE));
    addSeparator();
    addNamedAction(m_undoAction);
    addNamedAction(m_redoAction);
    addSeparator();
    addNamedAction(action(E_ACTION_CUT));
    addNamedAction(action(E_ACTION_COPY));
    addNamedAction(action(E_ACTION_PASTE));
    addNamedAction(action(E_ACTION_DELETE));
    addSeparator();
    addNamedAction(action(E_ACTION_OPTIONS));
    addSeparator();
    addNamedAction(action(E_ACTION_PREFERENCES));
    addNamedAction(m_helpAction);
    addSeparator();
    addNamedAction(action(E_ACTION_SINGLE_VIEW));
    addNamedAction(action(E_ACTION_SPLIT_VIEW));
    addSeparator();
    auto* spacer = new QWidget(this);
    spacer->setObjectName(QStringLiteral("SToolbarWidgetSpacer"));
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);

    // 9. Search field.
    m_searchField = new SLineEdit(tr("Search"), this);
    m_searchField->setObjectName(QStringLiteral("SToolbarLineEditSearch"));
    m_searchField->setStyleSheet(
        QStringLiteral("QLineEdit {border: 2px solid gray;border-radius: 10px;padding: 0 8px;background: "
                       "darkgray;selection-background-color: black;}"));
    m_searchField->setMaximumWidth(120);
    addWidget(m_searchField);
    addNamedAction(action(E_ACTION_DEVICE_DETAILS))->setVisible(false);
    auto* rightMargin = new QWidget(this);
    rightMargin->setMaximumWidth(5);
    addWidget(rightMargin);

    // The two view modes exclude each other; Single View is the starting mode.
    auto* viewModes = new QActionGroup(this);
    viewModes->addAction(action(E_ACTION_SINGLE_VIEW));
    viewModes->addAction(action(E_ACTION_SPLIT_VIEW));
    action(E_ACTION_SINGLE_VIEW)->setChecked(true);

    // 10. Icons.
    setIcons();

    // 11. Every command action reports itself through actionTriggered, in this order.
    QList<QAction*> reported;
    for (int id : {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 4, 3, 5, 2, 6, 24, 23})
        reported << action(id);
    reported << m_helpAction << m_userManualAction;
    for (int id : {28, 1, 7, 8, 9, 29, 31, 32})
        reported << action(id);
    for (QAction* each : std::as_const(reported))
        connect(each, &QAction::triggered, this, [this, each] { Q_EMIT actionTriggered(each); });

    // 12. The rest; Synchronize runs its own slot after the listeners heard of it.
    connect(m_editMenu, &QMenu::aboutToShow, this, &SToolbar::editMenuAboutToShow);
    connect(action(E_ACTION_SYNCHRONIZE), &QAction::triggered, this, &SToolbar::onClickSynchronize);
    connect(m_searchField, &QLineEdit::textEdited, this, &SToolbar::searchTextEdited);
    connect(m_exitAction, &QAction::triggered, this, &SToolbar::closeApp);
    connect(action(E_ACTION_DEVICE_DETAILS), &QAction::triggered, this, &SToolbar::onClickDeviceDetails);

    // 13. Visible from the start.
    for (QAction* each : {m_undoAction, m_redoAction, action(E_ACTION_OPTIONS), m_helpAction,
                          action(E_ACTION_ADD_TO_LIBRARY), action(E_ACTION_EXPORT_LOOP), action(E_ACTION_COPY),
                          action(E_ACTION_CUT), action(E_ACTION_PASTE), action(E_ACTION_DELETE),
                          action(E_ACTION_SYNCHRONIZE)}) {
        if (each)
            each->setVisible(true);
    }

    // Menu-only commands with a shortcut must still answer it while their menu is closed.
    if (QWidget* parent = parentWidget())
        parent->addAction(action(E_ACTION_RESTORE_LAYOUT));
}

void SToolbar::setIcons()
{
    const struct
    {
        int id;
        const char* file;
        const char* checkedFile;
    } icons[] = {
        {E_ACTION_NEW_LOOPLIST, "new.png", nullptr},
        {E_ACTION_DELETE, "delete.png", nullptr},
        {E_ACTION_COPY, "copy.png", nullptr},
        {E_ACTION_CUT, "cut.png", nullptr},
        {E_ACTION_PASTE, "paste.png", nullptr},
        {E_ACTION_PREFERENCES, "setting.png", nullptr},
        {E_ACTION_DUPLICATE_LOOPLIST, "duplicate.png", nullptr},
        {E_ACTION_SEND_TO_INTERNAL, "copy_to_internal_nm.png", nullptr},
        {E_ACTION_SEND_TO_EXTERNAL, "copy_to_external_nm.png", nullptr},
        {E_ACTION_ADD_TO_LIBRARY, "import.png", nullptr},
        {E_ACTION_EXPORT_LOOP, "export.png", nullptr},
        {E_ACTION_OPTIONS, "multiply.png", "multiply_mo.png"},
        {E_ACTION_SYNCHRONIZE, "sync.png", nullptr},
        {E_ACTION_SINGLE_VIEW, "single_view.png", "single_view_checked.png"},
        {E_ACTION_SPLIT_VIEW, "split_view.png", "split_view_checked.png"},
    };
    for (const auto& icon : icons) {
        if (QAction* action = m_actions.value(icon.id))
            action->setIcon(toolIcon(QString::fromLatin1(icon.file),
                                     icon.checkedFile ? QString::fromLatin1(icon.checkedFile) : QString()));
    }
    if (m_undoAction)
        m_undoAction->setIcon(toolIcon(QStringLiteral("undo.png")));
    if (m_redoAction)
        m_redoAction->setIcon(toolIcon(QStringLiteral("redo.png")));
    m_helpAction->setIcon(toolIcon(QStringLiteral("help.png")));
}

QAction* SToolbar::actionById(int id) const
{
    return m_actions.value(id, nullptr);
}

QUrl SToolbar::helpUrl()
{
    return urlSetting(QStringLiteral("Help"), kDefaultHelpUrl);
}

QUrl SToolbar::userManualUrl()
{
    return urlSetting(QStringLiteral("UserManual"), kDefaultManualUrl);
}

void SToolbar::setPreferencesHandler(PreferencesHandler handler)
{
    preferencesHandler() = std::move(handler);
}

void SToolbar::setDeviceLoopsProvider(DeviceLoopsProvider provider)
{
    deviceLoopsProvider() = std::move(provider);
}

void SToolbar::setDeviceDetailsHandler(DeviceDetailsHandler handler)
{
    deviceDetailsHandler() = std::move(handler);
}

void SToolbar::onActionTriggered(QObject* pObject)
{
    SLOG_SCOPE();
    auto* action = qobject_cast<QAction*>(pObject);
    if (!action)
        return;
    if (action == m_helpAction) {
        QDesktopServices::openUrl(helpUrl());
    } else if (action == m_userManualAction) {
        QDesktopServices::openUrl(userManualUrl());
    } else if (action == actionById(E_ACTION_PREFERENCES)) {
        // A new preferences dialog each time, parented to the main window.
        if (const PreferencesHandler& open = preferencesHandler())
            open(mainWindow());
        else
            SLOG_WARN("No preferences dialog available");
    }
}

void SToolbar::onClickSynchronize()
{
    SLOG_PLAIN("Synchronize Clicked");
    QList<stLoop> internalLoops;
    QList<stLoop> externalLoops;
    if (const DeviceLoopsProvider& provider = deviceLoopsProvider())
        provider(internalLoops, externalLoops);
    if (SMainWindow* window = SMainWindow::instance())
        window->synchronizeLibrary(internalLoops, externalLoops);
}

void SToolbar::onClickDeviceDetails()
{
    SLOG_PLAIN("DeviceDetails Clicked");
    if (const DeviceDetailsHandler& open = deviceDetailsHandler())
        open(mainWindow());
}

void SToolbar::paintEvent(QPaintEvent*)
{
    // Menu buttons on black, a joint behind the Help button, then the command strip.
    QPainter painter(this);
    const int w1 = m_backgroundLeft.width();
    const int w3 = m_backgroundRight.width();
    const int b = m_helpButton ? m_helpButton->x() + m_helpButton->width() + w1 / 2 : 0;
    painter.fillRect(QRect(0, 0, b, height()), QBrush(Qt::black));
    painter.drawPixmap(QRect(b - w1, 0, w1, height()), m_backgroundLeft);
    painter.drawPixmap(QRect(b, 0, width() - b - w3, height()), m_backgroundMiddle);
    painter.drawPixmap(QRect(width() - w3, 0, w3, height()), m_backgroundRight);
}
