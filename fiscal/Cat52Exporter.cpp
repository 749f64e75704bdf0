#include "Cat52Exporter.h"
#include "Cat52Check.h"
#include "DatabaseFiles.h"
#include "Exception.h"
#include "Guarded.h"
#include "InputLimits.h"
#include "LedgerOutput.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "Progress.h"
#include "StoredFileReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace {
// A stored name that stays a plain name inside the folder.
bool plainName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !LedgerValues::hasControl(name);
}
} // namespace

QString Cat52Exporter::deliver(const QString &folder, const StoredFile &file)
{
    if (!plainName(file.name))
        return QStringLiteral("nome de arquivo inválido");
    const QString path = QDir(folder).filePath(file.name);
    if (const QString clash = DatabaseFiles::clash(path, m_session.connection().connectionString()); !clash.isEmpty())
        return QStringLiteral("o caminho é de um arquivo do próprio banco de dados");
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        // Read no further than the stored file's size: a longer one differs.
        QString refusal;
        const std::optional<QByteArray> there = InputLimits::readSmallFile(path, refusal, file.content.size());
        if (there && *there == file.content)
            return {};
        // Empty or cut short: a delivery of ours that did not end (a full
        // disk, a stop) is finished now; anything else is never written over.
        if (!there || !file.content.startsWith(*there))
            return QStringLiteral("já existe na pasta um arquivo diferente com esse nome");
    }
    // Written whole under a temporary name, then renamed: never a cut file.
    const Result<std::unique_ptr<LedgerOutput>> out = LedgerOutput::create(path, LedgerOutput::Target::Replaced);
    Result<NoValue> written = Result<NoValue>::failureOf(out);
    if (out) {
        out.value()->write(file.content);
        written = out.value()->commit();
    }
    if (written)
        return {};
    const QString &why = written.error();
    return why.endsWith(QLatin1Char('.')) ? why.chopped(1) : why;
}

Result<bool> Cat52Exporter::run(const QString &cdFilial, const QDate &de, const QDate &ate, const QString &folder)
{
    return Guarded::run([&] { return deliverAll(cdFilial, de, ate, folder); });
}

bool Cat52Exporter::deliverAll(const QString &cdFilial, const QDate &de, const QDate &ate, const QString &folder)
{
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        throw Exception(QStringLiteral("Não foi possível criar a pasta %1").arg(folder));

    bool complete = true;
    auto deliver = [&](const StoredFile &file) {
        ++m_files;
        const QString head = QStringLiteral("%1/%2 %3 %4: ")
                                 .arg(file.cdFilial, file.cdCaixa, LedgerValues::displayDay(file.day), file.name);
        auto report = [&](const QString &text) { m_report.write((head + text + QLatin1Char('\n')).toUtf8()); };
        if (file.content.isEmpty()) {
            report(QStringLiteral("sem conteúdo gravado; não exportado"));
            return;
        }
        if (const QString failure = this->deliver(folder, file); !failure.isEmpty()) {
            report(failure + QStringLiteral("; não exportado"));
            complete = false;
            return;
        }
        const Cat52Check check = Cat52Check::of(file.content, file.candidates);
        if (!check.ok)
            ++m_divergent;
        report(check.describe());
    };

    Guarded::take(m_session.beginSnapshot());
    {
        // Whole files: few of them per fetch.
        StoredFileReader files = Guarded::take(StoredFileReader::read(m_session, QStringLiteral("cat52-exportar"),
                                                                      {{QStringLiteral("de"), de},
                                                                       {QStringLiteral("ate"), ate},
                                                                       {QStringLiteral("depois"), ate.addDays(1)},
                                                                       {QStringLiteral("cdfilial"), cdFilial},
                                                                       {QStringLiteral("cdcaixa"), QString()}},
                                                                      4));
        StoredFile file;
        while (Guarded::take(files.next(file))) {
            deliver(file);
            if (m_progress)
                m_progress->update(files.rowsRead(), file.name);
        }
    }
    Guarded::take(m_session.endSnapshot());
    if (m_progress)
        m_progress->done();
    return complete;
}
