#include "Cat52Exporter.h"
#include "Cat52Check.h"
#include "Exception.h"
#include "LedgerSession.h"
#include "LedgerValues.h"
#include "Progress.h"
#include "StoredFileReader.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

namespace {
// A stored name that stays a plain name inside the folder.
bool plainName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            return false;
    return true;
}
} // namespace

bool Cat52Exporter::run(const QString &cdFilial, const QDate &de, const QDate &ate, const QString &folder)
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
        if (!plainName(file.name)) {
            report(QStringLiteral("nome de arquivo inválido; não exportado"));
            complete = false;
            return;
        }
        const QString path = dir.filePath(file.name);
        QFile existing(path);
        if (existing.exists()) {
            if (!existing.open(QIODevice::ReadOnly) || existing.readAll() != file.content) {
                report(QStringLiteral("já existe na pasta um arquivo diferente com esse nome; não exportado"));
                complete = false;
                return;
            }
        } else {
            QSaveFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(file.content) != file.content.size() || !out.commit()) {
                report(QStringLiteral("não foi possível gravar (%1); não exportado").arg(out.errorString()));
                complete = false;
                return;
            }
        }
        const Cat52Check check = Cat52Check::of(file.content, file.candidates);
        if (!check.ok)
            ++m_divergent;
        report(check.describe());
    };

    m_session.beginSnapshot();
    {
        // Whole files: few of them per fetch.
        StoredFileReader files(m_session, QStringLiteral("cat52-exportar"),
                               {{QStringLiteral("de"), de},
                                {QStringLiteral("ate"), ate},
                                {QStringLiteral("depois"), ate.addDays(1)},
                                {QStringLiteral("cdfilial"), cdFilial},
                                {QStringLiteral("cdcaixa"), QString()}},
                               4);
        StoredFile file;
        while (files.next(file)) {
            deliver(file);
            if (m_progress)
                m_progress->update(files.rowsRead(), file.name);
        }
    }
    m_session.endSnapshot();
    if (m_progress)
        m_progress->done();
    return complete;
}
