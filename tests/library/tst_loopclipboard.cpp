#include "library/sloopclipboard.h"
#include "library/stableview.h"
#include "testenv.h"

#include <QSqlField>
#include <QtTest>

// Copy, Cut and Paste of loop records through the program's own clipboard.
class TestLoopClipboard : public QObject
{
    Q_OBJECT
private:
    STableView m_library;
    STableView m_loopList;

    static QSqlRecord loop(const QString& name);
    static QStringList names(const QList<QSqlRecord>& records);
    // A collector that takes the given names, as the content view takes its selection.
    static SLoopClipboard::Collector taking(const QStringList& loopNames);

private Q_SLOTS:
    void initTestCase();
    void copyThenPasteTwice();
    void cutThenPasteClears();
    void laterCutReplacesEarlierCopy();
    void failingCollectorChangesNothing();
    void missingCallbacksDoNothing();
};

QSqlRecord TestLoopClipboard::loop(const QString& name)
{
    QSqlRecord record;
    record.append(QSqlField(QStringLiteral("Name"), QMetaType(QMetaType::QString)));
    record.setValue(0, name);
    return record;
}

QStringList TestLoopClipboard::names(const QList<QSqlRecord>& records)
{
    QStringList result;
    for (const QSqlRecord& record : records)
        result << record.value(0).toString();
    return result;
}

SLoopClipboard::Collector TestLoopClipboard::taking(const QStringList& loopNames)
{
    return [loopNames](QList<QSqlRecord>& records, STableView*) {
        records.clear();
        for (const QString& name : loopNames)
            records << loop(name);
        return true;
    };
}

void TestLoopClipboard::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    m_library.setContentType(STableView::E_CONTENT_LIBRARY);
    m_loopList.setContentType(STableView::E_CONTENT_LOOPLIST);
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    QCOMPARE(clipboard, SLoopClipboard::instance());
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_NONE));
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_NONE);
    QVERIFY(clipboard->isClipboardEmpty());
}

void TestLoopClipboard::copyThenPasteTwice()
{
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    clipboard->copy(taking({QStringLiteral("A"), QStringLiteral("B")}), &m_loopList);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_COPY));
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_LOOPLIST);

    QList<QStringList> pasted;
    auto receiver = [&pasted, this](QList<QSqlRecord> records, STableView::E_CONTENTTYPE type, STableView* target,
                                    int row) {
        pasted << names(records);
        return type == STableView::E_CONTENT_LOOPLIST && target == &m_library && row == 4;
    };
    QVERIFY(clipboard->paste(receiver, &m_library, 4));
    QVERIFY(clipboard->paste(receiver, &m_library, 4));
    const QStringList both {QStringLiteral("A"), QStringLiteral("B")};
    QCOMPARE(pasted, (QList<QStringList> {both, both}));
    QVERIFY(!clipboard->isClipboardEmpty());

    // Copy with nothing selected empties the list.
    clipboard->copy(taking({}), &m_library);
    QVERIFY(clipboard->isClipboardEmpty());
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_COPY));
}

void TestLoopClipboard::cutThenPasteClears()
{
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    clipboard->cut(taking({QStringLiteral("C")}), &m_library);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_CUT));
    // The paste that completes a cut clears the records.
    auto receiver = [clipboard](QList<QSqlRecord> records, STableView::E_CONTENTTYPE, STableView*, int) {
        if (clipboard->clipMode() == SLoopClipboard::E_CLIP_CUT)
            clipboard->clear();
        return !records.isEmpty();
    };
    QVERIFY(clipboard->paste(receiver, &m_loopList, 0));
    QVERIFY(clipboard->isClipboardEmpty());
    QVERIFY(!clipboard->paste(receiver, &m_loopList, 0));
    // Clearing keeps where the records came from and how.
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_LIBRARY);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_CUT));
}

void TestLoopClipboard::laterCutReplacesEarlierCopy()
{
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    clipboard->copy(taking({QStringLiteral("L1"), QStringLiteral("L2")}), &m_loopList);
    clipboard->cut(taking({QStringLiteral("Lib")}), &m_library);
    QCOMPARE(names(clipboard->records()), QStringList {QStringLiteral("Lib")});
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_LIBRARY);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_CUT));
}

void TestLoopClipboard::failingCollectorChangesNothing()
{
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    clipboard->copy(taking({QStringLiteral("Kept")}), &m_loopList);

    // A collector that fails half-way, after scribbling on its list.
    auto failing = [](QList<QSqlRecord>& records, STableView*) {
        records.clear();
        records << loop(QStringLiteral("half"));
        return false;
    };
    clipboard->cut(failing, &m_library);
    clipboard->copy(failing, nullptr);
    QCOMPARE(names(clipboard->records()), QStringList {QStringLiteral("Kept")});
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_LOOPLIST);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_COPY));
}

void TestLoopClipboard::missingCallbacksDoNothing()
{
    SLoopClipboard* clipboard = SLoopClipboard::instance();
    clipboard->copy(taking({QStringLiteral("X")}), &m_library);
    clipboard->cut(nullptr, &m_loopList);
    QCOMPARE(clipboard->clipMode(), int(SLoopClipboard::E_CLIP_COPY));
    QCOMPARE(clipboard->contentType(), STableView::E_CONTENT_LIBRARY);
    QVERIFY(!clipboard->paste(nullptr, &m_loopList, 0));
    QCOMPARE(names(clipboard->records()), QStringList {QStringLiteral("X")});
}

QTEST_MAIN(TestLoopClipboard)
#include "tst_loopclipboard.moc"
