#include "app/slineedit.h"
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "testenv.h"

#include <QAction>
#include <QDesktopServices>
#include <QDockWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

// Receives the addresses the tool bar asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class TestToolbar : public QObject
{
    Q_OBJECT
private:
    SToolbar* m_bar = nullptr;
    static void sendFocus(QWidget* widget, QEvent::Type type);

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void actions_data();
    void actions();
    void unknownIdsHaveNoAction_data();
    void unknownIdsHaveNoAction();
    void reportingActions_data();
    void reportingActions();
    void silentActions();
    void synchronizeReportsBeforeItRuns();
    void searchFieldFocus();
    void searchFieldReset();
    void helpAddressesFromSettings();
    void preferencesAndDeviceDetailsSeams();
    void editMenuAnnouncesItself();
    void paintedBackground();
    void mainWindowLayoutActions();
};

void TestToolbar::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    m_bar = new SToolbar(QStringLiteral("Toolbar"));
    m_bar->initializeUIComponents();
    m_bar->resize(960, 32);
    m_bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_bar));
}

void TestToolbar::cleanupTestCase()
{
    delete m_bar;
}

void TestToolbar::sendFocus(QWidget* widget, QEvent::Type type)
{
    QFocusEvent event(type, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(widget, &event);
}

void TestToolbar::actions_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QKeySequence>>("shortcuts");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("checked");

    using K = QKeySequence;
    const QList<K> none;
    auto std = [](K::StandardKey key) { return K::keyBindings(key); };
    QTest::newRow("1") << 1 << "Add New LoopList" << none << "SToolbarWidgetNewAction" << true << false;
    QTest::newRow("2") << 2 << "&Delete" << std(K::Delete) << "SToolbarWidgetDeleteAction" << true << false;
    QTest::newRow("3") << 3 << "&Copy" << std(K::Copy) << "SToolbarWidgetCopyAction" << true << false;
    QTest::newRow("4") << 4 << "C&ut" << std(K::Cut) << "SToolbarWidgetCutAction" << true << false;
    QTest::newRow("5") << 5 << "&Paste" << std(K::Paste) << "SToolbarWidgetPasteAction" << true << false;
    QTest::newRow("6") << 6 << "Pre&ferences" << std(K::Preferences) << "SToolbarWidgetPrefAction" << true << false;
    QTest::newRow("7") << 7 << "Duplicate LoopList" << none << "SToolbarWidgetDuplicateAction" << true << false;
    QTest::newRow("8") << 8 << "Send to device internal memory" << none << "SToolbarWidgetCopyToInternalAction"
                       << false << false;
    QTest::newRow("9") << 9 << "Send to device external memory" << none << "SToolbarWidgetCopyToExternalAction"
                       << false << false;
    QTest::newRow("10") << 10 << "&Add To Library..." << none << "SToolbarWidgetAddToLibAction" << true << false;
    QTest::newRow("11") << 11 << "&Export Loop..." << none << "SToolbarWidgetExportAction" << true << false;
    QTest::newRow("12") << 12 << "&Convert File..." << none << "" << true << false;
    QTest::newRow("13") << 13 << "Norma&lize" << none << "" << true << false;
    QTest::newRow("14") << 14 << "Attenuate by &3dB" << none << "" << true << false;
    QTest::newRow("15") << 15 << "Attenuate by &6dB" << none << "" << true << false;
    QTest::newRow("16") << 16 << "&2x" << none << "" << true << false;
    QTest::newRow("22") << 22 << "&8x" << none << "" << true << false;
    QTest::newRow("23") << 23 << "&Restore Default Layout" << QList<K> {K(QStringLiteral("Ctrl+R"))} << "" << true
                        << false;
    QTest::newRow("24") << 24 << "&Options" << QList<K> {K(QStringLiteral("Ctrl+O"))}
                        << "SToolbarWidgetDetailsPaneAction" << true << false;
    QTest::newRow("28") << 28 << "&About Spoolbox HD" << none << "" << true << false;
    QTest::newRow("29") << 29 << "Synchronize" << none << "SToolbarWidgetSyncAction" << true << false;
    QTest::newRow("30") << 30 << "Device Details" << none << "" << false << false;
    QTest::newRow("31") << 31 << "Single View" << none << "SToolbarWidgetSingleViewAction" << true << true;
    QTest::newRow("32") << 32 << "Split View" << none << "SToolbarWidgetSplitViewAction" << true << false;
}

void TestToolbar::actions()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QList<QKeySequence>, shortcuts);
    QFETCH(QString, button);
    QFETCH(bool, visible);
    QFETCH(bool, checked);

    QAction* action = m_bar->actionById(id);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcuts(), shortcuts);
    QCOMPARE(action->isVisible(), visible);
    QCOMPARE(action->isChecked(), checked);
    if (!button.isEmpty()) {
        QWidget* widget = m_bar->widgetForAction(action);
        QVERIFY(widget);
        QCOMPARE(widget->objectName(), button);
        QVERIFY(!action->icon().isNull());
    }
}

