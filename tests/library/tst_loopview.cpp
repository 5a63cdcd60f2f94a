#include "library/sdatabasemanager.h"
#include "library/sloopdelegate.h"
#include "library/sloopdrag.h"
#include "library/ssqltablemodel.h"
#include "library/stableview.h"
#include "testenv.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpressionValidator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The loops table as the loop views show it: row rules, stars, editors, cell edits
// and the drag-and-drop rules between views.
class TestLoopView : public QObject
{
    Q_OBJECT
private:
    SDatabaseManager m_db;
    QTemporaryDir m_files;
    QList<stCellEdit> m_edits;

    // A view over rows matching filter, shown, with content type type.
    struct Pane
    {
        STableView* view = nullptr;
        SSqlTableModel* model = nullptr;
    };
    Pane makePane(const QString& filter, STableView::E_CONTENTTYPE type);
    void closePane(Pane& pane);
    int rowOf(const Pane& pane, const QString& name) const;
    static QString cell(int id, const QString& column);
    static int insertLoop(const QString& kind, const QString& name, bool valid, const QString& file,
                          const QString& guidPatch = QString());
    static void sendDrag(QWidget* viewport, QEvent::Type type, QMimeData* data, QPoint pos);

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void rowRules_data();
    void rowRules();
    void starClicks_data();
    void starClicks();
    void nameValidator_data();
    void nameValidator();
    void genreEditor_data();
    void genreEditor();
    void emptyNameKeepsName();
    void libraryEditsGoToTheUndoSeam();
    void applyCellEdit();
    void deviceEditWritesPedalFirst_data();
    void deviceEditWritesPedalFirst();
    void headerMenuHidesInOneView();
    void recordDragAcceptance_data();
    void recordDragAcceptance();
    void fileDragAcceptance_data();
    void fileDragAcceptance();
    void dropOnStartRowDoesNothing();
    void foreignHandlesRefused_data();
    void foreignHandlesRefused();
    void loopListPayload();
};

void TestLoopView::initTestCase()
{
    TESTENV_REQUIRE_ISOLATION();
    QVERIFY(m_files.isValid());
    QVERIFY(m_db.openDatabase());
    QVERIFY(m_db.createTable(SDatabaseManager::E_TABLE_LOOPS));
}

void TestLoopView::init()
{
    QVERIFY(SDatabaseManager::execute(QStringLiteral("DELETE FROM loops")));
    m_edits.clear();
    SSqlTableModel::setCellEditHandler([this](const stCellEdit& edit) {
        m_edits << edit;
        return true;
    });
}

void TestLoopView::cleanup()
{
    SSqlTableModel::setCellEditHandler(nullptr);
    SSqlTableModel::setDeviceWriter(nullptr);
}

int TestLoopView::insertLoop(const QString& kind, const QString& name, bool valid, const QString& file,
                             const QString& guidPatch)
{
    QSqlQuery query(SDatabaseManager::database());
    query.prepare(QStringLiteral("INSERT INTO loops (looplistid, isvalid, deviceid, storagepath, inlibrary, Name, "
                                 "Rating, Genre, filepath, guidpatch) VALUES (?, ?, ?, ?, ?, ?, 3, 'rock', ?, ?)"));
    query.addBindValue(kind == QLatin1String("looplist") ? QVariant(5) : QVariant());
    query.addBindValue(valid ? QStringLiteral("true") : QStringLiteral("false"));
    query.addBindValue(kind == QLatin1String("device") ? QVariant(QStringLiteral("/dev/ttyACM0")) : QVariant());
    query.addBindValue(kind == QLatin1String("device") ? QVariant(QStringLiteral("internal")) : QVariant());
    query.addBindValue(kind == QLatin1String("library") ? QStringLiteral("true") : QStringLiteral("false"));
    query.addBindValue(name);
    query.addBindValue(file);
    query.addBindValue(guidPatch.isEmpty() ? QVariant() : QVariant(guidPatch));
    if (!query.exec())
        return -1;
    return query.lastInsertId().toInt();
}

