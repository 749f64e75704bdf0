// windows-1252 text at the edges of the system.
#include "Win1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Win1252, EncodesAndDecodesPortugueseText)
{
    const QString text = QStringLiteral("Redução ação €10");
    bool lossy = true;
    const QByteArray bytes = Win1252::encode(text, &lossy);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(bytes, QByteArray("Redu\xe7\xe3o a\xe7\xe3o \x80"
                                "10"));
    EXPECT_EQ(Win1252::decode(bytes), text);
    EXPECT_TRUE(Win1252::canEncode(text));
    EXPECT_EQ(Win1252::decode(QByteArray("\x93ok\x94")), QStringLiteral("“ok”"));
}

TEST(Win1252, MarksWhatTheCodePageCannotHold)
{
    bool lossy = false;
    EXPECT_EQ(Win1252::encode(QStringLiteral("a✓b"), &lossy), QByteArray("a?b"));
    EXPECT_TRUE(lossy);
    // A character outside the basic plane is one mark, not two.
    EXPECT_EQ(Win1252::encode(QStringLiteral("ç😀ã✓"), &lossy), QByteArray("\xe7?\xe3?"));
    EXPECT_TRUE(lossy);
    EXPECT_FALSE(Win1252::canEncode(QStringLiteral("ok ✓")));
    EXPECT_EQ(Win1252::encode(QStringLiteral("✓")), QByteArray("?")); // no flag asked for

    // The control character 0x1A is a character of its own, kept as it is,
    // also next to one that is lost.
    EXPECT_EQ(Win1252::encode(QStringLiteral("\x1a"), &lossy), QByteArray("\x1a"));
    EXPECT_FALSE(lossy);
    EXPECT_EQ(Win1252::encode(QStringLiteral("\x1a✓"), &lossy), QByteArray("\x1a?"));
    EXPECT_TRUE(lossy);
    EXPECT_TRUE(Win1252::canEncode(QStringLiteral("\x1a")));
}

TEST(Win1252, EmptyText)
{
    bool lossy = true;
    EXPECT_TRUE(Win1252::encode(QString(), &lossy).isEmpty());
    EXPECT_FALSE(lossy);
    EXPECT_TRUE(Win1252::decode(QByteArray()).isEmpty());
    EXPECT_TRUE(Win1252::canEncode(QString()));
}

} // namespace

TEST(Win1252, LinesEndAtCrLfLfOrCrAndALastBreakMakesNoLine)
{
    const QStringList lines = Win1252::decodeLines(QByteArray("E12 di\xe1ria\r\nE13\nE14\r\r\nE15\r"));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("E12 diária"), QStringLiteral("E13"), QStringLiteral("E14"), QString(),
                                  QStringLiteral("E15")}));
    EXPECT_EQ(Win1252::decodeLines(QByteArray("E16")), QStringList{QStringLiteral("E16")});
    EXPECT_TRUE(Win1252::decodeLines(QByteArray()).isEmpty());
}