void TestToolbar::unknownIdsHaveNoAction_data()
{
    QTest::addColumn<int>("id");
    for (int id : {0, 25, 26, 27, 33, -1})
        QTest::addRow("%d", id) << id;
}

void TestToolbar::unknownIdsHaveNoAction()
{
    QFETCH(int, id);
    QVERIFY(!m_bar->actionById(id));
}

void TestToolbar::reportingActions_data()
{
    QTest::addColumn<int>("id");
    for (int id : {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 4, 3, 5, 2, 6, 24, 23, 28, 1, 7, 8, 9, 31, 32})
        QTest::addRow("%d", id) << id;
    // Help (-1) and the user manuals (-2) carry no id.
    QTest::newRow("help") << -1;
    QTest::newRow("manuals") << -2;
}

void TestToolbar::reportingActions()
{
    QFETCH(int, id);
    // Help and the manuals open addresses; keep them away from a real browser.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");

    QAction* action = id == -1 ? m_bar->helpAction() : id == -2 ? m_bar->userManualAction() : m_bar->actionById(id);
    QVERIFY(action);
    QSignalSpy spy(m_bar, &SToolbar::actionTriggered);
    action->trigger();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QObject*>(), action);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestToolbar::silentActions()
{
    // Submenu holders, Exit and Device Details are not command reports.
    QSignalSpy reported(m_bar, &SToolbar::actionTriggered);
    QSignalSpy closing(m_bar, &SToolbar::closeApp);
    m_bar->attenuateAction()->trigger();
    m_bar->multiplyAction()->trigger();
    m_bar->actionById(SToolbar::E_ACTION_DEVICE_DETAILS)->trigger();
    QCOMPARE(closing.count(), 0);
    m_bar->exitAction()->trigger();
    QCOMPARE(reported.count(), 0);
    QCOMPARE(closing.count(), 1);
    // Without a main window there is no undo stack to make Undo and Redo from.
    QVERIFY(!m_bar->undoAction());
    QVERIFY(!m_bar->redoAction());
}

void TestToolbar::synchronizeReportsBeforeItRuns()
{
    QStringList order;
    QAction* sync = m_bar->actionById(SToolbar::E_ACTION_SYNCHRONIZE);
    auto connection = connect(m_bar, &SToolbar::actionTriggered, this, [&order, sync](QObject* object) {
        if (object == sync)
            order << QStringLiteral("actionTriggered");
    });
    SToolbar::setDeviceLoopsProvider([&order](QList<stLoop>&, QList<stLoop>&) { order << QStringLiteral("sync"); });
    sync->trigger();
    disconnect(connection);
    SToolbar::setDeviceLoopsProvider(nullptr);
    QCOMPARE(order, (QStringList {QStringLiteral("actionTriggered"), QStringLiteral("sync")}));
}

void TestToolbar::searchFieldFocus()
{
    SLineEdit* field = m_bar->searchField();
    QVERIFY(field);
    // Alone on screen the tool bar hands its first focus to the field; take it back.
    field->clearFocus();
    QCOMPARE(field->text(), QStringLiteral("Search"));
    QSignalSpy edited(m_bar, &SToolbar::searchTextEdited);

    // Clicking in while the hint shows empties the field and reports an empty search once.
    sendFocus(field, QEvent::FocusIn);
    QCOMPARE(field->text(), QString());
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).toString(), QString());

    // Leaving it empty puts the hint back without reporting a search.
    sendFocus(field, QEvent::FocusOut);
    QCOMPARE(field->text(), QStringLiteral("Search"));
    QCOMPARE(field->cursorPosition(), 0);
    QCOMPARE(edited.count(), 1);

    // Typed text stays; the word Search typed by the user counts as the hint.
    field->setText(QStringLiteral("groove"));
    sendFocus(field, QEvent::FocusIn);
    sendFocus(field, QEvent::FocusOut);
    QCOMPARE(field->text(), QStringLiteral("groove"));
    QCOMPARE(edited.count(), 1);
    field->setText(QStringLiteral("Search"));
    sendFocus(field, QEvent::FocusIn);
    QCOMPARE(field->text(), QString());
    QCOMPARE(edited.count(), 2);
    sendFocus(field, QEvent::FocusOut);

    // Real typing is reported.
    QTest::keyClicks(field, QStringLiteral("ab"));
    QCOMPARE(edited.last().at(0).toString(), field->text());
}

