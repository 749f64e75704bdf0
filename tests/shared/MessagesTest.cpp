// Mensagem through the host's presenter, and MensagemMetodo's reading of a
// server method's result.
#include "SharedServicesHost.h"
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <cstdio>

using namespace SharedServicesHost;

namespace {
void showError(const QString &text)
{
    Mensagem(text, "", "N", "N", tmErro, "", "0001", 0, nullptr);
}

QByteArray contentsOf(std::FILE *file)
{
    std::rewind(file);
    QByteArray bytes;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}
} // namespace

TEST(MessageRecorder, KeepsEveryCallAndPutsThePreviousPresenterBack)
{
    int outerCalls = 0;
    const MessagePresenter before = setMessagePresenter([&](const MessageRequest &) { ++outerCalls; });
    {
        MessageRecorder recorder;
        QStringList seen;
        recorder.onMessage = [&](const MessageRequest &r) { seen << r.text; };
        Mensagem("primeira", "Título", "S", "N", tmInformacao, "compl", "0001", 7, nullptr);
        showError("segunda");
        ASSERT_EQ(recorder.count(), 2);
        EXPECT_EQ(recorder.texts(), QStringList({"primeira", "segunda"}));
        EXPECT_EQ(recorder.kinds(), QList<TTipoMsg>({tmInformacao, tmErro}));
        const MessageRequest &first = recorder.calls().first();
        EXPECT_EQ(first.title, QString::fromUtf8("Título"));
        EXPECT_EQ(first.soundFlag, "S");
        EXPECT_EQ(first.logFlag, "N");
        EXPECT_EQ(first.complement, "compl");
        EXPECT_EQ(first.schemaId, "0001");
        EXPECT_EQ(first.code, 7);
        EXPECT_EQ(seen, recorder.texts());
        EXPECT_EQ(outerCalls, 0);
    }
    showError("depois");
    EXPECT_EQ(outerCalls, 1);
    setMessagePresenter(before);
}

TEST(ConsolePresenter, PrintsTheTextAsOneUtf8Line)
{
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const MessagePresenter before = setMessagePresenter(consolePresenter(file));
    showError(QString::fromUtf8("Erro no banco de dados.\nLinha dois\r\nLinha três"));
    Mensagem("Dados gravados corretamente.", "", "N", "N", tmInformacao, "", "", 0, nullptr);
    setMessagePresenter(before);
    EXPECT_EQ(contentsOf(file),
              QByteArray("Erro no banco de dados. Linha dois Linha tr\xc3\xaas\nDados gravados corretamente.\n"));
    std::fclose(file);
}

TEST(ConsolePresenter, IsTheDefaultAndWritesToStandardOutput)
{
    const MessagePresenter before = setMessagePresenter({});
    testing::internal::CaptureStdout();
    Mensagem("Os dados foram gravados.", "", "N", "N", tmInformacao, "", "", 0, nullptr);
    const std::string printed = testing::internal::GetCapturedStdout();
    setMessagePresenter(before);
    EXPECT_EQ(printed, "Os dados foram gravados.\n");
}

TEST(DialogPresenter, ShowsAModalBoxWithTheIconOfTheKind)
{
    const MessagePresenter before = setMessagePresenter(dialogPresenter());
    struct Seen {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };
    QList<Seen> seen;
    // Runs inside the box's own event loop: note what it shows, then answer.
    auto answerNextBox = [&] {
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && box->isVisible()) {
                    seen.append({box->icon(), box->windowTitle(), box->text()});
                    box->accept();
                }
            }
        });
    };
    const QList<QPair<TTipoMsg, QMessageBox::Icon>> kinds = {{tmInformacao, QMessageBox::Information},
                                                             {tmConfirmacao, QMessageBox::Question},
                                                             {tmAviso, QMessageBox::Warning},
                                                             {tmErro, QMessageBox::Critical}};
    for (const auto &[kind, icon] : kinds) {
        answerNextBox();
        Mensagem("texto", "", "N", "N", kind, "", "", 0, nullptr);
    }
    setMessagePresenter(before);
    ASSERT_EQ(seen.size(), kinds.size());
    for (int i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(seen[i].icon, kinds[i].second) << i;
        EXPECT_EQ(seen[i].title, QString::fromUtf8("Atenção"));
        EXPECT_EQ(seen[i].text, "texto");
    }
}

TEST(MensagemMetodo, TrueAndTheEmptyResultAreSuccess)
{
    MessageRecorder recorder;
    const QVariant fromTrue = MensagemMetodo(QVariant(true), true, 0, "setRedZ", "cli_Kal02700", "k", "0001");
    EXPECT_EQ(fromTrue.typeId(), QMetaType::Bool);
    EXPECT_TRUE(fromTrue.toBool());
    EXPECT_TRUE(MensagemMetodo(QVariant(), true, 0, "setArqCat52", "cli_Kal02700", "k", "0001").toBool());
    EXPECT_TRUE(MensagemMetodo(QVariant(QMetaType::fromType<QString>()), true, 0, "m", "u", "k", "").toBool());
    EXPECT_EQ(recorder.count(), 0);
}

TEST(MensagemMetodo, FalseIsLeftToTheCallerToReport)
{
    MessageRecorder recorder;
    const QVariant result = MensagemMetodo(QVariant(false), true, 0, "setRedZ", "cli_Kal02700", "k", "0001");
    EXPECT_EQ(result.typeId(), QMetaType::Bool);
    EXPECT_FALSE(result.toBool());
    EXPECT_EQ(recorder.count(), 0);
}

TEST(MensagemMetodo, AFailureTextIsFalseAndShownOnlyWhenAsked)
{
    MessageRecorder recorder;
    const QString failure = QString::fromUtf8("Registro duplicado: já existe um registro com esta chave.");
    EXPECT_FALSE(MensagemMetodo(QVariant(failure), false, 0, "setRedZ", "cli_Kal02700", "k", "0001").toBool());
    EXPECT_EQ(recorder.count(), 0);

    const QVariant shown = MensagemMetodo(QVariant(failure), true, 5, "setRedZ", "cli_Kal02700", "k", "0001");
    EXPECT_EQ(shown.typeId(), QMetaType::Bool);
    EXPECT_FALSE(shown.toBool());
    ASSERT_EQ(recorder.count(), 1);
    EXPECT_EQ(recorder.calls()[0].text, failure);
    EXPECT_EQ(recorder.calls()[0].kind, tmErro);
    EXPECT_EQ(recorder.calls()[0].schemaId, "0001");
}