QString TestLoopView::cell(int id, const QString& column)
{
    QSqlQuery query(SDatabaseManager::database());
    query.exec(QStringLiteral("SELECT \"%1\" FROM loops WHERE id=%2").arg(column).arg(id));
    return query.next() ? query.value(0).toString() : QStringLiteral("<no row>");
}

TestLoopView::Pane TestLoopView::makePane(const QString& filter, STableView::E_CONTENTTYPE type)
{
    Pane pane;
    pane.view = new STableView;
    pane.model = new SSqlTableModel(pane.view);
    pane.model->setTable(QStringLiteral("loops"));
    pane.model->setEditStrategy(QSqlTableModel::OnFieldChange);
    pane.model->setFilter(filter);
    pane.model->setSort(0, Qt::AscendingOrder);
    pane.model->select();
    pane.model->setView(pane.view);
    pane.view->setModel(pane.model);
    pane.view->setContentType(type);
    SSqlTableModel::refreshKnownColumns(pane.model);
    pane.view->setItemDelegate(new SLoopDelegate(pane.view));
    pane.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    pane.view->resize(800, 300);
    pane.view->show();
    return pane;
}

void TestLoopView::closePane(Pane& pane)
{
    delete pane.view;
    pane = Pane();
}

int TestLoopView::rowOf(const Pane& pane, const QString& name) const
{
    for (int row = 0; row < pane.model->rowCount(); ++row) {
        if (pane.model->record(row).value(QStringLiteral("Name")).toString() == name)
            return row;
    }
    return -1;
}

