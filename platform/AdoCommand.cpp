#include "AdoCommand.h"
#include "Exception.h"
#include "PostgresDirect.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>

namespace {
// Dates and date-times go to every driver as ISO text of the day and of the
// wall clock: the same form SQLite compares as text and PostgreSQL casts to
// the column's own type. A day never passes through the local clock, where
// midnight may not exist (daylight saving that starts at 00:00).
QString isoDate(TDateTime value)
{
    return AutomationDate::toDate(value).toString(Qt::ISODate); // yyyy-MM-dd
}

QString isoDateTime(TDateTime value)
{
    // yyyy-MM-ddTHH:mm:ss.zzz: a wall clock carries no offset.
    return isoDate(value) + QLatin1Char('T') + AutomationDate::toTime(value).toString(QStringLiteral("HH:mm:ss.zzz"));
}

// The automation date of a day and a wall-clock time, as written.
TDateTime wallClock(const QDate &date, const QTime &time)
{
    const double days = AutomationDate::fromDate(date);
    const double fraction = time.isValid() ? double(time.msecsSinceStartOfDay()) / 86400000.0 : 0.0;
    return days < 0 ? days - fraction : days + fraction;
}

TDateTime toAutomation(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0.0;
    switch (value.typeId()) {
    case QMetaType::QDate:
        return AutomationDate::fromDate(value.toDate());
    case QMetaType::QDateTime: {
        // A column without a time zone comes as local time, and as an invalid
        // one when its wall clock falls in the hour skipped by daylight
        // saving; its day and time still stand as the database holds them.
        const QDateTime dt = value.toDateTime();
        if (dt.timeSpec() == Qt::LocalTime && dt.date().isValid())
            return wallClock(dt.date(), dt.time());
        const QDateTime local = dt.toLocalTime();
        return local.isValid() ? wallClock(local.date(), local.time()) : 0.0;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return 0.0;
    const QDate day = text.size() >= 10 ? QDate::fromString(text.left(10), Qt::ISODate) : QDate();
    if (day.isValid() && text.size() == 10)
        return AutomationDate::fromDate(day);
    if (day.isValid() && (text.at(10) == QLatin1Char('T') || text.at(10) == QLatin1Char(' '))) {
        // A wall clock without an offset is taken as written.
        const QString clock = text.mid(11);
        QTime time = QTime::fromString(clock, Qt::ISODateWithMs);
        if (!time.isValid())
            time = QTime::fromString(clock, Qt::ISODate);
        if (time.isValid())
            return wallClock(day, time);
    }
    // With an offset it is a moment: shown in the local clock.
    QString iso = text;
    if (iso.size() > 10 && iso.at(10) == QLatin1Char(' '))
        iso[10] = QLatin1Char('T');
    QDateTime dt = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(iso, Qt::ISODate);
    if (!dt.isValid() || dt.timeSpec() == Qt::LocalTime)
        throw EConvertError(QStringLiteral("'%1' não é uma data válida").arg(text));
    const QDateTime local = dt.toLocalTime();
    return wallClock(local.date(), local.time());
}

// Calls found(start, length, name) for each ":NAME" place outside quoted
// literals, in the text's order.
template <typename Found>
void scanPlaceholders(const QString &text, Found found)
{
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < text.size()
            && (text.at(i + 1).isLetter() || text.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < text.size() && (text.at(j).isLetterOrNumber() || text.at(j) == QLatin1Char('_')))
                ++j;
            found(i, j - i, text.mid(i + 1, j - i - 1));
            i = j - 1;
        }
    }
}

// ":NAME" places outside quoted literals, in order of first appearance.
QStringList placeholderNames(const QString &text)
{
    QStringList names;
    scanPlaceholders(text, [&](qsizetype, qsizetype, const QString &name) {
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
    });
    return names;
}

// The text with each ":NAME" written "$n", n the name's place among names
// (a name used twice is the same $n), as libpq takes its parameters.
QString numberedPlaceholders(const QString &text, const QStringList &names)
{
    QString result;
    qsizetype copied = 0;
    scanPlaceholders(text, [&](qsizetype start, qsizetype length, const QString &name) {
        result += QStringView(text).mid(copied, start - copied);
        qsizetype number = 0;
        while (number < names.size() && names.at(number).compare(name, Qt::CaseInsensitive) != 0)
            ++number;
        result += QLatin1Char('$') + QString::number(number + 1);
        copied = start + length;
    });
    result += QStringView(text).mid(copied);
    return result;
}

// The value a parameter is bound with: its kind decides, a null keeps the
// kind's type so that every driver binds it as such.
QVariant boundValue(const AdoParameter &p)
{
    const QVariant &v = p.value();
    if (!v.isValid() || v.isNull()) {
        switch (p.kind()) {
        case ParamKind::Float:
            return QVariant(QMetaType::fromType<double>());
        case ParamKind::Integer:
            return QVariant(QMetaType::fromType<int>());
        case ParamKind::Blob:
            return QVariant(QMetaType::fromType<QByteArray>());
        default:
            return QVariant(QMetaType::fromType<QString>());
        }
    }
    switch (p.kind()) {
    case ParamKind::Text:
        return v.toString();
    case ParamKind::Date:
        return isoDate(toAutomation(v));
    case ParamKind::DateTime:
        return isoDateTime(toAutomation(v));
    case ParamKind::Float:
        return v.toDouble();
    case ParamKind::Integer:
        return v.toInt();
    case ParamKind::Blob:
        return v.toByteArray();
    }
    return v;
}

// A bound value as libpq takes it: text in UTF-8 (the session's encoding),
// binary data as the bytes.
PostgresDirect::Parameter libpqParameter(const AdoParameter &p)
{
    const QVariant v = boundValue(p);
    PostgresDirect::Parameter result;
    if (v.isNull()) {
        result.null = true;
        return result;
    }
    switch (p.kind()) {
    case ParamKind::Blob:
        result.value = v.toByteArray();
        result.binary = true;
        break;
    case ParamKind::Float:
        result.value = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest).toLatin1();
        break;
    default:
        result.value = v.toString().toUtf8();
        break;
    }
    return result;
}
} // namespace