void TestToolbar::searchFieldReset()
{
    SLineEdit field(QStringLiteral("Search"));
    QSignalSpy edited(&field, &QLineEdit::textEdited);
    field.setText(QStringLiteral("jazz"));
    field.setCursorPosition(3);
    field.resetField();
    QCOMPARE(field.text(), QStringLiteral("Search"));
    QCOMPARE(field.cursorPosition(), 0);
    QCOMPARE(edited.count(), 0);
}

void TestToolbar::helpAddressesFromSettings()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    m_bar->helpAction()->trigger();
    m_bar->userManualAction()->trigger();
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls.at(0), SToolbar::helpUrl());
    QVERIFY(catcher.urls.at(1).path().endsWith(QLatin1String(".pdf")));

    QSettings settings(QStringLiteral("Vantorra"), QStringLiteral("Spoolbox HD"));
    settings.setValue(QStringLiteral("Urls/Help"), QStringLiteral("www.example.org/help"));
    settings.sync();
    catcher.urls.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    m_bar->helpAction()->trigger();
    QCOMPARE(catcher.urls, (QList<QUrl> {QUrl(QStringLiteral("http://www.example.org/help"))}));
    settings.remove(QStringLiteral("Urls"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestToolbar::preferencesAndDeviceDetailsSeams()
{
    int preferences = 0;
    int details = 0;
    SToolbar::setPreferencesHandler([&preferences](QWidget*) { ++preferences; });
    SToolbar::setDeviceDetailsHandler([&details](QWidget*) { ++details; });
    m_bar->actionById(SToolbar::E_ACTION_PREFERENCES)->trigger();
    m_bar->actionById(SToolbar::E_ACTION_PREFERENCES)->trigger();
    m_bar->actionById(SToolbar::E_ACTION_DEVICE_DETAILS)->trigger();
    SToolbar::setPreferencesHandler(nullptr);
    SToolbar::setDeviceDetailsHandler(nullptr);
    QCOMPARE(preferences, 2);
    QCOMPARE(details, 1);
}

void TestToolbar::editMenuAnnouncesItself()
{
    QSignalSpy spy(m_bar, &SToolbar::editMenuAboutToShow);
    m_bar->editMenu()->popup(m_bar->mapToGlobal(QPoint(0, 0)));
    QCOMPARE(spy.count(), 1);
    m_bar->editMenu()->hide();
}

void TestToolbar::paintedBackground()
{
    // Menu buttons stand on black, the commands on the strip image.
    const QImage image = m_bar->grab().toImage();
    auto* help = m_bar->findChild<QPushButton*>(QStringLiteral("SToolbarPushButtonHelp"));
    QVERIFY(help);
    const int y = image.height() / 2;
    QCOMPARE(image.pixelColor(2, y), QColor(Qt::black));
    const QImage strip(QStringLiteral(":/images/ToolBar/tool_bg_02.png"));
    QVERIFY(!strip.isNull());
    const QColor inStrip = image.pixelColor(image.width() - 20, y);
    QVERIFY2(inStrip != QColor(Qt::black), qPrintable(inStrip.name()));
    QVERIFY(image.pixelColor(help->geometry().right() + 40, 1) != QColor(Qt::black));
}

void TestToolbar::mainWindowLayoutActions()
{
    auto* window = new SMainWindow;
    window->initialize();
    QTRY_VERIFY(window->isVisible());
    SToolbar* bar = window->toolbar();
    QVERIFY(bar);

    // With a main window, Undo and Redo come from its undo stack.
    QVERIFY(bar->undoAction() && bar->redoAction());
    QCOMPARE(bar->undoAction()->text(), QStringLiteral("&Undo"));
    QCOMPARE(bar->undoAction()->shortcuts(), QKeySequence::keyBindings(QKeySequence::Undo));
    QCOMPARE(bar->widgetForAction(bar->undoAction())->objectName(), QStringLiteral("SToolbarWidgetUndoAction"));

    QAction* options = bar->actionById(SToolbar::E_ACTION_OPTIONS);
    options->trigger();
    QVERIFY(options->isChecked());
    QVERIFY(!window->optionsDock()->isHidden());

    window->resourceDock()->setFloating(true);
    bar->actionById(SToolbar::E_ACTION_RESTORE_LAYOUT)->trigger();
    QVERIFY(!window->resourceDock()->isFloating());
    QCOMPARE(window->dockWidgetArea(window->resourceDock()), Qt::LeftDockWidgetArea);
    QVERIFY(!options->isChecked());
    QVERIFY(window->optionsDock()->isHidden());

    // Ctrl+R works while the View menu is closed.
    QVERIFY(window->actions().contains(bar->actionById(SToolbar::E_ACTION_RESTORE_LAYOUT)));

    QVERIFY(window->close());
    delete window;
}

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