void TestLoopView::sendDrag(QWidget* viewport, QEvent::Type type, QMimeData* data, QPoint pos)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    if (type == QEvent::DragEnter) {
        QDragEnterEvent event(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    } else {
        QDropEvent event(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
}

void TestLoopView::rowRules_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("red");
    QTest::addColumn<bool>("selectable");

    QTest::newRow("library with file") << "library" << true << true << false << true;
    QTest::newRow("library, file deleted") << "library" << true << false << true << false;
    QTest::newRow("looplist with file") << "looplist" << true << true << false << true;
    QTest::newRow("looplist, file deleted") << "looplist" << true << false << true << false;
    QTest::newRow("looplist empty slot") << "looplist" << false << false << false << false;
    QTest::newRow("device loop, no local file") << "device" << true << false << false << true;
    QTest::newRow("device empty slot") << "device" << false << false << false << false;
}

void TestLoopView::rowRules()
{
    QFETCH(QString, kind);
    QFETCH(bool, valid);
    QFETCH(bool, fileExists);
    QFETCH(bool, red);
    QFETCH(bool, selectable);

    const QString path = m_files.filePath(QStringLiteral("loop.wav"));
    QFile::remove(path);
    if (fileExists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(insertLoop(kind, QStringLiteral("Loop"), valid, path) > 0);
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    QCOMPARE(pane.model->rowCount(), 1);

    const QModelIndex name = pane.model->index(0, SSqlTableModel::nameColumn);
    QCOMPARE(name.data(Qt::ForegroundRole).value<QColor>() == QColor(Qt::red), red);
    const Qt::ItemFlags flags = pane.model->flags(name);
    QCOMPARE(bool(flags & Qt::ItemIsSelectable), selectable);
    QCOMPARE(bool(flags & Qt::ItemIsEditable), selectable);
    QVERIFY(flags & Qt::ItemIsDragEnabled);
    QVERIFY(flags & Qt::ItemIsDropEnabled);
    // Length, slot number and stars are never edited as text.
    for (int column : {SSqlTableModel::lengthColumn, SSqlTableModel::loopNumberColumn, SSqlTableModel::ratingColumn})
        QVERIFY(!(pane.model->flags(pane.model->index(0, column)) & Qt::ItemIsEditable));

    pane.view->selectAll();
    QCOMPARE(pane.view->selectedRowsSorted().size(), selectable ? 1 : 0);
    closePane(pane);
}

void TestLoopView::starClicks_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("rating"); // -1: no change
    // One star is 13 pixels wide; five make 65.
    QTest::newRow("left half of the first star") << 3 << 0;
    QTest::newRow("right half of the first star") << 9 << 1;
    QTest::newRow("middle of the third star") << 33 << 3;
    QTest::newRow("right half of the last star") << 62 << 5;
    QTest::newRow("on the left edge") << 0 << -1;
    QTest::newRow("beyond the image") << 66 << -1;
}

void TestLoopView::starClicks()
{
    QFETCH(int, dx);
    QFETCH(int, rating);
    QCOMPARE(QPixmap(QStringLiteral(":/images/Content/star_nn.png")).width(), 13);
    QCOMPARE(QPixmap(QStringLiteral(":/images/Content/star_r0.png")).width(), 65);

    const QString path = m_files.filePath(QStringLiteral("stars.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const int id = insertLoop(QStringLiteral("library"), QStringLiteral("Stars"), true, path);
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    const QModelIndex index = pane.model->index(0, SSqlTableModel::ratingColumn);
    const QRect rect = pane.view->visualRect(index);
    QVERIFY(rect.width() > 66);
    QSignalSpy pressed(pane.view, &STableView::mousePressed);
    QTest::mouseClick(pane.view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(rect.left() + dx, rect.center().y()));
    // Every press is reported with its button, view and row.
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.at(0).at(0).toInt(), int(Qt::LeftButton));
    QCOMPARE(pressed.at(0).at(2).toInt(), 0);
    if (rating < 0) {
        QVERIFY(m_edits.isEmpty());
    } else if (rating == 3) {
        // The rating it already has: no edit at all.
        QVERIFY(m_edits.isEmpty());
    } else {
        QCOMPARE(m_edits.size(), 1);
        QCOMPARE(m_edits.at(0).rowId, id);
        QCOMPARE(m_edits.at(0).column, QStringLiteral("Rating"));
        QCOMPARE(m_edits.at(0).oldValue.toInt(), 3);
        QCOMPARE(m_edits.at(0).newValue.toInt(), rating);
        // The clicked row ends up selected.
        QCOMPARE(pane.view->selectedRowsSorted(), QList<int> {0});
    }
    closePane(pane);
}

void TestLoopView::nameValidator_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("plain") << "Groove 01" << true;
    QTest::newRow("all punctuation") << "~`!@#$%^&()[]{}-_,.;" << true;
    QTest::newRow("thirty characters") << QString(30, QLatin1Char('a')) << true;
    QTest::newRow("thirty-one characters") << QString(31, QLatin1Char('a')) << false;
    QTest::newRow("single quote") << "Rock'n" << false;
    QTest::newRow("double quote") << "A \"B\"" << false;
    QTest::newRow("slash") << "A/B" << false;
    QTest::newRow("colon") << "A:B" << false;
    QTest::newRow("non-ASCII letter") << QStringLiteral("Caf\u00e9") << false;
}

void TestLoopView::nameValidator()
{
    QFETCH(QString, name);
    QFETCH(bool, acceptable);
    insertLoop(QStringLiteral("library"), QStringLiteral("Loop"), true, QString());
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    SLoopDelegate& delegate = *qobject_cast<SLoopDelegate*>(pane.view->itemDelegate());
    QWidget* editor = delegate.createEditor(pane.view->viewport(), QStyleOptionViewItem(),
                                            pane.model->index(0, SSqlTableModel::nameColumn));
    auto* edit = qobject_cast<QLineEdit*>(editor);
    QVERIFY(edit && edit->validator());
    int pos = 0;
    QString text = name;
    QCOMPARE(edit->validator()->validate(text, pos) == QValidator::Acceptable, acceptable);
    delete editor;
    closePane(pane);
}

void TestLoopView::genreEditor_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("exact") << "Rock" << "Rock";
    QTest::newRow("other letter case") << "rock" << "Unspecified";
    QTest::newRow("unknown") << "Polka" << "Unspecified";
    QTest::newRow("R&B") << "R&B" << "R&B";
}

