// The reference tax package: the tax-line dialog and the progress notice.
#include "Wmb00002.h"

#include "AdoCommand.h"
#include "AdoConnection.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServices.h"
#include "TaxLinesDialog.h"
#include "TaxPackage.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace Wmb00002 {

namespace {

int g_unitLevel = 0;
int g_connections = 0;
QPointer<QWidget> g_notice;

// The tax codes of the central database, by rate: the package's own lookup,
// the same question the module asks, on a connection that the shared
// services set up as they set up the module's.
class TaxCodeLookup {
public:
    TaxCodeLookup()
        : m_connection(QStringLiteral("Wmb00002-%1").arg(++g_connections)),
          m_query(QStringLiteral("adqPesqCdImposto"), &m_connection)
    {
        m_connection.beforeConnect = [](AdoConnection &sender) {
            sender.setConnectionString(_GetStringConexKiv(QString()));
        };
        m_connection.afterConnect = [](AdoConnection &sender) { SetADODBSession(sender); };
        m_query.setCommandText(
            QStringLiteral("SELECT DISTINCT CDIMPOSTO FROM ALIQIMPFIS WHERE VRPEALIMPFIS = :VRPEALIMPFIS"));
        m_query.declareParam(QStringLiteral("VRPEALIMPFIS"), ParamKind::Float);
        m_connection.open();
    }

    // Whether any rate is registered at all: the package's own statement.
    bool anyRate()
    {
        AdoQuery count(QStringLiteral("adqQtAliquotas"), &m_connection);
        count.setCommandText(QStringLiteral("SELECT COUNT(*) AS QTALIQUOTAS FROM ALIQIMPFIS"));
        count.open();
        const bool any = !count.eof() && count.asString(QStringLiteral("QTALIQUOTAS")).trimmed() != QLatin1String("0");
        count.close();
        return any;
    }

    QString codeFor(double rate)
    {
        m_query.close();
        m_query.paramByName(QStringLiteral("VRPEALIMPFIS")).setAsFloat(rate);
        m_query.open();
        const QString code = m_query.eof() ? QString() : m_query.asString(QStringLiteral("CDIMPOSTO")).trimmed();
        m_query.close();
        return code;
    }

private:
    AdoConnection m_connection;
    AdoQuery m_query;
};

// The printer's totalisers as starting lines; a row whose figures do not read
// as numbers is left for the operator to type.
QList<TaxLinesDialog::Line> printerLines(ClientDataSet &totalizadores, TaxCodeLookup &lookup)
{
    QList<TaxLinesDialog::Line> lines;
    if (!totalizadores.active() || totalizadores.isEmpty())
        return lines;
    for (totalizadores.first(); !totalizadores.eof(); totalizadores.next()) {
        try {
            const double rate = FormatSettings::strToFloat(
                totalizadores.fieldByName(QStringLiteral("VRALIQIMPFIS")).asString());
            const double base = FormatSettings::strToFloat(
                totalizadores.fieldByName(QStringLiteral("VRVENDIDO")).asString());
            QString code = lookup.codeFor(rate);
            if (code.isEmpty())
                code = totalizadores.fieldByName(QStringLiteral("CDIMPOSTO")).asString().trimmed().left(2);
            lines.append({code, rate, base});
        } catch (const EConvertError &) {
        }
    }
    totalizadores.first();
    return lines;
}

void criaImpostoRedz(const QString &cdFilial, const QString &cdCaixa, const QString &nrEcf, TDateTime dtReducao,
                     TDateTime dtUltRedZ, ClientDataSet &totalizadores, QVariant &dados)
{
    TaxCodeLookup lookup;
    TaxLinesDialog dialog(
        {cdFilial, cdCaixa, nrEcf, dtReducao, dtUltRedZ}, [&lookup](double rate) { return lookup.codeFor(rate); },
        QApplication::activeWindow());
    // The operator goes on from the list confirmed before. A first list
    // starts from the printer's totalisers only when they are of the day
    // being recorded: another day's lines would be taken for this one's.
    dialog.setRatesRegistered(lookup.anyRate());
    if (const auto confirmed = TaxLinesDialog::linesOf(dados))
        dialog.setLines(*confirmed);
    else if (AutomationDate::dateOf(dtUltRedZ) == AutomationDate::dateOf(dtReducao))
        dialog.setLines(printerLines(totalizadores, lookup));
    // Centred over the screen it serves: the dialog has no title bar to allow for.
    if (const QWidget *over = dialog.parentWidget())
        dialog.move(over->geometry().center() - dialog.rect().center());
    // A cancel leaves the list as it came.
    if (dialog.exec() == QDialog::Accepted)
        dados = dialog.packet();
}

void ativaProcesso(QWidget *form, const QString &texto, int a, int b)
{
    // Nothing to show in a process without widgets.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (!g_notice) {
        auto *notice = new QFrame(form, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        notice->setObjectName(QStringLiteral("busyNotice"));
        notice->setAttribute(Qt::WA_ShowWithoutActivating);
        notice->setStyleSheet(
            QStringLiteral("QFrame#busyNotice { background: white; border: 3px solid rgb(204,91,44); }"));
        auto *label = new QLabel(notice);
        label->setObjectName(QStringLiteral("busyText"));
        label->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
        label->setAlignment(Qt::AlignCenter);
        auto *layout = new QVBoxLayout(notice);
        layout->setContentsMargins(24, 18, 24, 18);
        layout->addWidget(label);
        g_notice = notice;
    }
    auto *label = g_notice->findChild<QLabel *>(QStringLiteral("busyText"));
    label->setText(texto);
    g_notice->adjustSize();
    const QRect over = form ? form->frameGeometry() : QRect();
    if (over.isValid())
        g_notice->move(over.center() - g_notice->rect().center());
    g_notice->show();
    // Headless platforms stack nothing, and say so on the console.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        g_notice->raise();
    // Painted now: the long task that follows keeps the event loop busy.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void desativaProcesso()
{
    delete g_notice.data();
}

} // namespace

TCriaImpostoRedz CriaImpostoRedz = &criaImpostoRedz;
TAtivaProcesso AtivaProcesso = &ativaProcesso;
TDesativaProcesso DesativaProcesso = &desativaProcesso;

QWidget *busyNotice()
{
    return g_notice.data();
}

int unitLevel()
{
    return g_unitLevel;
}

// Counting only: the package keeps no state that needs bringing up.
void Initialize()
{
    ++g_unitLevel;
}

void Finalize()
{
    --g_unitLevel;
}

} // namespace Wmb00002
