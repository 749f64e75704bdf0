#include "PrinterMemory.h"

#include "Exception.h"
#include "InputLimits.h"
#include "Wmb00001.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Wmb00001 {

namespace {

QString g_memoryFile;
std::function<QDateTime()> g_clock;
int g_unitLevel = 0;

[[noreturn]] void notAnswering(const QString &why)
{
    throw Exception(QStringLiteral("Impressora fiscal não responde: %1").arg(why));
}

// A text member; absent reads as empty, any other kind is a malformed memory.
QString textMember(const QJsonObject &object, const QString &key, const QString &where, const QString &path)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isString())
        notAnswering(
            QStringLiteral("memória da impressora inválida em %1: \"%2\" deve ser um texto").arg(path, where + key));
    return value.toString();
}

// What the JSON reader found wrong, in the operator's words.
QString parseProblem(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("objeto sem o '}' que o fecha");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("falta ':' depois de um nome");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("lista sem o ']' que a fecha");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("falta ',' entre dois valores");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("valor inválido");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("o arquivo termina no meio de um número");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("número inválido");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("sequência de escape inválida");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("texto que não é UTF-8");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("texto sem as aspas que o fecham");
    case QJsonParseError::MissingObject:
        return QStringLiteral("falta o objeto");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("objetos e listas aninhados demais");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("conteúdo grande demais");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("conteúdo a mais depois do fim");
    case QJsonParseError::NoError:
        break;
    }
    return QStringLiteral("conteúdo inválido");
}

} // namespace

PrinterMemory PrinterMemory::load(const QString &path)
{
    if (path.isEmpty())
        notAnswering(QStringLiteral("nenhuma memória de impressora configurada"));
    if (!QFileInfo::exists(path))
        notAnswering(QStringLiteral("memória da impressora não encontrada (%1)").arg(path));
    // A printer reports a few kilobytes: a device, a FIFO or a huge file is
    // no printer memory, and must not hold the call.
    QString refusal;
    const std::optional<QByteArray> bytes = InputLimits::readSmallFile(path, refusal);
    if (!bytes)
        notAnswering(QStringLiteral("memória da impressora ilegível: %1").arg(refusal));

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        notAnswering(QStringLiteral("memória da impressora ilegível (%1: %2 na posição %3)")
                         .arg(path, parseProblem(parseError.error))
                         .arg(parseError.offset));
    if (!document.isObject())
        notAnswering(QStringLiteral("memória da impressora inválida em %1: o conteúdo deve ser um objeto").arg(path));
    const QJsonObject root = document.object();

    PrinterMemory memory;
    memory.serial = textMember(root, QStringLiteral("serial"), {}, path);
    memory.model = textMember(root, QStringLiteral("model"), {}, path);
    memory.brand = textMember(root, QStringLiteral("brand"), {}, path);

    const QJsonValue reduction = root.value(QStringLiteral("lastReduction"));
    if (!reduction.isUndefined() && !reduction.isNull()) {
        if (!reduction.isObject())
            notAnswering(
                QStringLiteral("memória da impressora inválida em %1: \"lastReduction\" deve ser um objeto").arg(path));
        const QJsonObject figures = reduction.toObject();
        for (auto it = figures.begin(); it != figures.end(); ++it) {
            bool isNumber = false;
            const int index = it.key().toInt(&isNumber);
            if (!isNumber || index < 0 || index > 50)
                notAnswering(QStringLiteral("memória da impressora inválida em %1: índice \"%2\" fora de 0 a 50")
                                 .arg(path, InputLimits::excerpt(it.key())));
            if (!it.value().isString())
                notAnswering(
                    QStringLiteral("memória da impressora inválida em %1: \"lastReduction.%2\" deve ser um texto")
                        .arg(path, InputLimits::excerpt(it.key())));
            memory.lastReduction.insert(index, it.value().toString());
        }
    }

    const QJsonValue totalizers = root.value(QStringLiteral("totalizers"));
    if (!totalizers.isUndefined() && !totalizers.isNull()) {
        if (!totalizers.isArray())
            notAnswering(
                QStringLiteral("memória da impressora inválida em %1: \"totalizers\" deve ser uma lista").arg(path));
        const QJsonArray rows = totalizers.toArray();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (!rows.at(i).isObject())
                notAnswering(
                    QStringLiteral("memória da impressora inválida em %1: \"totalizers[%2]\" deve ser um objeto")
                        .arg(path)
                        .arg(i));
            const QJsonObject row = rows.at(i).toObject();
            const QString where = QStringLiteral("totalizers[%1].").arg(i);
            memory.totalizers.append({textMember(row, QStringLiteral("VRALIQIMPFIS"), where, path),
                                      textMember(row, QStringLiteral("CDIMPOSTO"), where, path),
                                      textMember(row, QStringLiteral("VRVENDIDO"), where, path),
                                      textMember(row, QStringLiteral("VRIMPOSTO"), where, path)});
        }
    }

    // The CAT-52 folder travels with the memory file unless it is absolute.
    const QString cat52Dir = textMember(root, QStringLiteral("cat52Dir"), {}, path);
    const QDir memoryFolder = QFileInfo(path).absoluteDir();
    memory.cat52Dir = QDir::cleanPath(
        memoryFolder.absoluteFilePath(cat52Dir.isEmpty() ? QStringLiteral(".") : cat52Dir));
    return memory;
}

void setPrinterMemoryFile(const QString &path)
{
    g_memoryFile = path;
}

QString printerMemoryFile()
{
    return g_memoryFile;
}

void setClock(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

QDateTime currentDateTime()
{
    return g_clock ? g_clock() : AutomationDate::currentDateTime();
}

QChar cat52Digit(int value)
{
    if (value < 0 || value > 35)
        throw Exception(QStringLiteral("Valor %1 não cabe em um caractere da extensão CAT-52 (0 a 35)").arg(value));
    return value < 10 ? QChar(u'0' + value) : QChar(u'A' + (value - 10));
}

QString cat52FileName(const PrinterMemory &memory, const QDate &movementDay)
{
    if (!movementDay.isValid())
        throw Exception(QStringLiteral("Data de movimento inválida para o arquivo CAT-52"));
    const int year = movementDay.year() - 2000;
    if (year < 0 || year > 35)
        throw Exception(
            QStringLiteral("Ano %1 fora do intervalo do nome do arquivo CAT-52 (2000 a 2035)").arg(movementDay.year()));

    QString maker;
    for (const QChar c : memory.brand) {
        if (maker.size() == 3)
            break;
        if (c.isLetterOrNumber() && c.unicode() < 128)
            maker += c.toUpper();
    }
    maker = maker.leftJustified(3, u'X');

    QString serialDigits;
    for (const QChar c : memory.serial)
        if (c >= u'0' && c <= u'9')
            serialDigits += c;
    serialDigits = serialDigits.right(5).rightJustified(5, u'0');

    return maker + serialDigits + u'.' + cat52Digit(movementDay.day()) + cat52Digit(movementDay.month())
           + cat52Digit(year);
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

} // namespace Wmb00001
