#include "ScreenTestSupport.h"
#include "Cli_kal02700.h"
#include "ExitQuestion.h"
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace ScreenTest {

namespace {
const char *const headingNames[13] = {"lblCabContRed",   "lblCabContRei",   "lblCabNrCupIni",   "lblCabNrCupFin",
                                      "lblCabSubTrib",   "lblCabIsentICMS", "lblCabNIncidICMS", "lblCabTotGer",
                                      "lblCabVendBrutD", "lblCabCancICMS",  "lblCabDescICMS",   "lblCabVendLiq",
                                      "lblCabAcresICMS"};
const char *const valueNames[13] = {"lblContRedZ",  "lblContRei",    "lblNRCupIni", "lblNrCupFin",  "lblSubTrib",
                                    "lblIsentICMS", "lblNIncidICMS", "lblTotGer",   "lblVendBrutD", "lblCancICMS",
                                    "lblDescICMS",  "lblVendLiq",    "lblACresICMS"};

std::array<QLabel *, 13> labels(const QObject &form, const char *const (&names)[13])
{
    std::array<QLabel *, 13> found{};
    for (size_t i = 0; i < found.size(); ++i)
        found[i] = widget<QLabel>(form, QLatin1String(names[i]));
    return found;
}
} // namespace

std::array<QLabel *, 13> headings(const QObject &form)
{
    return labels(form, headingNames);
}

std::array<QLabel *, 13> values(const QObject &form)
{
    return labels(form, valueNames);
}

QColor fontColor(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

int highlightedField(const TfrmCadRedz &form)
{
    int found = 0;
    const auto fieldHeadings = headings(form);
    for (int i = 0; i < 13; ++i) {
        if (fontColor(fieldHeadings[size_t(i)]) == gray) {
            if (found)
                return 0;
            found = i + 1;
        } else if (fontColor(fieldHeadings[size_t(i)]) != black) {
            return 0;
        }
    }
    return found;
}

QString fieldText(const TfrmCadRedz &form, int field)
{
    return values(form)[size_t(field - 1)]->text();
}

ShowCounter::ShowCounter()
{
    qApp->installEventFilter(this);
}

ShowCounter::~ShowCounter()
{
    qApp->removeEventFilter(this);
}

bool ShowCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && qobject_cast<TfrmCadRedz *>(watched))
        ++m_count;
    return false;
}

ExitAnswerer::ExitAnswerer(bool leave) : m_leave(leave)
{
    qApp->installEventFilter(this);
}

ExitAnswerer::~ExitAnswerer()
{
    qApp->removeEventFilter(this);
}

bool ExitAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    auto *question = qobject_cast<ExitQuestion *>(watched);
    if (event->type() != QEvent::Show || !question)
        return false;
    m_reasons << widget<QLabel>(*question, "lblPergunta")->text() + u'|'
                     + widget<QLabel>(*question, "lblMotivo")->text();
    TBlendedBitBtn *answer = widget<TBlendedBitBtn>(*question, m_leave ? "sbtSim" : "sbtNao");
    // Once its modal loop runs, as an operator's tap would come.
    QTimer::singleShot(0, answer, [answer] { QTest::mouseClick(answer, Qt::LeftButton); });
    return false;
}

ModalScreenDriver::ModalScreenDriver(std::function<void(TfrmCadRedz &)> inspect) : m_inspect(std::move(inspect))
{
    QTimer::singleShot(0, &m_context, [this] {
        TfrmCadRedz *form = Cli_kal02700::frmCadRedz;
        if (!form || !form->isVisible()) {
            ADD_FAILURE() << "the screen is not up";
            return;
        }
        // The activation comes through the event loop; wait for it.
        EXPECT_TRUE(QTest::qWaitForWindowActive(form));
        m_inspected = true;
        m_inspect(*form);
        if (Cli_kal02700::frmCadRedz == form)
            TfrmCadRedzProbe::fecha(*form);
    });
    QTimer::singleShot(10000, &m_context, [] {
        if (TfrmCadRedz *form = Cli_kal02700::frmCadRedz) {
            ADD_FAILURE() << "watchdog: the screen was still up";
            TfrmCadRedzProbe::fecha(*form);
        }
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
}

ModalScreenDriver::~ModalScreenDriver() = default;

} // namespace ScreenTest
