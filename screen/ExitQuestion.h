#pragma once
// The way out of a screen that cannot be confirmed as it stands: why it
// cannot, and "Sair sem gravar a Redução Z?" with Sim and Não, keys a finger
// can hit. Esc, Alt+F4 and a window manager's close answer Não. Its layout is
// ExitQuestion.ui.
#include <QDialog>
#include <memory>

namespace Ui {
class ExitQuestion;
}

class ExitQuestion : public QDialog {
    Q_OBJECT
public:
    ExitQuestion(const QString &why, QWidget *over);
    ~ExitQuestion() override;

    // Asks over `over` and waits for the answer: true for Sim.
    static bool ask(const QString &why, QWidget *over);

private:
    std::unique_ptr<Ui::ExitQuestion> ui;
};
