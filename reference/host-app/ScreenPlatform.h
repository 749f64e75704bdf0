#pragma once
// Where the host draws: the Qt platform it was started with, chosen before
// the QApplication exists and checked once it does. A run that shows nothing
// (--automatico, --screenshot, --init-db) must not stop on a display that is
// not there or does not answer; a run that shows the screen ends with a line
// that says how to run without one.
#include "Result.h"
#include <QString>

class ScreenPlatform {
public:
    // Reads QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY as the host got them.
    explicit ScreenPlatform(bool needsScreen);

    // Before the QApplication: sets the platform for the run. Done, or why
    // the screen cannot be shown.
    Result<NoValue> prepare() const;

    // Once the QApplication exists: done, or why the screen cannot be shown
    // after all (the display did not answer and Qt fell back to drawing
    // off-screen).
    Result<NoValue> checkStarted() const;

private:
    bool m_needsScreen;
    QString m_platform;     // QT_QPA_PLATFORM as given
    QString m_platformName; // its first platform, without options
    bool m_windowing;       // X11 or Wayland, by name or by default
};