void TestLoopView::genreEditor()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    const int id = insertLoop(QStringLiteral("library"), QStringLiteral("Loop"), true, QString());
    QVERIFY(SDatabaseManager::execute(
        QStringLiteral("UPDATE loops SET Genre=%1 WHERE id=%2").arg(SDatabaseManager::quote(stored)).arg(id)));
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    SLoopDelegate& delegate = *qobject_cast<SLoopDelegate*>(pane.view->itemDelegate());
    const QModelIndex index = pane.model->index(0, SSqlTableModel::genreColumn);
    std::unique_ptr<QWidget> editor(delegate.createEditor(pane.view->viewport(), QStyleOptionViewItem(), index));
    auto* combo = qobject_cast<QComboBox*>(editor.get());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 16);
    QCOMPARE(combo->maxVisibleItems(), 16);
    delegate.setEditorData(combo, index);
    QCOMPARE(combo->currentText(), shown);

    // Choosing a genre stores its text.
    combo->setCurrentText(QStringLiteral("Jazz"));
    delegate.setModelData(combo, pane.model, index);
    QCOMPARE(m_edits.size(), 1);
    QCOMPARE(m_edits.at(0).newValue.toString(), QStringLiteral("Jazz"));
    editor.reset();
    closePane(pane);
}

void TestLoopView::emptyNameKeepsName()
{
    insertLoop(QStringLiteral("library"), QStringLiteral("Keep"), true, QString());
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    SLoopDelegate& delegate = *qobject_cast<SLoopDelegate*>(pane.view->itemDelegate());
    const QModelIndex index = pane.model->index(0, SSqlTableModel::nameColumn);
    std::unique_ptr<QWidget> editor(delegate.createEditor(pane.view->viewport(), QStyleOptionViewItem(), index));
    auto* edit = qobject_cast<QLineEdit*>(editor.get());
    QVERIFY(edit);
    edit->clear();
    delegate.setModelData(edit, pane.model, index);
    // The same text as before is no edit either.
    edit->setText(QStringLiteral("Keep"));
    delegate.setModelData(edit, pane.model, index);
    QVERIFY(m_edits.isEmpty());
    editor.reset();
    closePane(pane);
}

void TestLoopView::libraryEditsGoToTheUndoSeam()
{
    const int library = insertLoop(QStringLiteral("library"), QStringLiteral("Lib"), true, QString(),
                                   QStringLiteral("patch-1"));
    const int slot = insertLoop(QStringLiteral("looplist"), QStringLiteral("Slot"), true, QString());
    Pane pane = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    QVERIFY(pane.model->setData(pane.model->index(rowOf(pane, QStringLiteral("Lib")), SSqlTableModel::nameColumn),
                                QStringLiteral("Lib 2")));
    pane.view->setContentType(STableView::E_CONTENT_LOOPLIST);
    QVERIFY(pane.model->setData(
        pane.model->index(rowOf(pane, QStringLiteral("Slot")), SSqlTableModel::nameColumn), QStringLiteral("Slot 2")));

    QCOMPARE(m_edits.size(), 2);
    const stCellEdit& first = m_edits.at(0);
    QCOMPARE(first.contentType, STableView::E_CONTENT_LIBRARY);
    QCOMPARE(first.rowId, library);
    QCOMPARE(first.column, QStringLiteral("Name"));
    QCOMPARE(first.oldValue.toString(), QStringLiteral("Lib"));
    QCOMPARE(first.newValue.toString(), QStringLiteral("Lib 2"));
    QCOMPARE(first.oldGuidPatch, QStringLiteral("patch-1"));
    QVERIFY(!QUuid::fromString(first.newGuidPatch).isNull());
    QVERIFY(!first.newGuidPatch.startsWith(QLatin1Char('{')));
    // A row without a patch identifier gets none.
    QCOMPARE(m_edits.at(1).rowId, slot);
    QVERIFY(m_edits.at(1).newGuidPatch.isEmpty());
    // The seam decides; nothing was written behind its back.
    QCOMPARE(cell(library, QStringLiteral("Name")), QStringLiteral("Lib"));
    closePane(pane);
}