AdoStatement::AdoStatement(QString name, AdoConnection *connection) : m_name(std::move(name)), m_connection(connection)
{
    if (m_connection)
        m_connection->attach(this);
}

AdoStatement::~AdoStatement()
{
    if (m_connection)
        m_connection->detach(this);
}

void AdoStatement::unprepare()
{
    m_query.reset();
    m_prepared = false;
}

void AdoStatement::setCommandText(const QString &text)
{
    m_text = text;
    m_query.reset();
    std::vector<std::unique_ptr<AdoParameter>> params;
    for (const QString &n : placeholderNames(text)) {
        ParamKind kind = ParamKind::Text;
        for (const auto &old : m_params)
            if (old->name().compare(n, Qt::CaseInsensitive) == 0)
                kind = old->kind();
        params.push_back(std::make_unique<AdoParameter>(n, kind));
    }
    m_params = std::move(params);
}

void AdoStatement::declareParam(const QString &name, ParamKind kind)
{
    for (auto &p : m_params) {
        if (p->name().compare(name, Qt::CaseInsensitive) == 0) {
            *p = AdoParameter(p->name(), kind);
            return;
        }
    }
    throw EDatabaseError(QStringLiteral("Parâmetro '%1' não existe no comando %2").arg(name, m_name));
}

AdoParameter &AdoStatement::paramByName(const QString &name)
{
    // Callers write the names as the text does: the exact match comes first.
    for (auto &p : m_params)
        if (p->name() == name)
            return *p;
    for (auto &p : m_params)
        if (p->name().compare(name, Qt::CaseInsensitive) == 0)
            return *p;
    throw EDatabaseError(QStringLiteral("Parâmetro '%1' não encontrado no comando %2").arg(name, m_name));
}

QStringList AdoStatement::paramNames() const
{
    QStringList names;
    for (const auto &p : m_params)
        names << p->name();
    return names;
}

void AdoStatement::raise(const QSqlError &driverError, const QString &what) const
{
    const QSqlError error = m_connection ? m_connection->nativeForm(driverError, statementHandle()) : driverError;
    QString text = what;
    const QString detail = error.text().trimmed();
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    const bool lost = m_connection && (!m_connection->connected() || m_connection->noteFailure(error));
    throw EDatabaseError(text, error.nativeErrorCode(), error.driverText(), error.databaseText(),
                         lost ? EDatabaseError::Kind::Connection : EDatabaseError::Kind::Statement);
}

QSqlQuery &AdoStatement::prepareAndBind()
{
    if (!m_connection || !m_connection->connected())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados fechada (%1)").arg(m_name), {}, {}, {},
                             EDatabaseError::Kind::Connection);
    // Prepared once per connection; a reconnect needs a fresh statement.
    if (!m_query || m_preparedOn != m_connection->generation() || !m_prepared) {
        m_query = std::make_unique<QSqlQuery>(m_connection->database());
        m_query->setForwardOnly(true);
        m_preparedOn = m_connection->generation();
        m_prepared = m_query->prepare(m_text);
        if (!m_prepared)
            raise(m_query->lastError(), QStringLiteral("Erro ao preparar %1").arg(m_name)); // prepared again next time
    }
    for (const auto &p : m_params)
        m_query->bindValue(p->placeholder(), boundValue(*p));
    return *m_query;
}

