// Renders the program's SVG artwork at build time.
// Usage: spoolbox-svgrender IN.svg OUT.png|OUT.ico|OUT.gif
// A .gif output is a spinner: the drawing turned in twelve steps, looping.
#include "gifwriter.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

namespace {
QImage render(QSvgRenderer& renderer, const QSize& size, qreal angle)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(angle);
    painter.translate(-size.width() / 2.0, -size.height() / 2.0);
    renderer.render(&painter);
    return image;
}
} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: spoolbox-svgrender IN.svg OUT.png|OUT.ico|OUT.gif\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err << "cannot read " << args.at(1) << '\n';
        return 1;
    }
    const QSize size = renderer.defaultSize();
    const QString out = args.at(2);
    if (out.endsWith(QLatin1String(".gif"))) {
        QList<QImage> frames;
        for (int step = 0; step < 12; ++step)
            frames.append(render(renderer, size, step * 30.0));
        if (!writeAnimatedGif(out, frames, 8)) {
            err << "cannot write " << out << '\n';
            return 1;
        }
        return 0;
    }
    QImageWriter writer(out);
    if (!writer.write(render(renderer, size, 0.0))) {
        err << "cannot write " << out << ": " << writer.errorString() << '\n';
        return 1;
    }
    return 0;
}
