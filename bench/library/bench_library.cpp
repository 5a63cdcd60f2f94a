// bench-library: a musician's library at scale in the real content view.
//
// Builds, in a throw-away home folder, a library database of 100,000 loops, 50
// LoopLists of 200 slots and the 200-slot mirror of a connected pedal, starts the
// main window (off screen) on it and times what a user waits for:
//   - opening the library view (from a LoopList),
//   - one search keystroke's filter,
//   - sorting the library by name (a click on the Name header),
//   - switching to a LoopList and back to the library,
// with the application's style sheet. Next to each step the same query is run
// bare (the model's own SELECT, forward-only, reading the same rows and columns)
// in the same run. Medians over several rounds.
//
// Ends with GOAL lines: every step, with the repaint of the table that follows it,
// under 150 ms; the step itself (without that repaint, which draws one screenful
// whatever the library's size) within 3x of the bare query; peak memory under
// 300 MB.

#include "ssandbox.h"
#include "app/slineedit.h"
#include "app/smainwindow.h"
#include "app/stoolbar.h"
#include "library/sdatabasemanager.h"
#include "library/ssqltablemodel.h"
#include "library/stableview.h"
#include "views/scontentview.h"
#include "views/slooplist.h"
#include "views/sresourceview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

namespace {
constexpr int kLoops = 100000;
constexpr int kLoopLists = 50;
constexpr int kSlots = 200;
constexpr int kFiles = 1000;
constexpr int kRounds = 7;
constexpr double kMaxMs = 150.0;
constexpr double kMaxRatio = 3.0;
constexpr double kMaxPeakMb = 300.0;

double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1.0;
}

bool exec(QSqlQuery& query)
{
    if (query.exec())
        return true;
    std::fprintf(stderr, "SQL failed: %s\n", qUtf8Printable(query.lastError().text()));
    return false;
}