QVariant AdoStatement::statementHandle() const
{
    return m_query && m_query->result() ? m_query->result()->handle() : QVariant();
}

bool AdoStatement::sendsBytesApart() const
{
    if (!m_connection || !m_connection->dialect().sendsBytesApart())
        return false;
    for (const auto &p : m_params)
        if (p->kind() == ParamKind::Blob)
            return true;
    return false;
}

void AdoStatement::releaseBytes()
{
    // The driver keeps what was bound until the next run: a large file
    // would stay in memory for nothing.
    if (!m_query)
        return;
    for (const auto &p : m_params)
        if (p->kind() == ParamKind::Blob)
            m_query->bindValue(p->placeholder(), QVariant(QMetaType::fromType<QByteArray>()));
}

int AdoCommand::execute()
{
    const AdoConnection::AnswerWait wait(connection());
    if (sendsBytesApart())
        return executeOnLibpq();
    QSqlQuery &q = prepareAndBind();
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        releaseBytes();
        raise(error, QStringLiteral("Erro ao executar %1").arg(name()));
    }
    const int rows = q.numRowsAffected();
    q.finish();
    releaseBytes();
    return rows;
}

int AdoCommand::executeOnLibpq()
{
    AdoConnection *c = connection();
    if (!c || !c->connected())
        throw EDatabaseError(QStringLiteral("Conexão com o banco de dados fechada (%1)").arg(name()), {}, {}, {},
                             EDatabaseError::Kind::Connection);
    std::vector<PostgresDirect::Parameter> parameters;
    parameters.reserve(size_t(paramNames().size()));
    for (const QString &n : paramNames())
        parameters.push_back(libpqParameter(paramByName(n)));
    int rows = 0;
    QSqlError error;
    if (!PostgresDirect::execute(c->database(), numberedPlaceholders(commandText(), paramNames()).toUtf8(), parameters,
                                 &rows, &error))
        raise(error, QStringLiteral("Erro ao executar %1").arg(name()));
    return rows;
}

void AdoQuery::open()
{
    close();
    const AdoConnection::AnswerWait wait(connection());
    QSqlQuery &q = prepareAndBind();
    if (!q.exec())
        raise(q.lastError(), QStringLiteral("Erro ao abrir %1").arg(name()));
    const QSqlRecord record = q.record();
    m_columns.clear();
    for (int i = 0; i < record.count(); ++i)
        m_columns << record.fieldName(i).toUpper();
    while (q.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << q.value(i);
        m_rows.push_back(std::move(row));
    }
    if (q.lastError().isValid())
        raise(q.lastError(), QStringLiteral("Erro ao ler %1").arg(name()));
    q.finish();
    m_active = true;
    m_pos = 0;
    m_eof = m_rows.empty();
}

void AdoQuery::close()
{
    m_active = false;
    m_rows.clear();
    m_columns.clear();
    m_pos = 0;
    m_eof = true;
}

bool AdoQuery::eof() const
{
    return m_eof;
}
bool AdoQuery::isEmpty() const
{
    return m_rows.empty();
}

void AdoQuery::first()
{
    m_pos = 0;
    m_eof = m_rows.empty();
}

void AdoQuery::next()
{
    if (m_pos + 1 < int(m_rows.size()))
        ++m_pos;
    else
        m_eof = true;
}

QVariant AdoQuery::value(const QString &fieldName) const
{
    const int column = int(m_columns.indexOf(fieldName.toUpper()));
    if (column < 0)
        throw EDatabaseError(QStringLiteral("Campo '%1' não encontrado em %2").arg(fieldName, name()));
    if (m_rows.empty() || m_pos >= int(m_rows.size()))
        return QVariant();
    return m_rows[size_t(m_pos)].at(column);
}

QString AdoQuery::asString(const QString &fieldName) const
{
    const QVariant v = value(fieldName);
    if (v.isNull())
        return QString();
    return v.toString();
}

TDateTime AdoQuery::asDateTime(const QString &fieldName) const
{
    return toAutomation(value(fieldName));
}

double AdoQuery::asFloat(const QString &fieldName) const
{
    const QVariant v = value(fieldName);
    if (v.isNull())
        return 0.0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' não é um número válido").arg(v.toString()));
    return d;
}
