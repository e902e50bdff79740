// Draws the module's pictures into its resource folder: one icon per work mode (one
// family: a coloured tile, a white worksheet, the mode's sign) and the background tile.
//
//   make_resources FOLDER      writes FOLDER/<Mode>.ico, FOLDER/<Mode>.png, FOLDER/background.bmp
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 48;
const QColor kWhite(255, 255, 255);
const QColor kInk(40, 48, 60);

// The white worksheet every icon shows: a page with a header row and grid lines.
void DrawSheet(QPainter& p, QRectF r, const QColor& accent) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kWhite);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.fillRect(QRectF(r.left() + 0.6, r.top() + 0.6, r.width() - 1.2, r.height() / 4),
               accent.lighter(150));
    p.setPen(QPen(QColor(150, 160, 175), 0.8));
    for (int i = 1; i < 4; ++i) {
        qreal y = r.top() + r.height() * i / 4;
        p.drawLine(QPointF(r.left() + 1, y), QPointF(r.right() - 1, y));
    }
    p.drawLine(QPointF(r.center().x(), r.top() + 1), QPointF(r.center().x(), r.bottom() - 1));
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QLineF line(to, from);
    QLineF a = line, b = line;
    a.setLength(6);
    b.setLength(6);
    a.setAngle(line.angle() + 35);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

struct ModeIcon {
    const char* file;
    QColor color;
    std::function<void(QPainter&, const QColor&)> sign;
};

QImage DrawIcon(const ModeIcon& mode, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / double(kSize), size / double(kSize));
    QLinearGradient tile(0, 0, 0, kSize);
    tile.setColorAt(0, mode.color.lighter(125));
    tile.setColorAt(1, mode.color.darker(115));
    p.setPen(QPen(mode.color.darker(150), 1));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(1.5, 1.5, kSize - 3, kSize - 3), 8, 8);
    mode.sign(p, mode.color);
    return image;
}

const ModeIcon kModes[] = {
    {"AddCellByCell", QColor(46, 125, 50),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(12, 6, 22, 18), c);
         DrawSheet(p, QRectF(8, 10, 22, 18), c);
         p.setPen(QPen(kWhite, 4, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(35, 30), QPointF(35, 42));
         p.drawLine(QPointF(29, 36), QPointF(41, 36));
     }},
    {"CopySheets", QColor(21, 101, 192),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(7, 7, 22, 26), c);
         DrawSheet(p, QRectF(19, 16, 22, 26), c);
     }},
    {"CopyRows", QColor(0, 121, 107),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(7, 7, 26, 34), c);
         p.fillRect(QRectF(8, 24, 24, 7), QColor(255, 213, 79));
         DrawArrow(p, QPointF(38, 12), QPointF(38, 38), kWhite);
     }},
    {"CopyRowsByKeyCol", QColor(106, 27, 154),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(7, 7, 26, 34), c);
         p.fillRect(QRectF(8, 16, 11, 24), QColor(255, 213, 79));
         p.setPen(QPen(kWhite, 3, Qt::SolidLine, Qt::RoundCap));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(38, 15), 4, 4);
         p.drawLine(QPointF(38, 19), QPointF(38, 38));
         p.drawLine(QPointF(38, 33), QPointF(42, 33));
     }},
    {"MergeCols", QColor(230, 81, 0),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(6, 8, 15, 32), c);
         DrawSheet(p, QRectF(27, 8, 15, 32), c);
         DrawArrow(p, QPointF(37, 24), QPointF(20, 24), kWhite);
     }},
    {"Intersection", QColor(0, 131, 143),
     [](QPainter& p, const QColor&) {
         QPainterPath a, b;
         a.addEllipse(QPointF(18, 24), 11, 11);
         b.addEllipse(QPointF(30, 24), 11, 11);
         p.setPen(QPen(kWhite, 2));
         p.setBrush(QColor(255, 255, 255, 60));
         p.drawPath(a);
         p.drawPath(b);
         p.setBrush(QColor(255, 213, 79));
         p.drawPath(a.intersected(b));
     }},
    {"difference", QColor(173, 20, 87),
     [](QPainter& p, const QColor&) {
         QPainterPath a, b;
         a.addEllipse(QPointF(18, 24), 11, 11);
         b.addEllipse(QPointF(30, 24), 11, 11);
         p.setPen(QPen(kWhite, 2));
         p.setBrush(QColor(255, 213, 79));
         p.drawPath(a.subtracted(b));
         p.setBrush(QColor(255, 255, 255, 60));
         p.drawPath(b);
     }},
    {"CheckSameFormatSheet", QColor(69, 90, 100),
     [](QPainter& p, const QColor& c) {
         DrawSheet(p, QRectF(7, 7, 26, 34), c);
         p.setPen(QPen(QColor(255, 213, 79), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
         p.setBrush(Qt::NoBrush);
         QPainterPath tick;
         tick.moveTo(22, 30);
         tick.lineTo(29, 37);
         tick.lineTo(42, 18);
         p.drawPath(tick);
     }},
};

// A quiet tile: a pale blue-grey with a faint grid, like ruled paper.
QImage DrawBackground() {
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(QColor(244, 246, 249));
    QPainter p(&image);
    p.setPen(QColor(234, 238, 243));
    p.drawLine(0, 47, 47, 47);
    p.drawLine(47, 0, 47, 47);
    p.setPen(QColor(238, 241, 246));
    p.drawLine(0, 23, 47, 23);
    p.drawLine(23, 0, 23, 47);
    return image;
}

bool Save(const QImage& image, const QString& path, const char* format) {
    QImageWriter writer(path, format);
    if (writer.write(image))
        return true;
    std::fprintf(stderr, "make_resources: %s: %s\n", qPrintable(path),
                 qPrintable(writer.errorString()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_resources FOLDER\n");
        return 1;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_resources: cannot make %s\n", argv[1]);
        return 2;
    }
    bool ok = true;
    for (const ModeIcon& mode : kModes) {
        QString base = folder.filePath(QString::fromLatin1(mode.file));
        ok = Save(DrawIcon(mode, 32), base + ".ico", "ico") && ok;
        ok = Save(DrawIcon(mode, 64), base + ".png", "png") && ok;
    }
    ok = Save(DrawBackground(), folder.filePath(QStringLiteral("background.bmp")), "bmp") && ok;
    return ok ? 0 : 3;
}
