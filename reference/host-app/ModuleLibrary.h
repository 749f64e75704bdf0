#pragma once
// The module library in the host's folder, loaded for the rest of the process
// (its resources and metaobjects live in it, so it is never unloaded), and
// the names the host calls, typed by the frame's own header.
#include "Pkg_kal02700.h"
#include "Result.h"
#include <QLibrary>
#include <QString>

class ModuleLibrary {
public:
    // Loads "kal02700" from the folder and looks up its names; loaded() says
    // whether it could, or why not, as the host reports it.
    explicit ModuleLibrary(const QString &folder);
    ModuleLibrary(const ModuleLibrary &) = delete;
    ModuleLibrary &operator=(const ModuleLibrary &) = delete;

    const Result<NoValue> &loaded() const { return m_loaded; }

    TInitialize initialize = nullptr;
    TCriaCadRedZ criaCadRedZ = nullptr;
    TFinalize finalize = nullptr;
    TRedZGravada redZGravada = nullptr;
    TMotivoRedZ motivoRedZ = nullptr;
    TRedZIncerta redZIncerta = nullptr;

private:
    QLibrary m_library;
    Result<NoValue> m_loaded = Result<NoValue>::of(NoValue{});
};
