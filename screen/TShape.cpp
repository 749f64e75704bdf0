#include "TShape.h"
#include <QPainter>

TShape::TShape(QWidget *parent) : QWidget(parent)
{
    // Only a picture: clicks and keys belong to the form.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TShape::setBrushColor(const QColor &c)
{
    m_brush = c;
    update();
}

void TShape::setPenColor(const QColor &c)
{
    m_pen = c;
    update();
}

void TShape::setPenWidth(int width)
{
    m_penWidth = qMax(0, width);
    update();
}

void TShape::paintEvent(QPaintEvent *)
{
    // The pen lies wholly inside the rectangle, so a 2-pixel pen is a 2-pixel
    // frame on the window's edge.
    QPainter painter(this);
    const int pen = qMin(m_penWidth, qMin(width(), height()) / 2);
    painter.fillRect(rect(), m_pen);
    painter.fillRect(rect().adjusted(pen, pen, -pen, -pen), m_brush);
}
