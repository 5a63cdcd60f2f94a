// Renders the program's SVG artwork to PNG (or ICO) at build time.
// Usage: spoolbox-svgrender IN.svg OUT.png|OUT.ico [SCALE]
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: spoolbox-svgrender IN.svg OUT.png [SCALE]\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err << "cannot read " << args.at(1) << '\n';
        return 1;
    }
    const double scale = args.size() > 3 ? args.at(3).toDouble() : 1.0;
    const QSize size = (QSizeF(renderer.defaultSize()) * scale).toSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    QImageWriter writer(args.at(2));
    if (!writer.write(image)) {
        err << "cannot write " << args.at(2) << ": " << writer.errorString() << '\n';
        return 1;
    }
    return 0;
}