void TestLoopView::applyCellEdit()
{
    const int library = insertLoop(QStringLiteral("library"), QStringLiteral("Lib"), true, QString(),
                                   QStringLiteral("patch-1"));
    const int slot = insertLoop(QStringLiteral("looplist"), QStringLiteral("Slot"), true, QString(),
                                QStringLiteral("patch-2"));
    stCellEdit edit;
    edit.contentType = STableView::E_CONTENT_LIBRARY;
    edit.rowId = library;
    edit.column = QStringLiteral("Name");
    edit.newValue = QStringLiteral("O'Brien ; DROP TABLE loops");
    edit.newGuidPatch = QStringLiteral("patch-new");
    QVERIFY(SSqlTableModel::applyCellEdit(edit));
    QCOMPARE(cell(library, QStringLiteral("Name")), QStringLiteral("O'Brien ; DROP TABLE loops"));
    QCOMPARE(cell(library, QStringLiteral("guidpatch")), QStringLiteral("patch-new"));

    // LoopList slots keep their patch identifier.
    edit.contentType = STableView::E_CONTENT_LOOPLIST;
    edit.rowId = slot;
    QVERIFY(SSqlTableModel::applyCellEdit(edit));
    QCOMPARE(cell(slot, QStringLiteral("Name")), QStringLiteral("O'Brien ; DROP TABLE loops"));
    QCOMPARE(cell(slot, QStringLiteral("guidpatch")), QStringLiteral("patch-2"));

    edit.rowId = 9999;
    QVERIFY(!SSqlTableModel::applyCellEdit(edit));
}

void TestLoopView::deviceEditWritesPedalFirst_data()
{
    QTest::addColumn<int>("writer"); // 0 none installed, 1 fails, 2 succeeds
    QTest::newRow("no device link") << 0;
    QTest::newRow("pedal refuses") << 1;
    QTest::newRow("pedal takes it") << 2;
}

void TestLoopView::deviceEditWritesPedalFirst()
{
    QFETCH(int, writer);
    const int id = insertLoop(QStringLiteral("device"), QStringLiteral("OnPedal"), true, QString(),
                              QStringLiteral("patch-1"));
    QList<QSqlRecord> written;
    if (writer > 0) {
        SSqlTableModel::setDeviceWriter([&written, writer](const QSqlRecord& row) {
            // The database still holds the old name while the pedal is written.
            written << row;
            return writer == 2 && cell(row.value(QStringLiteral("id")).toInt(), QStringLiteral("Name")) ==
                                      QLatin1String("OnPedal");
        });
    }
    Pane pane = makePane(QString(), STableView::E_CONTENT_DEVICE_INTERNAL);
    const QModelIndex name = pane.model->index(0, SSqlTableModel::nameColumn);
    const bool ok = pane.model->setData(name, QStringLiteral("Renamed"));

    QCOMPARE(ok, writer == 2);
    QVERIFY(m_edits.isEmpty()); // pedal loops are not undoable edits
    QCOMPARE(written.size(), writer > 0 ? 1 : 0);
    if (writer > 0) {
        QCOMPARE(written.at(0).value(QStringLiteral("Name")).toString(), QStringLiteral("Renamed"));
        QVERIFY(written.at(0).value(QStringLiteral("guidpatch")).toString() != QLatin1String("patch-1"));
    }
    const QString expected = writer == 2 ? QStringLiteral("Renamed") : QStringLiteral("OnPedal");
    QCOMPARE(cell(id, QStringLiteral("Name")), expected);
    QCOMPARE(pane.model->index(0, SSqlTableModel::nameColumn).data().toString(), expected);
    if (writer == 2)
        QCOMPARE(cell(id, QStringLiteral("guidpatch")), written.at(0).value(QStringLiteral("guidpatch")).toString());
    else
        QCOMPARE(cell(id, QStringLiteral("guidpatch")), QStringLiteral("patch-1"));

    // The user hears of a failure.
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QCOMPARE(box != nullptr, writer != 2);
    if (box)
        box->close();
    closePane(pane);
}

