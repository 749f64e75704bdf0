// Typing on the screen with real key presses and keypad clicks: the comma
// rule, the length limits, moving between fields, erasing, the lock, and the
// keys that must leave the screen open.
#include "Cli_kal02700.h"
#include "ScreenTestSupport.h"
#include "SharedServicesHost.h"
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace ScreenTest;

namespace {

class FieldEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cli_kal02700::boDadosUltima = false;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override { Cli_kal02700::boDadosUltima = false; }

    // Types the text key by key, as the keyboard would.
    void type(const QString &keys)
    {
        for (const QChar key : keys)
            QTest::keyClick(&form, key.toLatin1());
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&form, key, modifiers); }
    void press(const char *button) { QTest::mouseClick(widget<TBlendedBitBtn>(form, button), Qt::LeftButton); }
    // Makes the field current by stepping with Enter from wherever the entry is.
    void goTo(int field)
    {
        for (int step = 0; step < 13 && highlightedField(form) != field; ++step)
            key(Qt::Key_Return);
        ASSERT_EQ(highlightedField(form), field);
    }
    QString text(int field) const { return fieldText(form, field); }

    TfrmCadRedz form;
};

TEST_F(FieldEntryTest, ActivationMakesTheCounterFieldCurrent)
{
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(form), 1);
    EXPECT_EQ(highlightedField(form), 1);
    // Moving away and activating again brings the entry back to field 1.
    key(Qt::Key_Return);
    key(Qt::Key_Return);
    EXPECT_EQ(highlightedField(form), 3);
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(highlightedField(form), 1);
}

TEST_F(FieldEntryTest, DigitsFromKeyboardAndKeypadGoToTheCurrentField)
{
    type("12");
    press("sbt3");
    EXPECT_EQ(text(1), "123");
    key(Qt::Key_Return);
    press("sbt0");
    press("sbt9");
    type("8");
    EXPECT_EQ(text(2), "098");
    EXPECT_EQ(text(1), "123");
    // Keypad digits type as the main row does.
    key(Qt::Key_Return);
    key(Qt::Key_4, Qt::KeypadModifier);
    EXPECT_EQ(text(3), "4");
    // Key preview: a key that lands on one of the form's controls is the form's.
    QTest::keyClick(widget<QLabel>(form, "lblNRCupIni"), '5');
    QTest::keyClick(widget<TBlendedBitBtn>(form, "sbt9"), Qt::Key_Return);
    EXPECT_EQ(text(3), "45");
    EXPECT_EQ(highlightedField(form), 4);
}

TEST_F(FieldEntryTest, CounterFieldsRefuseTheComma)
{
    for (int field = 1; field <= 4; ++field) {
        goTo(field);
        type(",");
        press("sbtVirgula");
        EXPECT_EQ(text(field), "") << "field " << field;
        type("7");
        type(",");
        press("sbtVirgula");
        EXPECT_EQ(text(field), "7") << "field " << field;
    }
}

TEST_F(FieldEntryTest, AmountFieldsTakeOneComma)
{
    goTo(5);
    type(",");
    EXPECT_EQ(text(5), "0,");
    type(",");
    press("sbtVirgula");
    type("50");
    type(",");
    EXPECT_EQ(text(5), "0,50");

    goTo(6);
    press("sbtVirgula");
    press("sbtVirgula");
    EXPECT_EQ(text(6), "0,");

    goTo(7);
    type("12,3,4");
    EXPECT_EQ(text(7), "12,34");
}

TEST_F(FieldEntryTest, AmountFieldStopsAtTwelveCharacters)
{
    goTo(8);
    type("1234567890");
    type(",");
    EXPECT_EQ(text(8), "1234567890,");
    type("1");
    EXPECT_EQ(text(8), "1234567890,1");
    type("2");
    type(",");
    press("sbt5");
    EXPECT_EQ(text(8), "1234567890,1");

    // Twelve digits without a comma: the comma is refused by the length test.
    goTo(9);
    type("123456789012");
    type(",");
    EXPECT_EQ(text(9), "123456789012");
}

