#include "ModuleLibrary.h"
#include <QDir>

ModuleLibrary::ModuleLibrary(const QString &folder)
    : m_library(QDir(folder).absoluteFilePath(QStringLiteral("kal02700")))
{
    m_library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!m_library.load()) {
        m_loaded = Result<NoValue>::failure(QStringLiteral("módulo não carregado: %1").arg(m_library.errorString()));
        return;
    }
    initialize = reinterpret_cast<TInitialize>(m_library.resolve("Initialize"));
    criaCadRedZ = reinterpret_cast<TCriaCadRedZ>(m_library.resolve("CriaCadRedZ"));
    finalize = reinterpret_cast<TFinalize>(m_library.resolve("Finalize"));
    redZGravada = reinterpret_cast<TRedZGravada>(m_library.resolve("RedZGravada"));
    motivoRedZ = reinterpret_cast<TMotivoRedZ>(m_library.resolve("MotivoRedZ"));
    redZIncerta = reinterpret_cast<TRedZIncerta>(m_library.resolve("RedZIncerta"));
    if (!initialize || !criaCadRedZ || !finalize || !redZGravada || !motivoRedZ || !redZIncerta)
        m_loaded = Result<NoValue>::failure(QStringLiteral("o módulo %1 não exporta Initialize, CriaCadRedZ, Finalize, "
                                                           "RedZGravada, MotivoRedZ e RedZIncerta.")
                                                .arg(m_library.fileName()));
}
