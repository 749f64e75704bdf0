// The keypad and command buttons, rendered offscreen: face and caption colours
// by state, the glyph right of the caption, and clicks from code.
#include "TBlendedBitBtn.h"
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
const QColor green(34, 221, 100);
const QColor lightGrey(204, 204, 204);

struct Button {
    QWidget parent;
    TBlendedBitBtn *button = new TBlendedBitBtn(&parent);
    Button(const QString &caption, const QColor &face = green)
    {
        button->setGeometry(0, 0, 144, 43);
        QFont font("Arial");
        font.setPixelSize(13);
        font.setBold(true);
        button->setFont(font);
        button->setText(caption);
        button->setFaceColor(face);
        button->setCaptionColor(Qt::white);
    }
    QImage image() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QColor at(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// Columns holding pixels of exactly the colour.
QRect boundsOf(const QImage &image, const QColor &colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QPixmap filled(const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return pixmap;
}
} // namespace

TEST(TBlendedBitBtn, FaceAndCaptionColoursFollowTheState)
{
    Button b("C&onfirmar");
    b.button->setPressedColor(Qt::black);
    b.button->setPressedCaptionColor(Qt::yellow);

    QImage normal = b.image();
    EXPECT_EQ(at(normal, 3, 21), green);
    EXPECT_EQ(at(normal, 140, 21), green);
    EXPECT_NE(at(normal, 0, 0), green) << "corners are rounded";
    const QRect caption = boundsOf(normal, Qt::white);
    ASSERT_TRUE(caption.isValid()) << "caption drawn in white";
    EXPECT_NEAR(caption.center().x(), 72, 2);
    EXPECT_NEAR(caption.center().y(), 21, 3);

    b.button->setDown(true);
    QImage pressed = b.image();
    EXPECT_EQ(at(pressed, 3, 21), QColor(Qt::black));
    EXPECT_TRUE(boundsOf(pressed, Qt::yellow).isValid());
    EXPECT_FALSE(boundsOf(pressed, Qt::white).isValid());
    b.button->setDown(false);

    b.button->setEnabled(false);
    QImage disabled = b.image();
    EXPECT_EQ(at(disabled, 3, 21), lightGrey);
    EXPECT_TRUE(boundsOf(disabled, Qt::white).isValid());
    b.button->setEnabled(true);

    // A disabled parent disables the button too.
    b.parent.setEnabled(false);
    EXPECT_EQ(at(b.image(), 3, 21), lightGrey);
}

TEST(TBlendedBitBtn, DrawsTheCaptionWithoutTheAccessKeyMark)
{
    Button marked("C&onfirmar");
    Button plain("Confirmar");
    EXPECT_EQ(marked.image(), plain.image());
    EXPECT_EQ(marked.button->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
    Button empty("");
    EXPECT_FALSE(boundsOf(empty.image(), Qt::white).isValid());
}

TEST(TBlendedBitBtn, GlyphSitsRightOfTheCaptionAndSwapsWhenDisabled)
{
    Button b("&Incluir Imposto", Qt::gray);
    b.button->setGlyph(filled(Qt::red));
    b.button->setDisabledGlyph(filled(Qt::blue));

    QImage image = b.image();
    const QRect caption = boundsOf(image, Qt::white);
    const QRect glyph = boundsOf(image, Qt::red);
    ASSERT_TRUE(caption.isValid());
    ASSERT_EQ(glyph.size(), QSize(16, 16));
    EXPECT_GT(glyph.left(), caption.right());
    EXPECT_NEAR(glyph.center().y(), 21, 1);
    EXPECT_NEAR((caption.left() + glyph.right()) / 2.0, 72, 3) << "caption and glyph centred as one";

    b.button->setEnabled(false);
    image = b.image();
    EXPECT_FALSE(boundsOf(image, Qt::red).isValid());
    EXPECT_EQ(boundsOf(image, Qt::blue).size(), QSize(16, 16));

    // A glyph-only key shows its glyph in the middle.
    Button key("", QColor(238, 62, 17));
    key.button->setGlyph(filled(Qt::blue));
    const QRect alone = boundsOf(key.image(), Qt::blue);
    EXPECT_EQ(alone.size(), QSize(16, 16));
    EXPECT_NEAR(alone.center().x(), 72, 1);
    EXPECT_NEAR(alone.center().y(), 21, 1);
}

TEST(TBlendedBitBtn, ClickFromCodeOnlyWhenEnabledAndNeverTakesFocus)
{
    Button b("1", Qt::gray);
    QSignalSpy clicked(b.button, &QAbstractButton::clicked);
    b.button->Click();
    EXPECT_EQ(clicked.count(), 1);
    b.button->setEnabled(false);
    b.button->Click();
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(b.button->focusPolicy(), Qt::NoFocus);
}

TEST(TBlendedBitBtn, SizeHintHoldsCaptionAndGlyph)
{
    Button b("C&onfirmar");
    const QSize captionOnly = b.button->sizeHint();
    const int textWidth = QFontMetrics(b.button->font()).horizontalAdvance("Confirmar");
    EXPECT_GT(captionOnly.width(), textWidth);
    EXPECT_GT(captionOnly.height(), QFontMetrics(b.button->font()).height());
    b.button->setGlyph(filled(Qt::red));
    EXPECT_GE(b.button->sizeHint().width(), captionOnly.width() + 16);
}
