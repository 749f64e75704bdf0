// The reference fiscal-printer package: answers from the printer memory file
// (PrinterMemory.h) and writes the day's CAT-52 file.
#include "Wmb00001.h"

#include "Cat52Record.h"
#include "ClientDataSet.h"
#include "Exception.h"
#include "FileWrite.h"
#include "FormatSettings.h"
#include "PrinterMemory.h"
#include "ReductionFigures.h"
#include "SystemError.h"
#include "Win1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Wmb00001 {

namespace {

const int LastReductionSize = 51;

// The reduction figures the CAT-52 records carry, where the printer's
// last-reduction array holds them (the Z reduction's description), and the
// day of that reduction.
const int IndexCro = ReductionFigures::byTag(2).printerIndex;
const int IndexCrz = ReductionFigures::byTag(1).printerIndex;
const int IndexCoo = ReductionFigures::byTag(4).printerIndex;
const int IndexLastReductionDay = 46;
const int IndexDailyGrossSale = ReductionFigures::byTag(9).printerIndex;

void dadosUltimaRedZ(const QVariant &idEsquema, int opcao, QVariantList &ultimaRedZ, ClientDataSet &totalizadores)
{
    // Read everything first: a printer that does not answer changes nothing.
    const PrinterMemory memory = PrinterMemory::load(printerMemoryFile());

    // Each column as wide as the longest text the printer reported in it: a
    // zero-padded rate or value reaches the module whole, for its checks to
    // read or refuse, never cut to a width of ours.
    auto width = [&memory](int least, QString Totalizer::*member) {
        int widest = least;
        for (const Totalizer &t : memory.totalizers)
            widest = std::max(widest, int((t.*member).size()));
        return widest;
    };
    ClientDataSet rows(QStringLiteral("cdsTotalizadores"));
    rows.addField(QStringLiteral("VRALIQIMPFIS"), FieldType::String, width(10, &Totalizer::VRALIQIMPFIS));
    rows.addField(QStringLiteral("CDIMPOSTO"), FieldType::String, width(4, &Totalizer::CDIMPOSTO));
    rows.addField(QStringLiteral("VRVENDIDO"), FieldType::String, width(20, &Totalizer::VRVENDIDO));
    rows.addField(QStringLiteral("VRIMPOSTO"), FieldType::String, width(20, &Totalizer::VRIMPOSTO));
    rows.createDataSet();
    for (const Totalizer &t : memory.totalizers) {
        rows.append();
        rows.fieldByName(QStringLiteral("VRALIQIMPFIS")).setAsString(t.VRALIQIMPFIS);
        rows.fieldByName(QStringLiteral("CDIMPOSTO")).setAsString(t.CDIMPOSTO);
        rows.fieldByName(QStringLiteral("VRVENDIDO")).setAsString(t.VRVENDIDO);
        rows.fieldByName(QStringLiteral("VRIMPOSTO")).setAsString(t.VRIMPOSTO);
        rows.post();
    }
    const QVariant packet = rows.data();

    QVariantList figures(LastReductionSize);
    for (auto it = memory.lastReduction.cbegin(); it != memory.lastReduction.cend(); ++it)
        figures[it.key()] = it.value();

    totalizadores.setData(packet);
    ultimaRedZ = figures;
}

void modeloImpressora(const QString &porta, QString &modelo, QString &marca, QString &outro)
{
    // Without a printer there is no model to report; a manual Z reduction
    // still has to be storable.
    if (printerMemoryFile().isEmpty()) {
        modelo.clear();
        marca.clear();
        outro.clear();
        return;
    }
    const PrinterMemory memory = PrinterMemory::load(printerMemoryFile());
    modelo = memory.model;
    marca = memory.brand;
    outro = memory.serial;
}

QDate dayOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QString:
        return AutomationDate::toDate(FormatSettings::strToDate(value.toString()));
    default: {
        bool isNumber = false;
        const double automationDate = value.toDouble(&isNumber);
        return isNumber ? AutomationDate::toDate(automationDate) : QDate();
    }
    }
}

// A text field of a record: windows-1252, left-aligned, blank-padded, cut to width.
QByteArray text(const QString &value, int width)
{
    return Win1252::encode(value).left(width).leftJustified(width, ' ');
}

// A counter: its digits, the last `width` of them, zero-padded on the left.
QByteArray counter(const QString &value, int width)
{
    QByteArray digits;
    for (const QChar c : value)
        if (c >= u'0' && c <= u'9')
            digits += char(c.unicode());
    return digits.right(width).rightJustified(width, '0');
}

