// Draws the Tavrel icon: a rounded tile cut along its diagonal, the upper
// half red with 繁, the lower half blue with 简. Writes one PNG per size and
// the Windows .ico.
//
//   tavrel-icons <png directory> <ico file>

#include <QBuffer>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <vector>

namespace {

constexpr int kPngSizes[] = {16, 32, 48, 64, 128, 256};
constexpr int kIcoSizes[] = {16, 32, 48, 256};
constexpr qreal kGrid = 64;  // the icon is drawn on a 64 by 64 grid

void DrawGlyph(QPainter& painter, const QString& glyph, const QRectF& box)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(24);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, glyph);
}

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(size / kGrid, size / kGrid);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    painter.setClipPath(tile);
    painter.fillPath(tile, QColor(0x15, 0x65, 0xC0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC6, 0x28, 0x28));
    painter.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(kGrid, 0), QPointF(0, kGrid)}));
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(QPointF(kGrid, 0), QPointF(0, kGrid));

    // Below 32 pixels a glyph is only a smudge; the two colours carry the mark.
    if (size >= 32) {
        DrawGlyph(painter, QStringLiteral("繁"), QRectF(3, 2, 30, 30));
        DrawGlyph(painter, QStringLiteral("简"), QRectF(31, 32, 30, 30));
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// An icon image as Windows stores it: a 32-bit DIB, bottom-up, followed by
// the transparency mask (one bit per pixel, rows padded to four bytes).
QByteArray DibImage(const QImage& image)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const int size = image.width();
    const int maskStride = (size + 31) / 32 * 4;
    out << quint32(40) << qint32(size) << qint32(2 * size) << quint16(1) << quint16(32) << quint32(0)
        << quint32(size * size * 4 + maskStride * size) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x])) << quint8(qAlpha(row[x]));
    }
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
        }
        out.writeRawData(mask.constData(), maskStride);
    }
    return bytes;
}

// The 256-pixel image is stored as PNG, as Windows expects; the others as DIBs.
QByteArray IcoImage(const QImage& image)
{
    if (image.width() < 256)
        return DibImage(image);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray IcoFile(const std::vector<QImage>& images)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    std::vector<QByteArray> data;
    quint32 offset = 6 + 16 * quint32(images.size());
    for (const QImage& image : images) {
        data.push_back(IcoImage(image));
        const auto side = quint8(image.width() == 256 ? 0 : image.width());
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(data.back().size()) << offset;
        offset += quint32(data.back().size());
    }
    for (const QByteArray& image : data)
        out.writeRawData(image.constData(), int(image.size()));
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
        return true;
    std::fprintf(stderr, "无法写入文件“%s”：%s\n", qUtf8Printable(QDir::toNativeSeparators(path)),
                 qUtf8Printable(file.errorString()));
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "用法：tavrel-icons <PNG 目录> <ICO 文件>\n");
        return 2;
    }
    const QDir pngDirectory(QString::fromLocal8Bit(argv[1]));
    for (const int size : kPngSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        DrawIcon(size).save(&buffer, "PNG");
        if (!WriteFile(pngDirectory.filePath(QStringLiteral("tavrel-%1.png").arg(size)), png))
            return 1;
    }
    std::vector<QImage> icoImages;
    for (const int size : kIcoSizes)
        icoImages.push_back(DrawIcon(size));
    return WriteFile(QString::fromLocal8Bit(argv[2]), IcoFile(icoImages)) ? 0 : 1;
}
