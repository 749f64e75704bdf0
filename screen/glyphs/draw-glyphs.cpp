// Draws the button glyphs of the Z-reduction screen into this folder. Run it
// again only to change a glyph; the PNG files are what the build uses.
//   g++ -std=c++20 -fPIC draw-glyphs.cpp -o /tmp/draw-glyphs \
//       $(pkg-config --cflags --libs Qt6Gui) && /tmp/draw-glyphs .
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {
const QColor enabledInk(Qt::white);
const QColor disabledInk(150, 150, 150); // reads as inactive on the light grey face

void save(const QString &dir, const QString &name, QSize size, const std::function<void(QPainter &)> &draw)
{
    for (const bool disabled : {false, true}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(disabled ? disabledInk : enabledInk, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        draw(painter);
        painter.end();
        image.save(dir + QLatin1Char('/') + name + (disabled ? "-disabled.png" : ".png"));
    }
}

void arrowHead(QPainter &p, QPointF tip, QPointF direction, qreal length)
{
    const QPointF back = tip - direction * length;
    const QPointF side(-direction.y() * length * 0.8, direction.x() * length * 0.8);
    QPainterPath path(back + side);
    path.lineTo(tip);
    path.lineTo(back - side);
    p.drawPath(path);
}
} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // Next field: the Enter key's bent arrow.
    save(dir, "next", {40, 40}, [](QPainter &p) {
        QPainterPath path(QPointF(32, 6));
        path.lineTo(32, 26);
        path.lineTo(8, 26);
        p.drawPath(path);
        arrowHead(p, {8, 26}, {-1, 0}, 9);
    });
    // Previous field: an arrow pointing back.
    save(dir, "previous", {32, 32}, [](QPainter &p) {
        p.drawLine(QPointF(27, 16), QPointF(5, 16));
        arrowHead(p, {5, 16}, {-1, 0}, 10);
    });
    // Erase the last character: the backspace key's outline with a cross.
    save(dir, "erase", {40, 30}, [](QPainter &p) {
        QPainterPath outline(QPointF(14, 4));
        outline.lineTo(36, 4);
        outline.lineTo(36, 26);
        outline.lineTo(14, 26);
        outline.lineTo(3, 15);
        outline.closeSubpath();
        p.drawPath(outline);
        p.drawLine(QPointF(19, 10), QPointF(29, 20));
        p.drawLine(QPointF(29, 10), QPointF(19, 20));
    });
    // Add tax lines: a plus in a circle.
    save(dir, "addtax", {24, 24}, [](QPainter &p) {
        QPen pen = p.pen();
        pen.setWidthF(2.5);
        p.setPen(pen);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.drawLine(QPointF(12, 7), QPointF(12, 17));
        p.drawLine(QPointF(7, 12), QPointF(17, 12));
    });
    // Confirm: a check mark.
    save(dir, "confirm", {24, 24}, [](QPainter &p) {
        QPainterPath path(QPointF(3, 13));
        path.lineTo(9, 19);
        path.lineTo(21, 5);
        p.drawPath(path);
    });
    return 0;
}
