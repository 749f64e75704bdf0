#pragma once
// Flat button with curved corners of the shared services: face colour, caption
// font, optional glyph right of the caption, pressed and disabled colours.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class TBlendedBitBtn : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor faceColor READ faceColor WRITE setFaceColor)
    Q_PROPERTY(QColor captionColor READ captionColor WRITE setCaptionColor)
    Q_PROPERTY(QColor pressedColor READ pressedColor WRITE setPressedColor)
    Q_PROPERTY(QColor pressedCaptionColor READ pressedCaptionColor WRITE setPressedCaptionColor)
    Q_PROPERTY(QColor disabledColor READ disabledColor WRITE setDisabledColor)
    Q_PROPERTY(QColor disabledCaptionColor READ disabledCaptionColor WRITE setDisabledCaptionColor)
    Q_PROPERTY(QPixmap glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(QPixmap disabledGlyph READ disabledGlyph WRITE setDisabledGlyph)
    Q_PROPERTY(int cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(int tag READ tag WRITE setTag)
public:
    explicit TBlendedBitBtn(QWidget *parent = nullptr);

    QColor faceColor() const { return m_face; }
    void setFaceColor(const QColor &c);
    QColor captionColor() const { return m_caption; }
    void setCaptionColor(const QColor &c);
    QColor pressedColor() const { return m_pressed; }
    void setPressedColor(const QColor &c);
    QColor pressedCaptionColor() const { return m_pressedCaption; }
    void setPressedCaptionColor(const QColor &c);
    QColor disabledColor() const { return m_disabled; }
    void setDisabledColor(const QColor &c);
    QColor disabledCaptionColor() const { return m_disabledCaption; }
    void setDisabledCaptionColor(const QColor &c);
    QPixmap glyph() const { return m_glyph; }
    void setGlyph(const QPixmap &p);
    QPixmap disabledGlyph() const { return m_disabledGlyph; }
    void setDisabledGlyph(const QPixmap &p);
    int cornerRadius() const { return m_radius; }
    void setCornerRadius(int r);
    int tag() const { return m_tag; }
    void setTag(int t) { m_tag = t; }

    // A click from code: runs the click handlers as a press would, but only
    // when the button is enabled.
    void Click();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_face{Qt::gray};
    QColor m_caption{Qt::white};
    QColor m_pressed{Qt::black};
    QColor m_pressedCaption{Qt::white};
    QColor m_disabled{QColor(204, 204, 204)};
    QColor m_disabledCaption{Qt::white};
    QPixmap m_glyph;
    QPixmap m_disabledGlyph;
    int m_radius = 8;
    int m_tag = 0;
};