// 100,000 library loops whose audio files lie in a folder of 1,000 files, and
// 50 LoopLists with every other slot filled from the library.
bool buildLibrary(const QString& folder)
{
    static const char* const adjectives[] = {"Slow", "Fast", "Dark", "Bright", "Deep", "Dry", "Warm", "Wide",
                                             "Tight", "Loose", "Heavy", "Soft", "Hard", "Lazy", "Funky", "Clean"};
    static const char* const nouns[] = {"Groove", "Riff", "Pad", "Shuffle", "Beat", "Swell", "Chord", "Walk",
                                        "Pulse", "Strum", "Drone", "Lick", "Vamp", "Break", "Fill", "Ostinato"};
    static const char* const artists[] = {"Mara Voss", "Ike Tanaka", "The Spools", "DJ Patch", "Lina Ortmann",
                                          "Unit 7", "K. Reyes", "Jon Fell"};
    static const char* const genres[] = {"Rock", "Blues", "Funk", "Jazz", "Latin", "Metal", "Pop", "Techno"};

    QDir().mkpath(folder);
    for (int i = 0; i < kFiles; ++i) {
        QFile file(folder + QStringLiteral("/take_%1.wav").arg(i, 4, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }

    QSqlDatabase db = SDatabaseManager::database();
    if (!db.transaction())
        return false;
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO loops (isvalid, inlibrary, Name, Length, Rating, Description, Artist, Genre, Tags, bpMeasure, "
        "bpMinute, isReversed, isLoop, guidoriginal, guidpatch, guidphrase, filepath) VALUES ('true', 'true', ?, ?, "
        "?, ?, ?, ?, ?, 4, ?, 'false', 'true', ?, ?, ?, ?)"));
    QRandomGenerator random(2024);
    for (int i = 0; i < kLoops; ++i) {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(QLatin1String(adjectives[random.bounded(16)]),
                                      QLatin1String(nouns[random.bounded(16)]))
                                 .arg(random.bounded(1000));
        const int ms = 2000 + int(random.bounded(60000));
        insert.addBindValue(name);
        insert.addBindValue(QStringLiteral("%1:%2.%3")
                                .arg(ms / 60000, 2, 10, QLatin1Char('0'))
                                .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                                .arg(ms % 1000, 3, 10, QLatin1Char('0')));
        insert.addBindValue(int(random.bounded(6)));
        insert.addBindValue(QStringLiteral("Take %1, %2 bars").arg(i).arg(random.bounded(4, 33)));
        insert.addBindValue(QLatin1String(artists[random.bounded(8)]));
        insert.addBindValue(QLatin1String(genres[random.bounded(8)]));
        insert.addBindValue(QStringLiteral("session%1").arg(random.bounded(200)));
        insert.addBindValue(60 + int(random.bounded(120)));
        insert.addBindValue(QStringLiteral("origin-%1").arg(i));
        insert.addBindValue(QStringLiteral("patch-%1").arg(i));
        insert.addBindValue(QStringLiteral("phrase-%1").arg(i));
        insert.addBindValue(folder + QStringLiteral("/take_%1.wav").arg(i % kFiles, 4, 10, QLatin1Char('0')));
        if (!exec(insert))
            return false;
    }

    for (int list = 1; list <= kLoopLists; ++list) {
        QSqlQuery row(db);
        row.prepare(QStringLiteral("INSERT INTO looplists (id, color, name) VALUES (?, ?, ?)"));
        row.addBindValue(list);
        row.addBindValue(list % 7);
        row.addBindValue(QStringLiteral("Set %1").arg(list));
        if (!exec(row))
            return false;
        // 200 empty slots, then every other one filled with a library loop.
        QSqlQuery slots(db);
        if (!slots.exec(QStringLiteral("INSERT INTO loops (looplistid, isvalid, inlibrary, \"Loop #\", Rating) "
                                       "WITH RECURSIVE slot(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM slot WHERE "
                                       "n < %1) SELECT %2, 'false', 'false', n, 0 FROM slot")
                            .arg(kSlots)
                            .arg(list)) ||
            !slots.exec(QStringLiteral("UPDATE loops SET isvalid='true', (Name, Length, Rating, Description, Artist, "
                                       "Genre, Tags, filepath) = (SELECT Name, Length, Rating, Description, Artist, "
                                       "Genre, Tags, filepath FROM loops AS l WHERE l.id = %1 + loops.\"Loop #\") "
                                       "WHERE looplistid=%2 AND (\"Loop #\" % 2) = 1")
                            .arg(list * 1000)
                            .arg(list))) {
            std::fprintf(stderr, "SQL failed: %s\n", qUtf8Printable(slots.lastError().text()));
            return false;
        }
    }
    return db.commit();
}

// The connected pedal's 200 slots (made after start-up, which clears device rows).
bool buildDeviceMirror()
{
    SContentView* content = SContentView::instance();
    if (!content->createDeviceSlots(QStringLiteral("/dev/ttyACM0"), QStringLiteral("internal"),
                                    QStringLiteral("Ostino Alto HD"), kSlots))
        return false;
    QSqlQuery fill(SDatabaseManager::database());
    return fill.exec(QStringLiteral("UPDATE loops SET isvalid='true', Name='Pedal loop ' || \"Loop #\", "
                                    "Length='00:08.000' WHERE deviceid='/dev/ttyACM0' AND \"Loop #\" <= 120"));
}

// What the model reads, run bare: the same statement, forward-only, the same
// number of rows with every column read.
double bareQueryMs(const QString& statement, int rows)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(SDatabaseManager::database());
    query.setForwardOnly(true);
    if (!query.exec(statement)) {
        std::fprintf(stderr, "SQL failed: %s\n", qUtf8Printable(query.lastError().text()));
        return -1.0;
    }
    const int columns = query.record().count();
    int read = 0;
    while (read < rows && query.next()) {
        for (int c = 0; c < columns; ++c)
            query.value(c);
        ++read;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

struct Step
{
    const char* name;
    double stepMs = 0.0;  // the view's work for the step
    double paintMs = 0.0; // the repaint that follows it
    double bareMs = 0.0;  // the same query run bare
    double totalMs() const { return stepMs + paintMs; }
    double ratio() const { return bareMs > 0.0 ? stepMs / bareMs : 0.0; }
};

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}
} // namespace