// A non-negative number with `decimals` implied decimals, zero-padded; `what`
// names the figure as the sentence begins ("Venda bruta diária").
QByteArray number(double value, int decimals, int width, const char *what)
{
    const double scaledValue = value * std::pow(10.0, decimals);
    const long long scaled = std::isfinite(scaledValue) && std::fabs(scaledValue) < 1e18 ? std::llround(scaledValue)
                                                                                         : -1;
    const QByteArray digits = QByteArray::number(scaled);
    if (scaled < 0 || digits.size() > width)
        throw Exception(QStringLiteral("%1 (%2) não cabe no registro CAT-52")
                            .arg(QString::fromUtf8(what), FormatSettings::floatToStr(value)));
    return digits.rightJustified(width, '0');
}

double amount(const QString &value)
{
    return value.trimmed().isEmpty() ? 0.0 : FormatSettings::strToFloat(value);
}

// The totaliser code of an E13 record: order, tax kind letter, rate x 100.
QByteArray totalizerCode(int order, const Totalizer &t)
{
    // The printer's code ("T1", "S2") starts with the tax kind; ICMS otherwise.
    const QString code = t.CDIMPOSTO.trimmed();
    const char kind = !code.isEmpty() && code.at(0).isLetter() && code.at(0).unicode() < 128
                          ? char(code.at(0).toUpper().unicode())
                          : 'T';
    return QByteArray::number(order).rightJustified(2, '0') + kind + number(amount(t.VRALIQIMPFIS), 2, 4, "Alíquota");
}

QByteArray cat52Content(const PrinterMemory &memory, const QDate &movementDay, const QDateTime &emission)
{
    const QByteArray head = text(memory.serial, 20) + ' ' + text(memory.model, 20) + "01";
    const QByteArray crz = counter(memory.lastReduction.value(IndexCrz), 6);

    QByteArray content;
    content += "E12" + head + crz + counter(memory.lastReduction.value(IndexCoo), 6)
               + counter(memory.lastReduction.value(IndexCro), 6)
               + movementDay.toString(QStringLiteral("yyyyMMdd")).toLatin1()
               + emission.date().toString(QStringLiteral("yyyyMMdd")).toLatin1()
               + emission.time().toString(QStringLiteral("HHmmss")).toLatin1()
               + number(amount(memory.lastReduction.value(IndexDailyGrossSale)), 2, 14, "Venda bruta diária") + "V\r\n";
    int order = 0;
    for (const Totalizer &t : memory.totalizers)
        content += "E13" + head + crz + totalizerCode(++order, t)
                   + number(amount(t.VRVENDIDO), 2, 13, "Valor acumulado") + "\r\n";
    return content;
}

QString dayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

// The memory holds only the printer's last Z reduction: its figures are those
// of one day, and a CAT-52 file of another day would carry them under a
// wrong date.
void requireLastReductionOf(const PrinterMemory &memory, const QDate &movementDay)
{
    const QString printed = memory.lastReduction.value(IndexLastReductionDay).trimmed();
    QDate lastDay;
    try {
        if (!printed.isEmpty() && printed != QLatin1String("00/00/00"))
            lastDay = AutomationDate::toDate(FormatSettings::strToDate(printed));
    } catch (const Exception &) {
    }
    if (lastDay == movementDay)
        return;
    if (!lastDay.isValid())
        throw Exception(QStringLiteral("A impressora não informa de que dia é a sua última redução Z: o arquivo "
                                       "Cat-52 do dia %1 não pode ser gerado.")
                            .arg(dayText(movementDay)));
    throw Exception(QStringLiteral("A última redução Z da impressora não é do dia %1, e sim do dia %2: o arquivo "
                                   "Cat-52 do dia %1 não pode ser gerado.")
                        .arg(dayText(movementDay), dayText(lastDay)));
}

QString writeFailure(int code)
{
    return SystemError::words(code, SystemError::Doing::Writing);
}

// Temporary files of this name left by earlier runs killed while writing;
// one younger than this may belong to a run writing now. Their age is read
// against the time the folder gave this run's own new temporary file
// (`ownFd`), not against the process's clock.
const time_t StaleTemporarySeconds = 600;

void removeStaleTemporaries(const QString &path, int ownFd)
{
    struct stat own {};
    if (::fstat(ownFd, &own) != 0)
        return;
    const QFileInfo info(path);
    const QString prefix = QStringLiteral(".") + info.fileName() + QStringLiteral(".");
    const QDir dir(info.absolutePath());
    for (const QString &name : dir.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden)) {
        const QByteArray other = QFile::encodeName(dir.absoluteFilePath(name));
        struct stat st {};
        if (name.size() == prefix.size() + 6 && ::stat(other.constData(), &st) == 0
            && (st.st_dev != own.st_dev || st.st_ino != own.st_ino)
            && own.st_mtime - st.st_mtime > StaleTemporarySeconds)
            ::unlink(other.constData());
    }
}

