#include "PainelOptions.h"
#include "CommandLine.h"
#include "ConnectionString.h"
#include "InputLimits.h"

#include <QHash>

namespace {

const QStringList ValueOptions{"db",       "endereco",    "porta", "atualizar",  "virada",
                               "usuarios", "certificado", "chave", "nova-senha", "filiais"};

// --name VALUE or --name=VALUE, each at most once, read by the shared parser
// and its problems worded here.
QHash<QString, QString> collect(const QStringList &arguments, QString &error)
{
    QList<QCommandLineOption> options;
    for (const QString &name : ValueOptions)
        options.append(QCommandLineOption(name, QString(), QStringLiteral("VALOR")));
    CommandLine line(options, CommandLine::SingleDash::Argument);
    line.setEmptyValueMissing(true);
    QHash<QString, QString> values;
    switch (const CommandLineProblem problem = line.parse(arguments); problem.kind) {
    case CommandLineProblem::Kind::None:
        for (const QString &name : ValueOptions)
            if (line.isSet(name))
                values.insert(name, line.value(name));
        break;
    case CommandLineProblem::Kind::UnexpectedArgument:
        error = QStringLiteral("Argumento inesperado: %1").arg(problem.name);
        break;
    case CommandLineProblem::Kind::UnknownOption:
    case CommandLineProblem::Kind::UnexpectedValue:
        error = QStringLiteral("Opção desconhecida: --%1").arg(problem.name);
        break;
    case CommandLineProblem::Kind::MissingValue:
        error = QStringLiteral("--%1: falta o valor.").arg(problem.name);
        break;
    case CommandLineProblem::Kind::Repeated:
        error = QStringLiteral("--%1 informado mais de uma vez.").arg(problem.name);
        break;
    }
    return values;
}

bool parseNumbers(PainelOptions &o, const QHash<QString, QString> &v, QString &error)
{
    bool ok = true;
    if (v.contains("porta")) {
        const int port = v.value("porta").toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            error = QStringLiteral("--porta: um número de 1 a 65535.");
            return false;
        }
        o.porta = quint16(port);
    }
    if (v.contains("atualizar")) {
        o.atualizar = v.value("atualizar").toInt(&ok);
        if (!ok || o.atualizar < 1 || o.atualizar > 3600) {
            error = QStringLiteral("--atualizar: segundos, de 1 a 3600.");
            return false;
        }
    }
    if (v.contains("virada")) {
        o.virada = QTime::fromString(v.value("virada"), QStringLiteral("HH:mm"));
        if (!o.virada.isValid()) {
            error = QStringLiteral("--virada: hora no formato HH:mm (por exemplo 12:00).");
            return false;
        }
    }
    return true;
}

bool checkAccess(PainelOptions &o, const QHash<QString, QString> &v, QString &error)
{
    if (v.contains("endereco") && !o.endereco.setAddress(v.value("endereco"))) {
        error = QStringLiteral("--endereco: endereço IP inválido: %1").arg(InputLimits::excerpt(v.value("endereco")));
        return false;
    }
    if (o.certificado.isEmpty() != o.chave.isEmpty()) {
        error = QStringLiteral("--certificado e --chave andam juntos: informe os dois.");
        return false;
    }
    if (o.secured() && o.usuarios.isEmpty()) {
        error = QStringLiteral("Com HTTPS informe também --usuarios: o acesso pede usuário e senha.");
        return false;
    }
    if (!o.endereco.isLoopback() && (!o.secured() || o.usuarios.isEmpty())) {
        error = QStringLiteral("Fora de 127.0.0.1 e ::1 o painel só atende por HTTPS com senha: "
                               "informe --usuarios, --certificado e --chave.");
        return false;
    }
    return true;
}

} // namespace

Result<PainelOptions> PainelOptions::parse(const QStringList &arguments)
{
    PainelOptions o;
    QString error;
    const QHash<QString, QString> v = collect(arguments, error);
    if (!error.isEmpty())
        return Result<PainelOptions>::failure(error);
    o.novaSenha = v.value("nova-senha");
    if (!o.novaSenha.isEmpty()) {
        if (v.size() > (v.contains("filiais") ? 2 : 1) || o.novaSenha.contains(QLatin1Char(':'))
            || o.novaSenha.trimmed() != o.novaSenha)
            return Result<PainelOptions>::failure(
                QStringLiteral("--nova-senha USUARIO vai sozinho ou com --filiais; o usuário não tem ':' nem espaços "
                               "nas pontas."));
        if (v.contains("filiais")) {
            const Result<BranchScope> filiais = BranchScope::parse(v.value("filiais"));
            if (!filiais)
                return Result<PainelOptions>::failure(QStringLiteral("--filiais: %1.").arg(filiais.error()));
            o.filiais = filiais.value();
        }
        return Result<PainelOptions>::of(o);
    }
    if (v.contains("filiais"))
        return Result<PainelOptions>::failure(
            QStringLiteral("--filiais só vai com --nova-senha: as filiais de cada usuário ficam no arquivo de "
                           "--usuarios."));
    o.db = v.value("db");
    o.usuarios = v.value("usuarios");
    o.certificado = v.value("certificado");
    o.chave = v.value("chave");
    if (o.db.isEmpty())
        return Result<PainelOptions>::failure(QStringLiteral("--db: falta a conexão do banco."));
    const ConnectionString connection = ConnectionString::parse(o.db);
    if (!connection.isValid())
        return Result<PainelOptions>::failure(QStringLiteral("--db: %1").arg(connection.error()));
    if (!parseNumbers(o, v, error) || !checkAccess(o, v, error))
        return Result<PainelOptions>::failure(error);
    return Result<PainelOptions>::of(o);
}

QString PainelOptions::usage()
{
    return QStringLiteral(
        "Uso: kal02700-painel --db CONEXAO [--endereco ENDERECO] [--porta PORTA] [--atualizar SEGUNDOS] "
        "[--virada HH:mm] [--usuarios ARQUIVO] [--certificado ARQUIVO.pem --chave ARQUIVO.pem]\n"
        "     kal02700-painel --nova-senha USUARIO [--filiais 0001,0002]   (lê a senha da entrada padrão)");
}
