#include "gifwriter.h"

#include <QFile>

namespace {
void put16(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// LZW with 8-bit roots, kept at 9-bit codes by clearing the table before it grows:
// larger than real compression, but simple and valid for every decoder.
QByteArray lzwEncode(const QByteArray& indices)
{
    constexpr int clearCode = 256;
    constexpr int endCode = 257;
    QByteArray packed;
    quint32 bitBuffer = 0;
    int bitCount = 0;
    auto emit = [&](int code) {
        bitBuffer |= quint32(code) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            packed.append(char(bitBuffer & 0xff));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    int sinceClear = 0;
    emit(clearCode);
    for (char index : indices) {
        if (sinceClear == 250) {
            emit(clearCode);
            sinceClear = 0;
        }
        emit(quint8(index));
        ++sinceClear;
    }
    emit(endCode);
    if (bitCount > 0)
        packed.append(char(bitBuffer & 0xff));

    QByteArray blocks;
    blocks.append(char(8)); // minimum code size
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray chunk = packed.mid(at, 255);
        blocks.append(char(chunk.size()));
        blocks.append(chunk);
    }
    blocks.append(char(0));
    return blocks;
}
} // namespace

bool writeAnimatedGif(const QString& path, const QList<QImage>& frames, int delayCentiseconds)
{
    if (frames.isEmpty())
        return false;
    const QSize size = frames.first().size();

    // Palette from the first frame; index 0 is kept for transparency.
    QImage opaqueFirst = frames.first().convertToFormat(QImage::Format_RGB32);
    QList<QRgb> palette = opaqueFirst.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).colorTable();
    palette = palette.mid(0, 255);
    palette.prepend(qRgb(0, 0, 0));
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    put16(out, size.width());
    put16(out, size.height());
    out.append(char(0xf7)); // global colour table, 8 bits, 256 entries
    out.append(char(0));
    out.append(char(0));
    for (QRgb rgb : palette) {
        out.append(char(qRed(rgb)));
        out.append(char(qGreen(rgb)));
        out.append(char(qBlue(rgb)));
    }
    // Loop forever.
    out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);

    const QList<QRgb> opaquePalette = palette.mid(1);
    for (const QImage& frame : frames) {
        const QImage argb = frame.convertToFormat(QImage::Format_ARGB32);
        const QImage indexed =
            argb.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8, opaquePalette,
                                                                       Qt::ThresholdDither);
        QByteArray indices;
        indices.reserve(size.width() * size.height());
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                if (qAlpha(argb.pixel(x, y)) < 128)
                    indices.append(char(0));
                else
                    indices.append(char(indexed.pixelIndex(x, y) + 1));
            }
        }
        // Graphic control: dispose to background, transparent index 0.
        out.append("\x21\xf9\x04", 3);
        out.append(char(0x09));
        put16(out, delayCentiseconds);
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2c));
        put16(out, 0);
        put16(out, 0);
        put16(out, size.width());
        put16(out, size.height());
        out.append(char(0));
        out.append(lzwEncode(indices));
    }
    out.append(char(0x3b));

    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(out) == out.size();
}
