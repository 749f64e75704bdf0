#include "SharedServices.h"
#include "AdoConnection.h"
#include "ConnectionString.h"
#include "DatabaseDialect.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "SharedServicesHost.h"
#include <QLocale>
#include <QWidget>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#ifndef KAL_VERSION
#define KAL_VERSION "1.0"
#endif

// ---------------------------------------------------------------- messages

void Mensagem(const QString &texto, const QString &titulo, const QString &flagSom, const QString &flagLog,
              TTipoMsg tipo, const QString &complemento, const QString &idEsquema, int codigo, ClientDataSet *dados)
{
    SharedServicesHost::MessageRequest request;
    request.text = texto;
    request.title = titulo;
    request.soundFlag = flagSom;
    request.logFlag = flagLog;
    request.kind = tipo;
    request.complement = complemento;
    request.schemaId = idEsquema;
    request.code = codigo;
    request.data = dados;
    SharedServicesHost::messagePresenter()(request);
}

// Server results: true, or the empty variant of a method without a value, is
// success; false and a text (the failure message of the method) are failures.
// A false is left to the caller to report; a failure text names the cause, so
// it is shown (when asked) before the caller's own "not saved" notice.
QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int codigo, const QString &metodo,
                        const QString &unidade, const QString &chave, const QString &idEsquema)
{
    if (!resultado.isValid() || resultado.isNull())
        return QVariant(true);
    switch (resultado.typeId()) {
    case QMetaType::Bool:
        return QVariant(resultado.toBool());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = resultado.toString();
        if (mostraErro && !EmptyString(text))
            Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(), idEsquema, codigo,
                     nullptr);
        return QVariant(false);
    }
    default:
        // Automation booleans may travel as numbers: non-zero is true.
        return QVariant(resultado.toBool());
    }
}

// ---------------------------------------------------------- text utilities

QString MontaRodapeGeral(bool completo, const QString &codTela, const QString &flag)
{
    QString footer = codTela.toUpper() + QStringLiteral(" - v") + QStringLiteral(KAL_VERSION);
    if (completo)
        footer += QStringLiteral(" - ") + FormatSettings::dateToStr(AutomationDate::today());
    return footer;
}

QString Ajusta(const QString &texto, int largura)
{
    // Counters are plain digit texts; anything else cannot be widened safely.
    if (largura < 0 || texto.size() > largura)
        return QStringLiteral("ERRO");
    for (QChar c : texto) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QStringLiteral("ERRO");
    }
    return QString(largura - texto.size(), QLatin1Char('0')) + texto;
}

bool EmptyString(const QString &texto)
{
    // Blanks and control characters alone count as empty, as a fixed-width
    // column padded with blanks holds nothing.
    return std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.unicode() <= ' '; });
}

double Trunc2(double valor)
{
    if (!std::isfinite(valor))
        return valor;
    // Cut the shortest decimal text of the value, not its binary approximation:
    // 0.29 * 100 is 28.999..., and floor() would give 0.28.
    char buffer[400]; // the longest fixed text of a double is about 330 characters
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, valor, std::chars_format::fixed);
    if (ec != std::errc())
        return std::trunc(valor * 100.0) / 100.0;
    std::string_view text(buffer, size_t(end - buffer));
    const size_t dot = text.find('.');
    if (dot != std::string_view::npos && text.size() > dot + 3)
        text = text.substr(0, dot + 3);
    double result = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result == 0.0 ? 0.0 : result; // no negative zero from -0.001
}

// ------------------------------------------------------------- database

QString _GetStringConexKiv(const QString &chave)
{
    return SharedServicesHost::connectionString();
}

// The session is prepared by the database's dialect: through ODBC as
// natively.
void SetADODBSession(AdoConnection &connection)
{
    connection.dialect().prepareSession(connection, DatabaseDialect::SessionUse::ReadWrite);
}

void TryConnect(AdoConnection &connection)
{
    try {
        connection.setConnected(true);
    } catch (const Exception &) {
        // Nothing waits for this result; the first statement reports a
        // connection that stayed closed.
    }
}

// The dialect's wording; the host's own connection string is never shown
// either.
QString ADOExceptionMessage(const Exception &error, AdoConnection &connection, const QString &complemento)
{
    QString text = DatabaseDialect::message(error, connection);
    if (!complemento.isEmpty())
        text += QStringLiteral(" - ") + complemento;
    for (const QString &connectionString : {connection.connectionString(), SharedServicesHost::connectionString()})
        if (!connectionString.isEmpty())
            text = ConnectionString::parse(connectionString).scrub(text);
    return text;
}

// ------------------------------------------------------------------ forms

void Trad(QWidget *form)
{
    // The reference package has no translation table: the captions stay as
    // designed, in Portuguese, and the form formats as a Brazilian one.
    if (form)
        form->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
}
