// Renders the main window, its tool bar and a loop table filled with sample loops to
// PNG files, off screen, in a throw-away home folder.
// Usage: spoolbox-screenshot OUT_DIR
//   OUT_DIR/mainwindow.png   the whole window
//   OUT_DIR/toolbar-left-x3.png, toolbar-right-x3.png
//                            the tool bar in two halves, three times enlarged, Copy under the pointer
//   OUT_DIR/icons-x4.png     every tool bar image and its hover image, four times enlarged
//   OUT_DIR/menu-edit.png    the Edit menu
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "library/sdatabasemanager.h"
#include "library/sloopdelegate.h"
#include "library/ssqltablemodel.h"
#include "library/stableview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <unistd.h>

namespace {
void settle(int ms = 50)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Keeps the run away from the user's library, settings and temporary files.
QString sandbox()
{
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray pattern = base + "/spoolbox-screenshot.XXXXXX";
    if (!mkdtemp(pattern.data()))
        return QString();
    for (const char* sub : {"/home", "/tmp", "/config", "/data", "/cache"})
        QDir().mkpath(QString::fromLocal8Bit(pattern + sub));
    qputenv("HOME", pattern + "/home");
    qputenv("TMPDIR", pattern + "/tmp");
    qputenv("XDG_CONFIG_HOME", pattern + "/config");
    qputenv("XDG_DATA_HOME", pattern + "/data");
    qputenv("XDG_CACHE_HOME", pattern + "/cache");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return QString::fromLocal8Bit(pattern);
}

void addSampleLoops(const QString& folder)
{
    struct Sample
    {
        const char* name;
        const char* length;
        int rating;
        const char* description;
        const char* artist;
        const char* genre;
        const char* tags;
        bool fileExists;
    };
    const Sample samples[] = {
        {"Groove 01", "00:08.000", 4, "Tight pocket groove", "M. Reyes", "Funk", "drums bass", true},
        {"Ambient Swell", "00:32.500", 5, "Volume swells, long tail", "Lina Ortmann", "New Age", "pad", true},
        {"Blues Shuffle in A", "00:12.250", 3, "12 bars, medium", "J. Carter", "Blues", "shuffle", true},
        {"Clave 3-2", "00:04.000", 2, "Son clave", "", "Latin", "percussion", true},
        {"Drop D Riff", "00:06.750", 0, "Imported from riff.wav", "Koa", "Metal", "riff", false},
        {"Folk Strum", "00:10.000", 3, "Open G strumming", "E. Lind", "Folk", "acoustic", true},
        {"Hip Hop Beat 90", "00:10.667", 4, "Boom bap, 90 BPM", "DJ Patch", "Hip Hop", "beat", true},
        {"Jazz Walk", "00:16.000", 1, "Walking bass in F", "T. Monroe", "Jazz", "bass", true},
        {"Rock Verse", "00:09.600", 5, "Power chords", "The Spools", "Rock", "guitar", true},
        {"Techno Pulse", "00:07.500", 2, "Four on the floor", "Unit 7", "Techno", "synth", true},
    };
    for (const Sample& s : samples) {
        const QString path = folder + QLatin1Char('/') + QString::fromUtf8(s.name) + QStringLiteral(".wav");
        if (s.fileExists) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.close();
        }
        QSqlQuery query(SDatabaseManager::database());
        query.prepare(QStringLiteral("INSERT INTO loops (isvalid, inlibrary, Name, Length, Rating, Description, "
                                     "Artist, Genre, Tags, filepath) VALUES ('true', 'true', ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& value :
             {QVariant(QString::fromUtf8(s.name)), QVariant(QString::fromLatin1(s.length)), QVariant(s.rating),
              QVariant(QString::fromUtf8(s.description)), QVariant(QString::fromUtf8(s.artist)),
              QVariant(QString::fromUtf8(s.genre)), QVariant(QString::fromUtf8(s.tags)), QVariant(path)})
            query.addBindValue(value);
        query.exec();
    }
}

STableView* makeLoopTable()
{
    auto* view = new STableView;
    view->setObjectName(QStringLiteral("SContentViewTableView"));
    view->horizontalHeader()->setObjectName(QStringLiteral("SContentViewHeaderView"));
    auto* model = new SSqlTableModel(view);
    model->setTable(QStringLiteral("loops"));
    model->setEditStrategy(QSqlTableModel::OnFieldChange);
    model->setFilter(QStringLiteral("inlibrary='true'"));
    model->setSort(model->fieldIndex(QStringLiteral("Name")), Qt::AscendingOrder);
    model->select();
    model->setView(view);
    view->setModel(model);
    view->setContentType(STableView::E_CONTENT_LIBRARY);
    view->setSourceName(QStringLiteral("Library"));
    SSqlTableModel::refreshKnownColumns(model);
    view->setItemDelegate(new SLoopDelegate(view));

    view->setSortingEnabled(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(20);
    view->setAlternatingRowColors(true);
    view->setShowGrid(false);
    view->horizontalHeader()->setMinimumSectionSize(70);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QStringList visible {QStringLiteral("Name"),   QStringLiteral("Length"), QStringLiteral("Rating"),
                               QStringLiteral("Description"), QStringLiteral("Artist"), QStringLiteral("Genre"),
                               QStringLiteral("Tags")};
    for (int column = 0; column < model->columnCount(); ++column)
        view->setColumnHidden(column, !visible.contains(model->record().fieldName(column)));
    const struct
    {
        const char* field;
        int width;
    } widths[] = {{"Name", 130}, {"Length", 76}, {"Rating", 70}, {"Description", 150}, {"Artist", 96}, {"Genre", 76}};
    for (const auto& column : widths)
        view->setColumnWidth(model->fieldIndex(QString::fromLatin1(column.field)), column.width);
    view->horizontalHeader()->setSectionResizeMode(SSqlTableModel::ratingColumn, QHeaderView::Fixed);
    view->sortByColumn(model->fieldIndex(QStringLiteral("Name")), Qt::AscendingOrder);
    view->selectRow(1);
    return view;
}

void saveIconSheet(const QString& path)
{
    QStringList files;
    QDirIterator it(QStringLiteral(":/images/ToolBar"));
    while (it.hasNext())
        files << it.next();
    files.sort();
    QStringList normals;
    for (const QString& file : std::as_const(files)) {
        if (!file.contains(QLatin1String("_mo.")) && !file.contains(QLatin1String("tool_bg")))
            normals << file;
    }
    // Four icons a row; each shows normal and hover on the strip, then normal on white.
    const int cell = 34;
    const int scale = 4;
    const int perRow = 4;
    const int rows = int((normals.size() + perRow - 1) / perRow);
    QImage sheet(QSize(cell * 3 * perRow, cell * rows) * scale, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.scale(scale, scale);
    const QPixmap strip(QStringLiteral(":/images/ToolBar/tool_bg_02.png"));
    for (int i = 0; i < normals.size(); ++i) {
        const int x = (i % perRow) * cell * 3;
        const int y = (i / perRow) * cell;
        QString hover = normals.at(i);
        hover.replace(QLatin1String("_nm.png"), QLatin1String(".png"));
        hover.replace(QLatin1String(".png"), QLatin1String("_mo.png"));
        painter.drawPixmap(QRect(x, y, cell * 2, cell), strip);
        painter.drawPixmap(x + 4, y + 3, QPixmap(normals.at(i)));
        painter.drawPixmap(x + cell + 4, y + 3, QPixmap(hover));
        painter.drawPixmap(x + 2 * cell + 4, y + 3, QPixmap(normals.at(i)));
    }
    painter.end();
    sheet.save(path);
}
} // namespace

int main(int argc, char* argv[])
{
    const QString home = sandbox();
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (home.isEmpty() || app.arguments().size() < 2) {
        err << "usage: spoolbox-screenshot OUT_DIR\n";
        return 2;
    }
    const QString outDir = app.arguments().at(1);
    QDir().mkpath(outDir);

    QFile styleSheet(QStringLiteral(":/skin/SpoolboxApp.qss"));
    if (styleSheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(styleSheet.readAll()));

    int result = 0;
    {
        SMainWindow window;
        window.initialize();
        settle(100);
        addSampleLoops(home + QStringLiteral("/home"));
        window.innerWindow()->setCentralWidget(makeLoopTable());
        window.show();
        settle(200);

        if (!window.grab().save(outDir + QStringLiteral("/mainwindow.png")))
            result = 1;

        // The same tool bar with the pointer over Copy.
        if (auto* copy = window.findChild<QToolButton*>(QStringLiteral("SToolbarWidgetCopyAction"))) {
            copy->setAttribute(Qt::WA_UnderMouse, true);
            copy->update();
        }
        settle(50);
        const QPixmap bar = window.toolbar()->grab();
        const int half = bar.width() / 2;
        const QRect halves[] = {QRect(0, 0, half, bar.height()), QRect(half, 0, bar.width() - half, bar.height())};
        for (int i = 0; i < 2; ++i)
            bar.copy(halves[i])
                .scaled(halves[i].size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .save(outDir + QStringLiteral("/toolbar-%1-x3.png").arg(i ? QStringLiteral("right") : QStringLiteral("left")));
        saveIconSheet(outDir + QStringLiteral("/icons-x4.png"));

        QMenu* edit = window.toolbar()->editMenu();
        edit->popup(window.mapToGlobal(QPoint(90, 30)));
        settle(50);
        edit->setActiveAction(window.toolbar()->actionById(SToolbar::E_ACTION_COPY));
        settle(50);
        edit->grab().save(outDir + QStringLiteral("/menu-edit.png"));
        edit->hide();
        window.close();
    }
    QDir(home).removeRecursively();
    return result;
}