void TestLoopView::headerMenuHidesInOneView()
{
    insertLoop(QStringLiteral("library"), QStringLiteral("Loop"), true, QString());
    Pane first = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    Pane second = makePane(QString(), STableView::E_CONTENT_LIBRARY);
    const QList<QAction*> actions = first.view->columnMenu()->actions();
    QStringList texts;
    for (QAction* action : actions)
        texts << action->text();
    QCOMPARE(texts, (QStringList {QStringLiteral("Length"), QStringLiteral("Rating"), QStringLiteral("Description"),
                                  QStringLiteral("Artist"), QStringLiteral("Genre"), QStringLiteral("Tags")}));

    actions.at(1)->setChecked(false);
    const int rating = SSqlTableModel::ratingColumn;
    QVERIFY(first.view->isColumnHidden(rating));
    QVERIFY(!second.view->isColumnHidden(rating));
    // Re-reading the rows keeps the choice.
    first.model->select();
    QVERIFY(first.view->isColumnHidden(rating));
    actions.at(1)->setChecked(true);
    QVERIFY(!first.view->isColumnHidden(rating));
    closePane(first);
    closePane(second);
}

void TestLoopView::recordDragAcceptance_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target"); // 0: the source view itself
    QTest::addColumn<bool>("accepted");
    using T = STableView;
    QTest::newRow("looplist to another looplist") << int(T::E_CONTENT_LOOPLIST) << int(T::E_CONTENT_LOOPLIST) << true;
    QTest::newRow("looplist onto itself") << int(T::E_CONTENT_LOOPLIST) << 0 << true;
    QTest::newRow("looplist to device") << int(T::E_CONTENT_LOOPLIST) << int(T::E_CONTENT_DEVICE_EXTERNAL) << true;
    QTest::newRow("looplist to library") << int(T::E_CONTENT_LOOPLIST) << int(T::E_CONTENT_LIBRARY) << false;
    QTest::newRow("library to library") << int(T::E_CONTENT_LIBRARY) << int(T::E_CONTENT_LIBRARY) << false;
    QTest::newRow("library onto itself") << int(T::E_CONTENT_LIBRARY) << 0 << false;
    QTest::newRow("library to looplist") << int(T::E_CONTENT_LIBRARY) << int(T::E_CONTENT_LOOPLIST) << true;
    QTest::newRow("library to device") << int(T::E_CONTENT_LIBRARY) << int(T::E_CONTENT_DEVICE_INTERNAL) << true;
    QTest::newRow("device to same memory") << int(T::E_CONTENT_DEVICE_INTERNAL)
                                           << int(T::E_CONTENT_DEVICE_INTERNAL) << false;
    QTest::newRow("device to other memory") << int(T::E_CONTENT_DEVICE_INTERNAL)
                                            << int(T::E_CONTENT_DEVICE_EXTERNAL) << true;
    QTest::newRow("device to library") << int(T::E_CONTENT_DEVICE_EXTERNAL) << int(T::E_CONTENT_LIBRARY) << true;
}

