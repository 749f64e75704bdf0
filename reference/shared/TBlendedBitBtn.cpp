#include "TBlendedBitBtn.h"
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace {
constexpr qreal glyphGap = 6; // between caption and glyph
constexpr int horizontalMargin = 12;
constexpr int verticalMargin = 8;

// The caption as seen: "&x" marks the access key and shows as "x", "&&" shows
// one "&". QAbstractButton::setText already took the shortcut from it.
QString visibleCaption(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += text.at(i);
    }
    return shown;
}
} // namespace

TBlendedBitBtn::TBlendedBitBtn(QWidget *parent) : QAbstractButton(parent)
{
    // Keypad buttons must leave the keyboard focus on the form.
    setFocusPolicy(Qt::NoFocus);
}

void TBlendedBitBtn::setFaceColor(const QColor &c)
{
    m_face = c;
    update();
}

void TBlendedBitBtn::setCaptionColor(const QColor &c)
{
    m_caption = c;
    update();
}

void TBlendedBitBtn::setPressedColor(const QColor &c)
{
    m_pressed = c;
    update();
}

void TBlendedBitBtn::setPressedCaptionColor(const QColor &c)
{
    m_pressedCaption = c;
    update();
}

void TBlendedBitBtn::setDisabledColor(const QColor &c)
{
    m_disabled = c;
    update();
}

void TBlendedBitBtn::setDisabledCaptionColor(const QColor &c)
{
    m_disabledCaption = c;
    update();
}

void TBlendedBitBtn::setGlyph(const QPixmap &p)
{
    m_glyph = p;
    updateGeometry();
    update();
}

void TBlendedBitBtn::setDisabledGlyph(const QPixmap &p)
{
    m_disabledGlyph = p;
    update();
}

void TBlendedBitBtn::setCornerRadius(int r)
{
    m_radius = qMax(0, r);
    update();
}

void TBlendedBitBtn::Click()
{
    if (isEnabled())
        click();
}

QSize TBlendedBitBtn::sizeHint() const
{
    ensurePolished();
    const QFontMetricsF metrics(font());
    const QString caption = visibleCaption(text());
    qreal width = caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption);
    qreal height = metrics.height();
    if (!m_glyph.isNull()) {
        const QSizeF glyphSize = m_glyph.deviceIndependentSize();
        width += (caption.isEmpty() ? 0 : glyphGap) + glyphSize.width();
        height = qMax(height, glyphSize.height());
    }
    return QSize(qCeil(width) + 2 * horizontalMargin, qCeil(height) + 2 * verticalMargin);
}

void TBlendedBitBtn::paintEvent(QPaintEvent *)
{
    const bool enabled = isEnabled();
    const bool down = enabled && isDown();
    const QColor face = !enabled ? m_disabled : down ? m_pressed : m_face;
    const QColor captionColor = !enabled ? m_disabledCaption : down ? m_pressedCaption : m_caption;
    const QPixmap &glyph = (!enabled && !m_disabledGlyph.isNull()) ? m_disabledGlyph : m_glyph;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF area(rect());
    const qreal radius = qMin<qreal>(m_radius, qMin(area.width(), area.height()) / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawRoundedRect(area, radius, radius);

    // Caption and glyph as one group, centred; the glyph right of the caption.
    const QString caption = visibleCaption(text());
    const QFontMetricsF metrics(font());
    const qreal captionWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption);
    const QSizeF glyphSize = glyph.isNull() ? QSizeF() : glyph.deviceIndependentSize();
    const qreal gap = (captionWidth > 0 && !glyph.isNull()) ? glyphGap : 0;
    const qreal left = (area.width() - (captionWidth + gap + glyphSize.width())) / 2;

    if (!caption.isEmpty()) {
        painter.setFont(font());
        painter.setPen(captionColor);
        painter.drawText(QRectF(left, 0, captionWidth, area.height()),
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, caption);
    }
    // Bitmaps stay crisp on whole pixels.
    if (!glyph.isNull())
        painter.drawPixmap(QPoint(qRound(left + captionWidth + gap), qRound((area.height() - glyphSize.height()) / 2)),
                           glyph);
}