TEST_F(FieldEntryTest, MultiZeroKeysMayCarryAFieldPastItsLimit)
{
    // The limit is tested before the key's text is added.
    type("123");
    press("sbt000");
    EXPECT_EQ(text(1), "123000");
    type("4");
    press("sbt00");
    EXPECT_EQ(text(1), "123000");

    goTo(2);
    type("1234");
    type("5");
    press("sbt00");
    EXPECT_EQ(text(2), "1234");

    goTo(3);
    type("12345");
    press("sbt000");
    EXPECT_EQ(text(3), "12345000");
    type("9");
    EXPECT_EQ(text(3), "12345000");

    goTo(13);
    type("12345678,90");
    ASSERT_EQ(text(13).size(), 11);
    press("sbt000");
    EXPECT_EQ(text(13), "12345678,90000");
    press("sbt0");
    EXPECT_EQ(text(13).size(), 14);
}

TEST_F(FieldEntryTest, EnterAndEscWrapAroundWithoutTouchingTexts)
{
    type("42");
    key(Qt::Key_Escape);
    EXPECT_EQ(highlightedField(form), 13);
    key(Qt::Key_Return);
    EXPECT_EQ(highlightedField(form), 1);
    for (int field = 2; field <= 13; ++field) {
        key(field % 2 ? Qt::Key_Return : Qt::Key_Enter);
        EXPECT_EQ(highlightedField(form), field);
    }
    press("sbtEnter");
    EXPECT_EQ(highlightedField(form), 1);
    press("sbtVoltar");
    EXPECT_EQ(highlightedField(form), 13);
    press("sbtVoltar");
    EXPECT_EQ(highlightedField(form), 12);
    EXPECT_EQ(text(1), "42");
    for (int field = 2; field <= 13; ++field)
        EXPECT_EQ(text(field), "") << "field " << field;
}

TEST_F(FieldEntryTest, BackspaceErasesTheLastCharacterOnly)
{
    goTo(5);
    type(",");
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(5), "0"); // the zero that came with the comma stays
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(5), "");
    key(Qt::Key_Backspace);
    press("sbtCorrigir");
    EXPECT_EQ(text(5), "");
    type("3,75");
    press("sbtCorrigir");
    EXPECT_EQ(text(5), "3,7");
    EXPECT_EQ(highlightedField(form), 5);
}

TEST_F(FieldEntryTest, KeysOutsideDigitsAndCommaChangeNothing)
{
    goTo(5);
    type("1");
    type(".-+aZ /*=");
    key(Qt::Key_Minus, Qt::KeypadModifier);
    key(Qt::Key_Tab);
    key(Qt::Key_Delete);
    // Alt and Ctrl combinations are commands, not text.
    key(Qt::Key_2, Qt::AltModifier);
    key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(text(5), "1");
    EXPECT_EQ(highlightedField(form), 5);
}

