// The reference tax package's progress notice.
#include "TaxPackage.h"
#include "Wmb00002.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(BusyNotice, ShownOverTheFormAndTakenDown)
{
    // Taking down a notice that is not there does nothing.
    Wmb00002::DesativaProcesso();
    EXPECT_EQ(Wmb00002::busyNotice(), nullptr);

    auto form = std::make_unique<QWidget>();
    form->resize(701, 524);
    form->show();
    Wmb00002::AtivaProcesso(form.get(), QStringLiteral("Gerando arquivos referentes a Cat-52..."), 0, 0);
    QPointer<QWidget> notice = Wmb00002::busyNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->isWindow());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    auto *text = notice->findChild<QLabel *>(QStringLiteral("busyText"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("Gerando arquivos referentes a Cat-52..."));

    // A second call reuses the notice with the new text.
    Wmb00002::AtivaProcesso(form.get(), QStringLiteral("Outro"), 0, 0);
    EXPECT_EQ(Wmb00002::busyNotice(), notice.data());
    EXPECT_EQ(text->text(), QStringLiteral("Outro"));

    Wmb00002::DesativaProcesso();
    EXPECT_TRUE(notice.isNull());
    Wmb00002::DesativaProcesso();

    // Without a form, and with the form gone before the notice is taken down.
    Wmb00002::AtivaProcesso(nullptr, QStringLiteral("Sem tela"), 0, 0);
    EXPECT_NE(Wmb00002::busyNotice(), nullptr);
    Wmb00002::DesativaProcesso();
    Wmb00002::AtivaProcesso(form.get(), QStringLiteral("Tela fecha"), 0, 0);
    form.reset();
    EXPECT_EQ(Wmb00002::busyNotice(), nullptr);
    Wmb00002::DesativaProcesso();
}

} // namespace
