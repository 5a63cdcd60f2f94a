#pragma once

#include <QLabel>

// The usage bar of a device memory: the used share of used + free.
class SMemoryGraph : public QLabel
{
    Q_OBJECT
public:
    explicit SMemoryGraph(QWidget* parent = nullptr);

    int used() const { return m_used; }
    int free() const { return m_free; }
    // Stores both figures and repaints at once.
    void setValues(int used, int free);
    // used / (used + free); 0 when nothing is used.
    double ratio() const;
    // Width of the fill's middle slice for a graph of the given inner width.
    static int middleWidth(int innerWidth, double ratio, int fillCaps);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_used = 0;
    int m_free = 0;
};
