#pragma once
// The module library in the host's folder, loaded for the rest of the process
// (its resources and metaobjects live in it, so it is never unloaded), and
// the names the host calls, typed by the frame's own header.
#include "Pkg_kal02700.h"
#include <QLibrary>
#include <QString>

class ModuleLibrary {
public:
    // Loads "kal02700" from the folder and looks up its names; error() says
    // why it could not, as the host reports it.
    explicit ModuleLibrary(const QString &folder);
    ModuleLibrary(const ModuleLibrary &) = delete;
    ModuleLibrary &operator=(const ModuleLibrary &) = delete;

    bool isReady() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    TInitialize initialize = nullptr;
    TCriaCadRedZ criaCadRedZ = nullptr;
    TFinalize finalize = nullptr;
    TRedZGravada redZGravada = nullptr;
    TMotivoRedZ motivoRedZ = nullptr;
    TRedZIncerta redZIncerta = nullptr;

private:
    QLibrary m_library;
    QString m_error;
};
