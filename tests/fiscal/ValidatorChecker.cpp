#include "ValidatorChecker.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <optional>
#include <set>

namespace {
// Lines ending in CR LF, the last one too; none empty.
QList<QByteArray> linesOf(const QByteArray &bytes, QStringList &out)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        out << QStringLiteral("o arquivo não termina em CR LF");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r') || line.count('\r') != 1)
            out << QStringLiteral("linha sem CR LF: %1").arg(QString::fromLatin1(line));
        line.chop(line.endsWith('\r') ? 1 : 0);
    }
    return lines;
}

// A number without leading zeros or separators.
bool isNumber(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^(0|[1-9][0-9]*)$"));
    return shape.match(text).hasMatch();
}

// Money with "," and two decimals, in cents; at most fifteen digits before
// the comma (the layouts' "15v2").
std::optional<qint64> money(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^(0|[1-9][0-9]{0,14}),([0-9]{2})$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong();
}

// One C405 with its children, checked when the next C400 or C405 (or the end) comes.
struct Day {
    int line = 0;
    qint64 gross = 0;
    qint64 c420Sum = 0; // except AT
    bool children = false;
    bool c490Seen = false;
    std::set<QString> c420Keys, c490Keys;
    QMap<qint64, qint64> totalisersByRate; // rate in hundredths -> sum of the xxTnnnn values
    QMap<qint64, qint64> taxedByRate;      // rate in hundredths -> VL_OPR of the CST 000 line
};

class SpedCheck {
public:
    explicit SpedCheck(QStringList &out) : m_out(out) {}

    void line(int n, const QString &text)
    {
        m_n = n;
        m_text = text;
        if (!text.startsWith(QLatin1Char('|')) || !text.endsWith(QLatin1Char('|')) || text.size() < 2) {
            fail(QStringLiteral("campos fora de \"|\""));
            return;
        }
        const QStringList f = text.mid(1, text.size() - 2).split(QLatin1Char('|'));
        const QMap<QString, int> counts{{"C400", 5}, {"C405", 7}, {"C420", 5}, {"C490", 8}};
        if (!counts.contains(f.first())) {
            fail(QStringLiteral("registro %1 que o ledger não escreve").arg(f.first()));
            return;
        }
        if (f.size() != counts.value(f.first())) {
            fail(QStringLiteral("%1 com %2 campos em vez de %3")
                     .arg(f.first())
                     .arg(f.size())
                     .arg(counts.value(f.first())));
            return;
        }
        if (f.first() == QLatin1String("C400"))
            c400(f);
        else if (f.first() == QLatin1String("C405"))
            c405(f);
        else if (f.first() == QLatin1String("C420"))
            c420(f);
        else
            c490(f);
    }

    void end() { closeDay(); }

private:
    void fail(const QString &why) { m_out << QStringLiteral("linha %1 (%2): %3").arg(m_n).arg(m_text, why); }

    void c400(const QStringList &f)
    {
        closeDay();
        m_printer = true;
        if (f[1] != QLatin1String("2D"))
            fail(QStringLiteral("COD_MOD não é 2D"));
        if (f[2].isEmpty() || f[2].size() > 20)
            fail(QStringLiteral("ECF_MOD vazio ou com mais de 20 caracteres"));
        if (f[3].isEmpty() || f[3].size() > 21)
            fail(QStringLiteral("ECF_FAB vazio ou com mais de 21 caracteres"));
        if (!isNumber(f[4]) || f[4] == QLatin1String("0") || f[4].size() > 3)
            fail(QStringLiteral("ECF_CX não é um número de 1 a 999"));
        if (!m_printers.insert(f[2] + QLatin1Char('|') + f[3]).second)
            fail(QStringLiteral("outro C400 com o mesmo modelo e série"));
    }

    void c405(const QStringList &f)
    {
        closeDay();
        if (!m_printer)
            fail(QStringLiteral("C405 sem C400"));
        m_day = Day{};
        m_day->line = m_n;
        if (!QDate::fromString(f[1], QStringLiteral("ddMMyyyy")).isValid())
            fail(QStringLiteral("DT_DOC não é uma data ddMMaaaa"));
        for (int i : {2, 3, 4})
            if (!isNumber(f[i]) || f[i] == QLatin1String("0"))
                fail(QStringLiteral("CRO, CRZ ou NUM_COO_FIN não é um número maior que zero"));
        if (f[2].size() > 3 || f[4].size() > 9)
            fail(QStringLiteral("CRO com mais de 3 dígitos ou NUM_COO_FIN com mais de 9"));
        const auto gt = money(f[5]);
        const auto gross = money(f[6]);
        if (!gt || !gross)
            fail(QStringLiteral("GT_FIN ou VL_BRT fora do formato"));
        m_day->gross = gross.value_or(0);
    }

