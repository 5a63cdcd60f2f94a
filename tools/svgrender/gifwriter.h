#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Writes an endlessly looping animated GIF (Qt reads GIF but cannot write it).
// Every frame is reduced to one shared palette; alpha below one half is transparent.
bool writeAnimatedGif(const QString& path, const QList<QImage>& frames, int delayCentiseconds);
