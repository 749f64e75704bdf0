#pragma once
// A rectangle with a brush and a pen, drawn under everything else on the form:
// the screen's white face and its coloured frame.
#include <QColor>
#include <QWidget>

class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor)
    Q_PROPERTY(int penWidth READ penWidth WRITE setPenWidth)
public:
    explicit TShape(QWidget *parent = nullptr);

    QColor brushColor() const { return m_brush; }
    void setBrushColor(const QColor &c);
    QColor penColor() const { return m_pen; }
    void setPenColor(const QColor &c);
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush{Qt::white};
    QColor m_pen{Qt::black};
    int m_penWidth = 1;
};