void TestLoopView::recordDragAcceptance()
{
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(bool, accepted);
    insertLoop(QStringLiteral("library"), QStringLiteral("A"), true, QString());
    insertLoop(QStringLiteral("library"), QStringLiteral("B"), true, QString());
    Pane from = makePane(QString(), STableView::E_CONTENTTYPE(source));
    Pane to = target ? makePane(QString(), STableView::E_CONTENTTYPE(target)) : from;
    QSignalSpy dropped(to.view, qOverload<QPoint, QList<QSqlRecord>*, QWidget*, QWidget*>(&STableView::recordsDropped));

    auto* records = new QList<QSqlRecord> {from.model->record(0)};
    quint64 token = 0;
    std::unique_ptr<QMimeData> data(SLoopDrag::createRecordsData(records, from.view, 0, &token));
    const QPoint rowB = to.view->visualRect(to.model->index(1, SSqlTableModel::nameColumn)).center();
    sendDrag(to.view->viewport(), QEvent::DragEnter, data.get(), rowB);
    QCOMPARE(to.view->isDragAccepted(), accepted);
    QCOMPARE(to.view->dropRow(), 1);

    sendDrag(to.view->viewport(), QEvent::Drop, data.get(), rowB);
    QCOMPARE(dropped.count(), accepted ? 1 : 0);
    if (accepted) {
        auto* list = dropped.at(0).at(1).value<QList<QSqlRecord>*>();
        QCOMPARE(list, records);
        QCOMPARE(dropped.at(0).at(2).value<QWidget*>(), from.view);
        QCOMPARE(dropped.at(0).at(3).value<QWidget*>(), to.view);
        delete list; // the receiver owns it
        QVERIFY(!SLoopDrag::sourceOf(token));
    }
    // A refused drag ends without a drop; the view that started it frees the list.
    SLoopDrag::discard(token);
    if (target)
        closePane(to);
    closePane(from);
}

void TestLoopView::fileDragAcceptance_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("withUrls");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("files onto the library") << int(STableView::E_CONTENT_LIBRARY) << true << true;
    QTest::newRow("text onto the library") << int(STableView::E_CONTENT_LIBRARY) << false << false;
    QTest::newRow("files onto a looplist") << int(STableView::E_CONTENT_LOOPLIST) << true << false;
    QTest::newRow("files onto a device") << int(STableView::E_CONTENT_DEVICE_INTERNAL) << true << false;
}

void TestLoopView::fileDragAcceptance()
{
    QFETCH(int, target);
    QFETCH(bool, withUrls);
    QFETCH(bool, accepted);
    Pane pane = makePane(QString(), STableView::E_CONTENTTYPE(target));
    QSignalSpy dropped(pane.view, qOverload<QList<QUrl>>(&STableView::recordsDropped));
    QMimeData data;
    if (withUrls)
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.wav"))});
    else
        data.setText(QStringLiteral("a.wav"));
    sendDrag(pane.view->viewport(), QEvent::DragEnter, &data, QPoint(5, 5));
    QCOMPARE(pane.view->isDragAccepted(), accepted);
    sendDrag(pane.view->viewport(), QEvent::Drop, &data, QPoint(5, 5));
    QCOMPARE(dropped.count(), accepted ? 1 : 0);
    closePane(pane);
}

