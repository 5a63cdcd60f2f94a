// Renders the main window with sample loops, a LoopList and a virtual pedal with
// demo loops to PNG files, off screen, in a throw-away home folder.
// Usage: spoolbox-screenshot OUT_DIR
//   OUT_DIR/mainwindow.png   the whole window
//   OUT_DIR/content-library.png, content-split.png, content-device.png
//                            the library, a LoopList over the pedal's internal memory
//                            in split view, and a pedal memory, at 960 x 640
//   OUT_DIR/content-*-max.png the same in a maximised window (1920 x 1040)
//   OUT_DIR/toolbar-left-x3.png, toolbar-right-x3.png
//                            the tool bar in two halves, three times enlarged, Copy under the pointer
//   OUT_DIR/icons-x4.png     every tool bar image and its hover image, four times enlarged
//   OUT_DIR/menu-edit.png    the Edit menu
#include "ssandbox.h"
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "device/sdevicehandler.h"
#include "device/sdevicemanagerthread.h"
#include "device/sevent.h"
#include "device/svirtualportdiscovery.h"
#include "library/sdatabasemanager.h"
#include "library/stableview.h"
#include "sdemoloops.h"
#include "spedalsimulator.h"
#include "views/scontentview.h"
#include "views/scontentviewtitlebar.h"
#include "views/sdevicenode.h"
#include "views/sresourceview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
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

// A LoopList "Live Set" whose odd slots hold the sample loops.
void addSampleLoopList()
{
    QSqlQuery query(SDatabaseManager::database());
    query.exec(QStringLiteral("INSERT INTO looplists (id, color, name) VALUES (1, 2, 'Live Set')"));
    query.exec(QStringLiteral("INSERT INTO loops (looplistid, isvalid, inlibrary, \"Loop #\", Rating) WITH RECURSIVE "
                              "slot(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM slot WHERE n < 200) SELECT 1, "
                              "'false', 'false', n, 0 FROM slot"));
    // Slots 1, 3, 5 ... hold the library's loops in the order they were added.
    QList<int> ids;
    query.exec(QStringLiteral("SELECT id FROM loops WHERE inlibrary='true' ORDER BY id"));
    while (query.next())
        ids << query.value(0).toInt();
    for (int i = 0; i < ids.size(); ++i)
        query.exec(QStringLiteral("UPDATE loops SET isvalid='true', (Name, Length, Rating, Description, Artist, Genre, "
                                  "Tags, filepath) = (SELECT Name, Length, Rating, Description, Artist, Genre, Tags, "
                                  "filepath FROM loops WHERE id=%1) WHERE looplistid=1 AND \"Loop #\"=%2")
                       .arg(ids.at(i))
                       .arg(2 * i + 1));
}

// Shows one view of the content view at a window size and saves the window.
bool saveContent(SMainWindow& window, const QSize& size, const QString& path)
{
    window.resize(size);
    settle(150);
    return window.grab().save(path);
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
    const QString home = SSandbox::enter(QStringLiteral("spoolbox-screenshot"));
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
        // The library and a LoopList exist before the program starts.
        {
            SDatabaseManager manager;
            manager.openDatabase();
            manager.createTable(SDatabaseManager::E_TABLE_LOOPS);
            manager.createTable(SDatabaseManager::E_TABLE_LOOPLISTS);
            addSampleLoops(home + QStringLiteral("/home"));
            addSampleLoopList();
        }
        // A virtual pedal with the demo loops in both memories.
        SPedalConfig config;
        config.internalDir = home + QStringLiteral("/pedal/internal");
        config.externalDir = home + QStringLiteral("/pedal/external");
        config.systemDir = home + QStringLiteral("/pedal/system");
        for (const QString& dir : {config.internalDir, config.externalDir, config.systemDir})
            QDir().mkpath(dir);
        SDemoLoops::populate(config.internalDir, config.externalDir, config.model);
        SPedalSimulator pedal(config);
        if (!pedal.open() || !pedal.start())
            err << "no virtual pedal: the device shots show no pedal\n";
        else
            SDeviceHandler::instance()->setPortDiscovery(
                std::make_unique<SVirtualPortDiscovery>(QStringList {pedal.portPath()}));

        SMainWindow window;
        window.initialize();
        settle(100);
        window.show();
        settle(200);

        if (!window.grab().save(outDir + QStringLiteral("/mainwindow.png")))
            result = 1;

        // The pedal is detected and read (the connect runs in its progress dialog).
        SEvent poll(SEvent::E_POLL_DEVICE);
        QCoreApplication::sendEvent(SDeviceManagerThread::instance(), &poll);
        settle(200);
        SContentView* content = SContentView::instance();
        auto* resources = qobject_cast<SResourceView*>(window.resourceDock());
        SDeviceNode* node = resources ? resources->findChild<SDeviceNode*>() : nullptr;
        const QSize sizes[] = {QSize(960, 640), QSize(1920, 1040)};
        for (const QSize& size : sizes) {
            const QString suffix = size.width() > 960 ? QStringLiteral("-max.png") : QStringLiteral(".png");
            content->onClickedSplitView(SContentView::E_VIEW_SINGLE);
            content->onSelectedLibrary();
            if (!saveContent(window, size, outDir + QStringLiteral("/content-library") + suffix))
                result = 1;
            if (node) {
                node->onClickedMemoryInternal();
                if (!saveContent(window, size, outDir + QStringLiteral("/content-device") + suffix))
                    result = 1;
            }
            // Split view: the LoopList above, the pedal's internal memory below.
            content->onClickedSplitView(SContentView::E_VIEW_SPLIT);
            QComboBox* upper = content->comboBox(SContentView::E_PANE_UPPER);
            QComboBox* lower = content->comboBox(SContentView::E_PANE_LOWER);
            upper->setCurrentIndex(upper->findText(QStringLiteral("Live Set")));
            lower->setCurrentIndex(lower->findText(config.model + QStringLiteral(" Internal")));
            if (!saveContent(window, size, outDir + QStringLiteral("/content-split") + suffix))
                result = 1;
            content->onClickedSplitView(SContentView::E_VIEW_SINGLE);
        }
        window.resize(960, 640);
        settle(100);

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
