#include "ExitQuestion.h"
#include "ui_ExitQuestion.h"

ExitQuestion::ExitQuestion(const QString &why, QWidget *over) : QDialog(over), ui(std::make_unique<Ui::ExitQuestion>())
{
    ui->setupUi(this);
    // As the screen it stands over: no title bar, nothing to minimise.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    ui->lblMotivo->setText(why);
    connect(ui->sbtSim, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(ui->sbtNao, &QAbstractButton::clicked, this, &QDialog::reject);
}

ExitQuestion::~ExitQuestion() = default;

bool ExitQuestion::ask(const QString &why, QWidget *over)
{
    ExitQuestion question(why, over);
    if (over && over->isVisible())
        question.move(over->geometry().center() - question.rect().center());
    const bool leave = question.exec() == QDialog::Accepted;
    // The keyboard goes back to the screen, even where no window manager hands it back.
    if (over && over->isVisible())
        over->activateWindow();
    return leave;
}
