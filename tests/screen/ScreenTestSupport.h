#pragma once
// What the screen's tests share: a look inside the form, its widgets by
// object name, its fields by number, and a driver for the modal screen with
// a watchdog.
#include "TBlendedBitBtn.h"
#include "TfrmCadRedz.h"
#include <QColor>
#include <QLabel>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <stdexcept>
#include <gtest/gtest.h>
#include <ostream>

// Texts as people read them in a failed check.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// The form's private state, for its own tests.
struct TfrmCadRedzProbe {
    static int &campoAtual(TfrmCadRedz &form) { return form.FCampoAtual; }
    static const QString &idEsquema(const TfrmCadRedz &form) { return form.FIdEsquema; }
    static const QString &idGeraArqVndrio(const TfrmCadRedz &form) { return form.FIdGeraArqVndrio; }
    static const QString &idTipoImpFis(const TfrmCadRedz &form) { return form.FIdTipoImpFis; }
    static const QVariant &dadosImpostos(const TfrmCadRedz &form) { return form.FDadosImpostos; }
    // The confirmation's way out of the screen.
    static void fecha(TfrmCadRedz &form) { form.Close(); }
};

namespace ScreenTest {

const QColor black(0, 0, 0);
const QColor gray(128, 128, 128);

// The form's widget of that object name and kind. A missing one fails the
// test at once: no check goes on against a widget that is not there.
template <typename W>
W *widget(const QObject &form, const QString &name)
{
    W *found = form.findChild<W *>(name);
    if (!found) {
        ADD_FAILURE() << "the screen has no " << W::staticMetaObject.className() << " named " << name.toStdString();
        throw std::logic_error("missing widget " + name.toStdString());
    }
    return found;
}

// The caption labels and the value labels of the thirteen fields, in field
// order, found by their names.
std::array<QLabel *, 13> headings(const QObject &form);
std::array<QLabel *, 13> values(const QObject &form);

QColor fontColor(const QLabel *label);
// The field whose heading is highlighted, 0 when none is (or several are).
int highlightedField(const TfrmCadRedz &form);
QString fieldText(const TfrmCadRedz &form, int field);

// Counts the times a Z-reduction screen was shown, while it lives.
class ShowCounter : public QObject {
public:
    ShowCounter();
    ~ShowCounter() override;
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_count = 0;
};

// Answers the way-out question ("Sair sem gravar a Redução Z?") each time it
// is asked while it lives: Sim when `leave`, else Não. Keeps what each
// question said was wrong.
class ExitAnswerer : public QObject {
public:
    explicit ExitAnswerer(bool leave);
    ~ExitAnswerer() override;
    void setLeave(bool leave) { m_leave = leave; }
    const QStringList &reasons() const { return m_reasons; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_leave;
    QStringList m_reasons;
};

// Runs the inspection once the modal screen is up and active, then ends it
// through the confirmation's own close. A watchdog ends a screen that is still
// up after ten seconds (and marks the test failed), so nothing ever hangs.
class ModalScreenDriver {
public:
    explicit ModalScreenDriver(std::function<void(TfrmCadRedz &)> inspect);
    ~ModalScreenDriver();
    bool inspected() const { return m_inspected; }

private:
    std::function<void(TfrmCadRedz &)> m_inspect;
    bool m_inspected = false;
    QObject m_context;
};

} // namespace ScreenTest