// A file of the same name in the folder is replaced only when it is this
// printer's own (a rerun of its day): the name carries only part of the
// serial, and another printer's file is its record of another day.
void requireOwnFile(const QString &path, const PrinterMemory &memory)
{
    QFile existing(path);
    std::optional<E12Record> e12;
    if (existing.open(QIODevice::ReadOnly))
        e12 = Cat52Record::findE12(existing.read(1 << 20));
    if (e12 && e12->serial.trimmed() == memory.serial.trimmed())
        return;
    throw Exception(QStringLiteral("O arquivo CAT-52 %1 já existe e não é desta impressora (%2): não foi sobrescrito.")
                        .arg(path, e12 ? QStringLiteral("série %1").arg(e12->serial.trimmed())
                                       : QStringLiteral("sem registro E12 legível")));
}

// The file appears whole or not at all: written to a temporary file in the
// same folder, every write and the close checked, flushed to the disk, then
// renamed over the name. A reader never sees a half-written file, not even
// while another run writes the same name.
void writeWholeFile(const QString &path, const QByteArray &content, const std::function<void()> &requireReplaceable)
{
    const QFileInfo info(path);
    QByteArray temporary = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                             + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    auto fail = [&](int code) {
        throw Exception(
            QStringLiteral("Não foi possível gravar o arquivo CAT-52 %1: %2.").arg(path, writeFailure(code)));
    };
    if (fd < 0)
        fail(errno);
    removeStaleTemporaries(path, fd);
    bool open = true;
    auto abandon = [&](int code) {
        if (open)
            ::close(fd);
        ::unlink(temporary.constData());
        fail(code);
    };
    if (::fchmod(fd, FileWrite::newFileMode()) != 0)
        abandon(errno);
    if (const int code = FileWrite::writeAll(fd, content.constData(), content.size()))
        abandon(code);
    if (::fsync(fd) != 0)
        abandon(errno);
    open = false;
    if (::close(fd) != 0)
        abandon(errno);
    // A free name is taken only while still free; a file already there is
    // replaced only once requireReplaceable lets it (it raises otherwise).
    const QByteArray target = QFile::encodeName(path);
    if (::link(temporary.constData(), target.constData()) == 0) {
        ::unlink(temporary.constData());
    } else if (errno == EPERM || errno == EOPNOTSUPP) {
        // A folder without hard links: the name was checked before writing.
        if (::rename(temporary.constData(), target.constData()) != 0)
            abandon(errno);
    } else if (errno != EEXIST) {
        abandon(errno);
    } else {
        try {
            requireReplaceable();
        } catch (const Exception &) {
            ::unlink(temporary.constData());
            throw;
        }
        if (::rename(temporary.constData(), target.constData()) != 0)
            abandon(errno);
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

bool geraCatGenerica(const QVariantList &parametros, QStringList &paths)
{
    // Argument 0 (the local parameter packet) carries nothing this printer needs.
    if (printerMemoryFile().isEmpty())
        return false;
    const PrinterMemory memory = PrinterMemory::load(printerMemoryFile());

    const QDate movementDay = parametros.size() > 1 ? dayOf(parametros.at(1)) : QDate();
    if (!movementDay.isValid())
        throw Exception(QStringLiteral("Data de movimento inválida para o arquivo CAT-52"));
    requireLastReductionOf(memory, movementDay);
    const QString fileName = cat52FileName(memory, movementDay);
    const QByteArray content = cat52Content(memory, movementDay, currentDateTime());

    if (!QDir().mkpath(memory.cat52Dir))
        throw Exception(QStringLiteral("Não foi possível criar a pasta dos arquivos CAT-52 (%1)").arg(memory.cat52Dir));
    const QString path = QDir(memory.cat52Dir).absoluteFilePath(fileName);
    if (QFileInfo::exists(path))
        requireOwnFile(path, memory);
    writeWholeFile(path, content, [&] { requireOwnFile(path, memory); });

    paths.clear();
    paths.append(path);
    return true;
}

} // namespace

TDadosUltimaRedZ DadosUltimaRedZ = &dadosUltimaRedZ;
TModelo_Impressora Modelo_Impressora = &modeloImpressora;
TGeraCatGenerica GeraCatGenerica = &geraCatGenerica;

} // namespace Wmb00001
