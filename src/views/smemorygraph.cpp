#include "views/smemorygraph.h"

#include <QPainter>
#include <QPixmap>

namespace {
// The three slices of a bar: left cap, stretched middle, right cap.
struct Slices
{
    QPixmap start;
    QPixmap middle;
    QPixmap end;
};

Slices load(const char* stem)
{
    const QString base = QStringLiteral(":/images/Resource/") + QLatin1String(stem);
    return {QPixmap(base + QStringLiteral("_s.png")), QPixmap(base + QStringLiteral("_m.png")),
            QPixmap(base + QStringLiteral("_e.png"))};
}
} // namespace

SMemoryGraph::SMemoryGraph(QWidget* parent) : QLabel(parent)
{
    setFixedSize(105, 8);
    setFrameStyle(QFrame::NoFrame | QFrame::Sunken);
    setLineWidth(0);
    setMidLineWidth(3);
}

void SMemoryGraph::setValues(int used, int free)
{
    m_used = used;
    m_free = free;
    repaint();
}

double SMemoryGraph::ratio() const
{
    if (m_used <= 0)
        return 0.0;
    const double total = double(m_used) + double(qMax(m_free, 0));
    return total > 0.0 ? qMin(1.0, double(m_used) / total) : 0.0;
}

int SMemoryGraph::middleWidth(int innerWidth, double ratio, int fillCaps)
{
    return qMax(0, int(innerWidth * ratio) - fillCaps);
}

void SMemoryGraph::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const int h = height();
    const Slices background = load("memory_bg");
    const int bgStart = background.start.width();
    const int bgEnd = background.end.width();
    painter.drawPixmap(0, 0, bgStart, h, background.start);
    painter.drawPixmap(bgStart, 0, qMax(0, width() - bgStart - bgEnd), h, background.middle);
    painter.drawPixmap(width() - bgEnd, 0, bgEnd, h, background.end);

    const double r = ratio();
    if (r > 0.0) {
        // A full memory is drawn in its own colour.
        const Slices fill = load(r < 1.0 ? "memory_in" : "memory_ex");
        const int capStart = fill.start.width();
        const int capEnd = fill.end.width();
        const int middle = middleWidth(width() - bgStart - bgEnd, r, capStart + capEnd);
        int x = bgStart;
        painter.drawPixmap(x, 0, capStart, h, fill.start);
        x += capStart;
        painter.drawPixmap(x, 0, middle, h, fill.middle);
        x += middle;
        painter.drawPixmap(x, 0, capEnd, h, fill.end);
    }
    painter.end();
    QLabel::paintEvent(event);
}