    void c420(const QStringList &f)
    {
        if (!m_day) {
            fail(QStringLiteral("C420 sem C405"));
            return;
        }
        m_day->children = true;
        if (m_day->c490Seen)
            fail(QStringLiteral("C420 depois de um C490 do mesmo C405"));
        static const QRegularExpression taxed(QStringLiteral("^([0-9]{2})T([0-9]{4})$"));
        static const QStringList others{"F1", "I1", "N1", "Can-T", "DT", "AT"};
        const QRegularExpressionMatch m = taxed.match(f[1]);
        const auto value = money(f[2]);
        if (!value || *value <= 0)
            fail(QStringLiteral("VLR_ACUM_TOT não é um valor maior que zero"));
        if (m.hasMatch()) {
            const int number = m.captured(1).toInt();
            if (number < 1 || f[3] != QString::number(number))
                fail(QStringLiteral("NR_TOT não é o número do totalizador"));
            m_day->totalisersByRate[m.captured(2).toLongLong()] += value.value_or(0);
        } else if (!others.contains(f[1])) {
            fail(QStringLiteral("COD_TOT_PAR desconhecido"));
        } else if (!f[3].isEmpty()) {
            fail(QStringLiteral("NR_TOT preenchido num totalizador não tributado"));
        }
        if (!f[4].isEmpty())
            fail(QStringLiteral("DESCR_NR_TOT preenchido"));
        if (f[1] != QLatin1String("AT"))
            m_day->c420Sum += value.value_or(0);
        if (!m_day->c420Keys.insert(f[1] + QLatin1Char('|') + f[3]).second)
            fail(QStringLiteral("outro C420 com o mesmo COD_TOT_PAR e NR_TOT"));
    }

    void c490(const QStringList &f)
    {
        if (!m_day) {
            fail(QStringLiteral("C490 sem C405"));
            return;
        }
        m_day->children = true;
        m_day->c490Seen = true;
        // Sales at the ECF are operations inside the state.
        static const QRegularExpression cfop(QStringLiteral("^5[0-9]{3}$"));
        if (!cfop.match(f[2]).hasMatch())
            fail(QStringLiteral("CFOP fora do formato ou fora do grupo 5"));
        const auto rate = money(f[3]), operation = money(f[4]), base = money(f[5]), tax = money(f[6]);
        if (!rate || !operation || !base || !tax) {
            fail(QStringLiteral("valores fora do formato"));
            return;
        }
        if (!f[7].isEmpty())
            fail(QStringLiteral("COD_OBS preenchido"));
        if (*rate >= 10000)
            fail(QStringLiteral("ALIQ_ICMS de 100% ou mais"));
        if (f[1] == QLatin1String("000")) {
            // The tax is zero only where a tiny base truncates it to zero.
            const bool truncatesToZero = *base * *rate < 10000;
            if (*rate <= 0 || *base <= 0 || *tax < 0 || (*tax == 0 && !truncatesToZero))
                fail(QStringLiteral("CST 000 sem alíquota e base maiores que zero, ou com imposto zero que a base não "
                                    "explica"));
            m_day->taxedByRate[*rate] += *operation;
        } else if (QStringList{"040", "041", "060"}.contains(f[1])) {
            if (*rate != 0 || *base != 0 || *tax != 0)
                fail(QStringLiteral("CST %1 com alíquota, base ou imposto diferente de zero").arg(f[1]));
        } else {
            fail(QStringLiteral("CST_ICMS que o ledger não escreve"));
        }
        if (!m_day->c490Keys.insert(f[1] + QLatin1Char('|') + f[2] + QLatin1Char('|') + f[3]).second)
            fail(QStringLiteral("outro C490 com o mesmo CST, CFOP e alíquota"));
    }

    void closeDay()
    {
        if (!m_day)
            return;
        const Day d = *m_day;
        m_day.reset();
        const QString at = QStringLiteral("C405 da linha %1: ").arg(d.line);
        if (d.gross == 0) {
            if (d.children)
                m_out << at + QStringLiteral("VL_BRT zero com C420 ou C490");
            return;
        }
        if (d.c420Sum != d.gross)
            m_out << at + QStringLiteral("VL_BRT %1 e a soma dos C420 menos AT %2").arg(d.gross).arg(d.c420Sum);
        if (d.totalisersByRate != d.taxedByRate)
            m_out << at + QStringLiteral("os totalizadores tributados de cada alíquota não somam o VL_OPR do seu C490");
    }

    QStringList &m_out;
    int m_n = 0;
    QString m_text;
    bool m_printer = false;
    std::set<QString> m_printers;
    std::optional<Day> m_day;
};

bool digits(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

bool blanks(const QByteArray &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](char c) { return c == ' '; });
}

// Positions are 1-based and inclusive, as the layout gives them.
QByteArray at(const QByteArray &line, int first, int last)
{
    return line.mid(first - 1, last - first + 1);
}