int main(int argc, char* argv[])
{
    const QString root = SSandbox::enter(QStringLiteral("bench-library"));
    QApplication app(argc, argv);
    if (root.isEmpty()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    QFile styleSheet(QStringLiteral(":/skin/SpoolboxApp.qss"));
    if (styleSheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
    int result = 0;
    QList<Step> steps;
    double peakMb = 0.0;
    {
        // The library exists before the program starts, as it would for a musician.
        QElapsedTimer building;
        building.start();
        {
            SDatabaseManager manager;
            if (!manager.openDatabase() || !manager.createTable(SDatabaseManager::E_TABLE_LOOPS) ||
                !manager.createTable(SDatabaseManager::E_TABLE_LOOPLISTS) ||
                !buildLibrary(root + QStringLiteral("/home/Audio"))) {
                std::fprintf(stderr, "cannot build the library\n");
                return 1;
            }
        }
        // The program logs as it always does (into its working folder).
        SMainWindow window;
        window.initialize();
        if (!buildDeviceMirror()) {
            std::fprintf(stderr, "cannot mirror the pedal\n");
            return 1;
        }
        std::printf("library: %d loops, %d LoopLists of %d slots, a %d-slot pedal, built in %.1f s\n", kLoops,
                    kLoopLists, kSlots, kSlots, double(building.elapsed()) / 1000.0);
        window.show();
        QTest::qWait(50);

        SContentView* content = SContentView::instance();
        STableView* view = content->view(SContentView::E_PANE_UPPER);
        SSqlTableModel* model = content->model(SContentView::E_PANE_UPPER);
        QHeaderView* header = view->horizontalHeader();
        SLoopList* loopList = nullptr;
        for (SLoopList* each : window.resourceDock()->findChildren<SLoopList*>()) {
            if (!each->isLibrary() && each->id() == kLoopLists / 2)
                loopList = each;
        }
        if (!loopList) {
            std::fprintf(stderr, "LoopList %d not shown by the resource view\n", kLoopLists / 2);
            return 1;
        }
        SLineEdit* search = window.toolbar()->searchField();
        const int nameColumn = model->fieldIndex(QStringLiteral("Name"));

        // Runs one user step, then repaints the table as the user then sees it.
        struct Timing
        {
            QList<double> step, paint, bare;
        };
        auto timed = [&](Timing& timing, const std::function<void()>& action) {
            QElapsedTimer timer;
            timer.start();
            action();
            const double stepMs = double(timer.nsecsElapsed()) / 1e6;
            timer.restart();
            view->viewport()->repaint();
            timing.step << stepMs;
            timing.paint << double(timer.nsecsElapsed()) / 1e6;
        };
        auto bareOfModel = [&] { return bareQueryMs(model->query().lastQuery(), int(model->rowCount())); };

        Timing open, keystroke, sort, toList, back;
        for (int round = 0; round < kRounds; ++round) {
            // Opening the library view, coming from a LoopList.
            content->onSelectedLoopList(loopList);
            view->viewport()->repaint();
            timed(open, [&] { content->onSelectedLibrary(); });
            open.bare << bareOfModel();

            // One keystroke in the search field: a selective filter on 100,000 loops.
            search->setText(QStringLiteral("Drone "));
            timed(keystroke, [&] { QTest::keyClick(search, Qt::Key_7); });
            keystroke.bare << bareOfModel();
            search->setText(QString());
            content->onSearchTextEdited(QString());

            // A click on the Name header turns the order round (a selected loop stays selected).
            const QPoint onName(header->sectionViewportPosition(nameColumn) + 5, 5);
            timed(sort, [&] { QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onName); });
            sort.bare << bareOfModel();

            // To a LoopList and back.
            timed(toList, [&] { content->onSelectedLoopList(loopList); });
            toList.bare << bareOfModel();
            timed(back, [&] { content->onSelectedLibrary(); });
            back.bare << bareOfModel();
        }
        auto step = [](const char* name, const Timing& timing) {
            return Step {name, median(timing.step), median(timing.paint), median(timing.bare)};
        };
        steps << step("open_library", open) << step("search_keystroke", keystroke) << step("sort_by_name", sort);
        Step both = step("switch_looplist_and_back", toList);
        const Step returning = step("", back);
        both.stepMs += returning.stepMs;
        both.paintMs += returning.paintMs;
        both.bareMs += returning.bareMs;
        steps << both;
        std::printf("rows fetched by the library view: %d of %d\n", int(model->rowCount()), kLoops);
        peakMb = peakMemoryMb();
        window.close();
    }

    std::printf("%-26s %9s %9s %9s %9s %7s\n", "step", "view ms", "paint ms", "total ms", "sqlite ms", "ratio");
    for (const Step& step : steps)
        std::printf("%-26s %9.2f %9.2f %9.2f %9.2f %7.2f\n", step.name, step.stepMs, step.paintMs, step.totalMs(),
                    step.bareMs, step.ratio());
    std::printf("peak memory: %.1f MB\n", peakMb);
    for (const Step& step : steps) {
        const bool fast = step.totalMs() <= kMaxMs;
        const bool close = step.ratio() <= kMaxRatio;
        std::printf("GOAL %s_ms %.2f %.0f %s\n", step.name, step.totalMs(), kMaxMs, verdict(fast));
        std::printf("GOAL %s_vs_sqlite %.2f %.0f %s\n", step.name, step.ratio(), kMaxRatio, verdict(close));
        if (!fast || !close)
            result = 1;
    }
    const bool small = peakMb > 0 && peakMb <= kMaxPeakMb;
    std::printf("GOAL peak_memory_mb %.1f %.0f %s\n", peakMb, kMaxPeakMb, verdict(small));
    if (!small)
        result = 1;
    QDir(root).removeRecursively();
    return result;
}
