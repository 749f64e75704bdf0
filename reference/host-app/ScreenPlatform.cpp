#include "ScreenPlatform.h"

#include <QGuiApplication>

namespace {

// No window can be shown: a headless platform, or the default (X11 or
// Wayland) platform without a display to talk to.
bool withoutDisplay()
{
    const QString platform =
        QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM")).section(u';', 0, 0).section(u':', 0, 0).trimmed();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return true;
    if (platform.isEmpty() || platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
        return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return false;
}

// The screen cannot be shown: why, and how to run without one.
Result<NoValue> noScreen(const QString &why)
{
    return Result<NoValue>::failure(
        QStringLiteral("não há tela para mostrar a Redução Z (%1). Sem tela, use --automatico ou "
                       "--screenshot ARQUIVO.png, que não precisam dela, ou QT_QPA_PLATFORM=vnc para operar a "
                       "tela por um visualizador VNC.")
            .arg(why));
}

} // namespace

ScreenPlatform::ScreenPlatform(bool needsScreen)
    : m_needsScreen(needsScreen), m_platform(qEnvironmentVariable("QT_QPA_PLATFORM").trimmed()),
      m_platformName(m_platform.section(u';', 0, 0).section(u':', 0, 0).trimmed()),
      m_windowing(m_platformName.isEmpty() || m_platformName == QLatin1String("xcb")
                  || m_platformName.startsWith(QLatin1String("wayland")))
{
}

Result<NoValue> ScreenPlatform::prepare() const
{
    if (!m_needsScreen) {
        // Nothing is shown: a display that is not there, or does not answer,
        // must not stop a nightly run.
        if (m_windowing)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return Result<NoValue>::of(NoValue{});
    }
    if (withoutDisplay())
        return noScreen(m_windowing ? QStringLiteral("DISPLAY e WAYLAND_DISPLAY vazios")
                                    : QStringLiteral("QT_QPA_PLATFORM=%1 não mostra janelas").arg(m_platform));
    if (m_windowing) {
        // A display that does not answer makes Qt fall back to drawing
        // off-screen instead of aborting; the screen is then refused once
        // the platform is up.
        qputenv(
            "QT_QPA_PLATFORM",
            ((m_platform.isEmpty() ? QStringLiteral("xcb") : m_platform) + QStringLiteral(";offscreen")).toLocal8Bit());
    }
    return Result<NoValue>::of(NoValue{});
}

Result<NoValue> ScreenPlatform::checkStarted() const
{
    if (!m_needsScreen || !m_windowing || QGuiApplication::platformName() != QLatin1String("offscreen"))
        return Result<NoValue>::of(NoValue{});
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty() || m_platformName == QLatin1String("xcb")
                                ? QStringLiteral("DISPLAY=%1").arg(qEnvironmentVariable("DISPLAY"))
                                : QStringLiteral("WAYLAND_DISPLAY=%1").arg(qEnvironmentVariable("WAYLAND_DISPLAY"));
    return noScreen(QStringLiteral("o servidor de tela de %1 não responde").arg(display));
}