void TestLoopView::dropOnStartRowDoesNothing()
{
    insertLoop(QStringLiteral("looplist"), QStringLiteral("A"), true, QString());
    insertLoop(QStringLiteral("looplist"), QStringLiteral("B"), true, QString());
    Pane pane = makePane(QString(), STableView::E_CONTENT_LOOPLIST);
    QSignalSpy dropped(pane.view,
                       qOverload<QPoint, QList<QSqlRecord>*, QWidget*, QWidget*>(&STableView::recordsDropped));
    const QPoint rowA = pane.view->visualRect(pane.model->index(0, SSqlTableModel::nameColumn)).center();
    const QPoint rowB = pane.view->visualRect(pane.model->index(1, SSqlTableModel::nameColumn)).center();

    quint64 token = 0;
    std::unique_ptr<QMimeData> data(
        SLoopDrag::createRecordsData(new QList<QSqlRecord> {pane.model->record(0)}, pane.view, 0, &token));
    sendDrag(pane.view->viewport(), QEvent::DragEnter, data.get(), rowA);
    QVERIFY(pane.view->isDragAccepted());
    sendDrag(pane.view->viewport(), QEvent::Drop, data.get(), rowA);
    QCOMPARE(dropped.count(), 0);
    QVERIFY(!SLoopDrag::sourceOf(token)); // the list was freed

    // One row further down is a move within the LoopList.
    data.reset(SLoopDrag::createRecordsData(new QList<QSqlRecord> {pane.model->record(0)}, pane.view, 0, &token));
    sendDrag(pane.view->viewport(), QEvent::DragEnter, data.get(), rowB);
    sendDrag(pane.view->viewport(), QEvent::Drop, data.get(), rowB);
    QCOMPARE(dropped.count(), 1);
    delete dropped.at(0).at(1).value<QList<QSqlRecord>*>();
    closePane(pane);
}

void TestLoopView::foreignHandlesRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("made-up handle") << 0;
    QTest::newRow("handle of an ended drag") << 1;
    QTest::newRow("payload too short") << 2;
    QTest::newRow("source view gone") << 3;
}

void TestLoopView::foreignHandlesRefused()
{
    // Lets the test hand a drop to the view even after a refused enter.
    struct ProbeView : STableView
    {
        using STableView::dropEvent;
    };
    QFETCH(int, kind);
    ProbeView target;
    target.setContentType(STableView::E_CONTENT_LOOPLIST);
    target.show();
    QSignalSpy dropped(&target,
                       qOverload<QPoint, QList<QSqlRecord>*, QWidget*, QWidget*>(&STableView::recordsDropped));

    auto* source = new STableView;
    source->setContentType(STableView::E_CONTENT_LIBRARY);
    quint64 token = 0;
    std::unique_ptr<QMimeData> data(SLoopDrag::createRecordsData(new QList<QSqlRecord>, source, 0, &token));
    QByteArray payload = data->data(SLoopDrag::recordsFormat);
    switch (kind) {
    case 0:
        // Someone else's bytes that happen to use the format.
        payload.replace(0, 8, QByteArray::fromHex("0000000012345678"));
        data->setData(SLoopDrag::recordsFormat, payload);
        break;
    case 1:
        SLoopDrag::discard(token);
        break;
    case 2:
        data->setData(SLoopDrag::recordsFormat, payload.left(6));
        break;
    case 3:
        delete source;
        source = nullptr;
        break;
    }
    sendDrag(target.viewport(), QEvent::DragEnter, data.get(), QPoint(5, 5));
    QVERIFY(!target.isDragAccepted());
    // The system delivers no drop after a refused enter; the view refuses one all the same.
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    drop.accept();
    target.dropEvent(&drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(dropped.count(), 0);
    SLoopDrag::discard(token);
    delete source;
}

void TestLoopView::loopListPayload()
{
    std::unique_ptr<QMimeData> data(SLoopDrag::createLoopListData(42));
    QVERIFY(data->hasFormat(QStringLiteral("Application/Vantorra/Spoolbox/DragnDropLoopList")));
    QCOMPARE(data->data(SLoopDrag::loopListFormat), QByteArray::fromHex("0000002a"));
    int id = 0;
    QVERIFY(SLoopDrag::readLoopListData(data.get(), id));
    QCOMPARE(id, 42);
    data->setData(SLoopDrag::loopListFormat, QByteArray("\x01", 1));
    QVERIFY(!SLoopDrag::readLoopListData(data.get(), id));
    QCOMPARE(id, 42);
}

QTEST_MAIN(TestLoopView)
#include "tst_loopview.moc"
