// kal02700-painel: the head office's live view of the night across every
// branch (the page, its JSON, Prometheus metrics), read through the fiscal
// ledger. Runs until SIGTERM or SIGINT.
#include "ConsoleLine.h"
#include "HistoryCache.h"
#include "NightCache.h"
#include "PainelOptions.h"
#include "PainelServer.h"
#include "SqliteDirect.h"
#include "UsersFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QDeadlineTimer>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

enum ExitStatus { Done = 0, CannotListen = 1, BadArguments = 2 };
// How long SIGTERM waits for the reads and checks under way.
constexpr int ShutdownMs = 1500;

int g_signalPipe[2] = {-1, -1};

// The password from standard input, not echoed on a terminal.
QByteArray readPassword()
{
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::fputs("Senha: ", stderr);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    QByteArray password = in.readLine(4096);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    while (password.endsWith('\n') || password.endsWith('\r'))
        password.chop(1);
    return password;
}

int newPassword(const QString &user, const BranchScope &filiais)
{
    const QByteArray password = readPassword();
    if (password.isEmpty()) {
        ConsoleLine::print(stderr, QStringLiteral("Senha vazia: nada gerado."));
        return BadArguments;
    }
    ConsoleLine::print(stdout, UsersFile::line(user, password, UsersFile::DefaultIterations, filiais));
    return Done;
}

Result<QSslConfiguration> tlsOf(const PainelOptions &o)
{
    QFile certFile(o.certificado), keyFile(o.chave);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return Result<QSslConfiguration>::failure(
            QStringLiteral("Não foi possível ler o certificado ou a chave (%1, %2).").arg(o.certificado, o.chave));
    const QList<QSslCertificate> chain = QSslCertificate::fromDevice(&certFile, QSsl::Pem);
    const QByteArray keyPem = keyFile.readAll();
    QSslKey anyKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (anyKey.isNull())
        anyKey = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (chain.isEmpty() || anyKey.isNull())
        return Result<QSslConfiguration>::failure(
            QStringLiteral("Certificado ou chave inválidos: esperados arquivos PEM (%1, %2).")
                .arg(o.certificado, o.chave));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(anyKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    // Clients are not asked for certificates: the system's authorities are
    // not loaded for each connection.
    tls.setCaCertificates({});
    return Result<QSslConfiguration>::of(tls);
}

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop from inside it.
void stopOnSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

int serve(QCoreApplication &app, const PainelOptions &options)
{
    std::optional<UsersFile> users;
    QStringList warnings;
    if (!options.usuarios.isEmpty()) {
        if (const Result<NoValue> loaded = users.emplace().load(options.usuarios, warnings); !loaded) {
            ConsoleLine::print(stderr, loaded.error());
            return BadArguments;
        }
    }
    for (const QString &warning : warnings)
        ConsoleLine::print(stderr, warning);
    std::optional<QSslConfiguration> tls;
    if (options.secured()) {
        const Result<QSslConfiguration> read = tlsOf(options);
        if (!read) {
            ConsoleLine::print(stderr, read.error());
            return BadArguments;
        }
        tls = read.value();
    }
    stopOnSignals(app);
    NightCache cache(options.db, options.atualizar, options.virada);
    HistoryCache history(cache, options.db, options.atualizar);
    PainelServer server(options, cache, history, users ? &*users : nullptr);
    if (const Result<NoValue> listening = server.start(tls ? &*tls : nullptr); !listening) {
        ConsoleLine::print(stderr, listening.error());
        return CannotListen;
    }
    ConsoleLine::print(stderr, QStringLiteral("Painel em %1://%2:%3/")
                                   .arg(tls ? QStringLiteral("https") : QStringLiteral("http"),
                                        options.endereco.protocol() == QAbstractSocket::IPv6Protocol
                                            ? QLatin1Char('[') + options.endereco.toString() + QLatin1Char(']')
                                            : options.endereco.toString())
                                   .arg(options.porta));
    app.exec();
    // Nothing new is taken; what runs gets a moment to end.
    const QDeadlineTimer deadline(ShutdownMs);
    const bool stopped = server.stop(deadline);
    const bool ended = cache.finishReads(deadline) && history.finishReads(deadline);
    ConsoleLine::print(stderr, QStringLiteral("Painel encerrado."));
    if (!stopped || !ended) {
        // A read hung on a silent database (or a check still deriving) is
        // not waited for: the process ends with its threads. It only read.
        std::quick_exit(Done);
    }
    return Done;
}

} // namespace

int main(int argc, char **argv)
{
    // The page lives in the service's static library.
    Q_INIT_RESOURCE(painel);
    // A night is read in parts, a thread each.
    SqliteDirect::readInParallel();
    QCoreApplication app(argc, argv);
    const Result<PainelOptions> parsed = PainelOptions::parse(app.arguments().mid(1));
    if (!parsed) {
        ConsoleLine::print(stderr, parsed.error());
        ConsoleLine::print(stderr, PainelOptions::usage());
        return BadArguments;
    }
    const PainelOptions &options = parsed.value();
    try {
        return options.novaSenha.isEmpty() ? serve(app, options) : newPassword(options.novaSenha, options.filiais);
    } catch (const std::exception &e) {
        ConsoleLine::print(stderr, QString::fromUtf8(e.what()));
        return CannotListen;
    }
}