class SintegraCheck {
public:
    explicit SintegraCheck(QStringList &out) : m_out(out) {}

    void line(int n, const QByteArray &text)
    {
        m_n = n;
        m_text = text;
        if (text.size() != 126)
            fail(QStringLiteral("%1 caracteres em vez de 126").arg(text.size()));
        if (!std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= 0x20 && c <= 0x7e; }))
            fail(QStringLiteral("caractere fora do ASCII"));
        if (text.startsWith("60M"))
            m60(text);
        else if (text.startsWith("60A"))
            a60(text);
        else
            fail(QStringLiteral("registro que o ledger não escreve"));
    }

private:
    void fail(const QString &why)
    {
        m_out << QStringLiteral("linha %1 (%2): %3").arg(m_n).arg(QString::fromLatin1(m_text), why);
    }

    void m60(const QByteArray &l)
    {
        const QDate day = QDate::fromString(QString::fromLatin1(at(l, 4, 11)), QStringLiteral("yyyyMMdd"));
        if (!day.isValid())
            fail(QStringLiteral("dia fora do formato"));
        if (at(l, 35, 36) != "2D")
            fail(QStringLiteral("modelo não é 2D"));
        if (blanks(at(l, 12, 31)) || at(l, 12, 12) == " ")
            fail(QStringLiteral("número de série vazio ou não alinhado à esquerda"));
        if (at(l, 32, 34) == "000")
            fail(QStringLiteral("número do ECF zero"));
        for (const auto &[first, last] :
             {std::pair{32, 34}, {37, 42}, {43, 48}, {49, 54}, {55, 57}, {58, 73}, {74, 89}})
            if (!digits(at(l, first, last)))
                fail(QStringLiteral("posições %1-%2 não são dígitos").arg(first).arg(last));
        if (!blanks(at(l, 90, 126)))
            fail(QStringLiteral("posições 90-126 não estão em branco"));
        const qint64 ecf = at(l, 32, 34).toLongLong();
        if (m_head && (day < m_day || (day == m_day && ecf < m_ecf)))
            fail(QStringLiteral("60M fora da ordem de dia e número do ECF"));
        m_head = true;
        m_day = day;
        m_ecf = ecf;
        m_key = at(l, 4, 31);
        m_situations.clear();
        m_lastRate = -1;
        m_others = 0;
    }

    void a60(const QByteArray &l)
    {
        if (!m_head) {
            fail(QStringLiteral("60A sem 60M"));
            return;
        }
        if (at(l, 4, 31) != m_key)
            fail(QStringLiteral("dia ou série diferentes do 60M"));
        const QByteArray situation = at(l, 32, 35);
        static const QList<QByteArray> others{"F   ", "I   ", "N   ", "CANC", "DESC"};
        if (digits(situation)) {
            if (m_others > 0 || situation.toLongLong() <= m_lastRate)
                fail(QStringLiteral("alíquotas fora da ordem crescente ou depois de F, I, N, CANC, DESC"));
            m_lastRate = situation.toLongLong();
            if (m_lastRate <= 0)
                fail(QStringLiteral("alíquota zero"));
        } else if (others.contains(situation)) {
            const int order = int(others.indexOf(situation)) + 1;
            if (order <= m_others)
                fail(QStringLiteral("situação fora da ordem F, I, N, CANC, DESC"));
            m_others = order;
        } else {
            fail(QStringLiteral("situação desconhecida"));
        }
        if (!m_situations.insert(situation).second)
            fail(QStringLiteral("outro 60A do mesmo 60M com a mesma situação"));
        if (!digits(at(l, 36, 47)) || at(l, 36, 47).toLongLong() <= 0)
            fail(QStringLiteral("valor não é um número maior que zero"));
        if (!blanks(at(l, 48, 126)))
            fail(QStringLiteral("posições 48-126 não estão em branco"));
    }

    QStringList &m_out;
    int m_n = 0;
    QByteArray m_text;
    bool m_head = false;
    QDate m_day;
    qint64 m_ecf = 0;
    QByteArray m_key;
    std::set<QByteArray> m_situations;
    qint64 m_lastRate = -1;
    int m_others = 0;
};
} // namespace

namespace ValidatorChecker {

QStringList sped(const QByteArray &bytes)
{
    QStringList out;
    const QList<QByteArray> lines = linesOf(bytes, out);
    SpedCheck check(out);
    for (int i = 0; i < lines.size(); ++i)
        check.line(i + 1, QString::fromLatin1(lines.at(i)));
    check.end();
    return out;
}

QStringList sintegra(const QByteArray &bytes)
{
    QStringList out;
    const QList<QByteArray> lines = linesOf(bytes, out);
    SintegraCheck check(out);
    for (int i = 0; i < lines.size(); ++i)
        check.line(i + 1, lines.at(i));
    return out;
}

} // namespace ValidatorChecker