TEST_F(FieldEntryTest, ThePadsDecimalKeyTypesTheComma)
{
    // "1.5" typed on the numeric pad is 1,5, whichever separator the layout sends.
    goTo(5);
    type("1");
    key(Qt::Key_Period, Qt::KeypadModifier);
    type("5");
    EXPECT_EQ(text(5), "1,5");
    goTo(6);
    key(Qt::Key_Comma, Qt::KeypadModifier);
    EXPECT_EQ(text(6), "0,");
    // The comma's own rules still hold; the main keyboard's point stays ignored.
    key(Qt::Key_Period, Qt::KeypadModifier);
    type("7.");
    EXPECT_EQ(text(6), "0,7");
    goTo(1);
    key(Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(text(1), "");
    // With NumLock off the key is Delete on the pad; the main Delete types nothing.
    goTo(7);
    type("3");
    key(Qt::Key_Delete);
    EXPECT_EQ(text(7), "3");
    key(Qt::Key_Delete, Qt::KeypadModifier);
    type("45");
    EXPECT_EQ(text(7), "3,45");
}

TEST_F(FieldEntryTest, ATapOnACaptionOrValueMakesItsFieldCurrent)
{
    goTo(12);
    QTest::mouseClick(widget<QLabel>(form, "lblCabNrCupIni"), Qt::LeftButton);
    EXPECT_EQ(highlightedField(form), 3);
    type("9");
    EXPECT_EQ(text(3), "9");
    QTest::mouseClick(widget<QLabel>(form, "lblTotGer"), Qt::LeftButton);
    EXPECT_EQ(highlightedField(form), 8);
    EXPECT_EQ(TfrmCadRedzProbe::campoAtual(form), 8);
    // Other labels choose nothing; a locked screen ignores the tap.
    QTest::mouseClick(widget<QLabel>(form, "lblCabec"), Qt::LeftButton);
    EXPECT_EQ(highlightedField(form), 8);
    Cli_kal02700::boDadosUltima = true;
    form.BloqueiaDesbloqueia("S");
    QTest::mouseClick(widget<QLabel>(form, "lblCabContRed"), Qt::LeftButton);
    QTest::mouseClick(widget<QLabel>(form, "lblContRei"), Qt::LeftButton);
    EXPECT_EQ(highlightedField(form), 8);
}

TEST_F(FieldEntryTest, InputBeforeTheFirstActivationGoesNowhere)
{
    TfrmCadRedz fresh; // never shown: no current field yet
    auto allTexts = [&] {
        QStringList texts;
        for (const QLabel *label : fresh.findChildren<QLabel *>())
            texts << label->objectName() + QLatin1Char('=') + label->text();
        return texts;
    };
    const QStringList before = allTexts();
    QTest::keyClicks(&fresh, QStringLiteral("12,"));
    QTest::keyClick(&fresh, Qt::Key_Period, Qt::KeypadModifier);
    for (const char *key : {"sbt1", "sbt000", "sbtVirgula", "sbtCorrigir"})
        widget<TBlendedBitBtn>(fresh, key)->click();
    // Field numbers outside 1 to 13 reach no label.
    for (int outside : {0, -1, 14})
        fresh.postaTexto(outside, QStringLiteral("7"), false);
    EXPECT_EQ(allTexts(), before);
    EXPECT_EQ(widget<QLabel>(fresh, "lblCabec")->text(), QStringLiteral("Atualiza Redução Z"));
}

TEST_F(FieldEntryTest, TheScreenStandsCentred)
{
    const QRect screen = form.screen()->availableGeometry();
    EXPECT_EQ(form.frameGeometry(), form.geometry()) << "a borderless window";
    EXPECT_LE(std::abs(form.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(form.geometry().center().y() - screen.center().y()), 1);
}

TEST_F(FieldEntryTest, AMessageBoxStaysOverTheScreenAndGivesTheKeyboardBack)
{
    const auto previous = SharedServicesHost::setMessagePresenter(SharedServicesHost::dialogPresenter());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = nullptr;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())); }));
        seen = true;
        EXPECT_EQ(box->parentWidget(), &form);
        EXPECT_NE(box->windowModality(), Qt::NonModal);
        EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        for (QAbstractButton *button : box->buttons()) {
            EXPECT_GE(button->width(), widget<TBlendedBitBtn>(form, "sbt1")->width());
            EXPECT_GE(button->height(), widget<TBlendedBitBtn>(form, "sbt1")->height());
        }
        // Minimised by a window manager, it comes straight back.
        box->setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isMinimized(); }));
        EXPECT_TRUE(box->isVisible());
        box->buttons().first()->click();
    });
    Mensagem(QStringLiteral("Confira os valores."), QString(), QStringLiteral("N"), QStringLiteral("N"), tmAviso,
             QString(), QString(), 0, nullptr);
    SharedServicesHost::setMessagePresenter(previous);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == form.windowHandle(); }));
    EXPECT_EQ(QApplication::activeWindow(), &form);
}

TEST_F(FieldEntryTest, LockDisablesEntryButLeavesConfirmationAndHeadings)
{
    QList<QWidget *> entry;
    for (const char *name : {"sbtICMS", "sbt1", "sbt2", "sbt3", "sbt4", "sbt5", "sbt6", "sbt7", "sbt8", "sbt9", "sbt0",
                             "sbt00", "sbt000", "sbtEnter", "sbtVirgula", "sbtCorrigir", "sbtVoltar"})
        entry.append(widget<TBlendedBitBtn>(form, name));
    auto enabledStates = [&] {
        QList<bool> states;
        for (QWidget *w : entry)
            states.append(w->isEnabled());
        for (QLabel *l : values(form))
            states.append(l->isEnabled());
        return states;
    };
    const QList<bool> allOn(int(entry.size()) + 13, true);
    const QList<bool> allOff(int(entry.size()) + 13, false);

    form.BloqueiaDesbloqueia("S");
    EXPECT_EQ(enabledStates(), allOff);
    EXPECT_TRUE(widget<TBlendedBitBtn>(form, "sbtConf")->isEnabled());
    for (QLabel *heading : headings(form))
        EXPECT_TRUE(heading->isEnabled());
    // A disabled key does nothing when pressed.
    press("sbt7");
    press("sbtEnter");
    EXPECT_EQ(text(1), "");
    EXPECT_EQ(highlightedField(form), 1);

    for (const char *other : {"s", "n", "", " S", "SIM"}) {
        form.BloqueiaDesbloqueia(other);
        EXPECT_EQ(enabledStates(), allOff) << "argument '" << other << "'";
    }
    form.BloqueiaDesbloqueia("N");
    EXPECT_EQ(enabledStates(), allOn);
    for (const char *other : {"s", "n", ""}) {
        form.BloqueiaDesbloqueia(other);
        EXPECT_EQ(enabledStates(), allOn) << "argument '" << other << "'";
    }
}

TEST_F(FieldEntryTest, PrinterFiguresShownIgnoreEveryTypedKey)
{
    type("12");
    goTo(5);
    type("3,5");
    Cli_kal02700::boDadosUltima = true;
    type("9,");
    key(Qt::Key_Backspace);
    key(Qt::Key_Return);
    key(Qt::Key_Enter);
    key(Qt::Key_Escape);
    EXPECT_EQ(text(1), "12");
    EXPECT_EQ(text(5), "3,5");
    EXPECT_EQ(highlightedField(form), 5);
}

TEST_F(FieldEntryTest, HighlightOutsideTheFieldsLeavesAllHeadingsBlack)
{
    for (int outside : {0, 14, -1, 1000}) {
        TfrmCadRedzProbe::campoAtual(form) = outside;
        form.mudaCor();
        for (QLabel *heading : headings(form))
            EXPECT_EQ(fontColor(heading), black) << heading->objectName().toStdString() << " at " << outside;
    }
    TfrmCadRedzProbe::campoAtual(form) = 13;
    form.mudaCor();
    EXPECT_EQ(highlightedField(form), 13);
    // Only the headings change colour: the value labels keep their grey.
    for (QLabel *value : values(form))
        EXPECT_EQ(fontColor(value), gray);
}

TEST_F(FieldEntryTest, OnlyTheConfirmationClosesTheScreen)
{
    key(Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    key(Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(form.isVisible());
    form.reject();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    // A window manager's close request (Alt+F4 or a close button elsewhere).
    ASSERT_TRUE(form.windowHandle());
    form.windowHandle()->close();
    EXPECT_TRUE(form.isVisible());

    Cli_kal02700::boCriado = true;
    TfrmCadRedzProbe::fecha(form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(Cli_kal02700::boCriado);
}

TEST(FormKeyDownTest, SwallowsAltF4Alone)
{
    TfrmCadRedz form;
    auto keyDown = [&](quint16 key, TShiftState shift) {
        form.FormKeyDown(&form, key, shift);
        return key;
    };
    EXPECT_EQ(keyDown(VirtualKey::F4, ssAlt), 0);
    EXPECT_EQ(keyDown(VirtualKey::F4, ssAlt | ssCtrl), VirtualKey::F4);
    EXPECT_EQ(keyDown(VirtualKey::F4, ssAlt | ssShift), VirtualKey::F4);
    EXPECT_EQ(keyDown(VirtualKey::F4, ssAlt | ssLeft), VirtualKey::F4);
    EXPECT_EQ(keyDown(VirtualKey::F4, {}), VirtualKey::F4);
    EXPECT_EQ(keyDown(114, ssAlt), 114); // Alt+F3
    // Locked or not, the key-down rule is the same.
    Cli_kal02700::boDadosUltima = true;
    EXPECT_EQ(keyDown(VirtualKey::F4, ssAlt), 0);
    Cli_kal02700::boDadosUltima = false;
}

} // namespace
