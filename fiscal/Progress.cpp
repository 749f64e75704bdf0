#include "Progress.h"

#include <unistd.h>

namespace {
const qint64 RowsBeforeShowing = 5000;
const qint64 MillisecondsBetweenUpdates = 200;
} // namespace

Progress::Progress(QString what, bool enabled) : m_what(std::move(what)), m_enabled(enabled)
{
    m_clock.start();
}

Progress::~Progress()
{
    done();
}

bool Progress::standardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void Progress::update(qint64 rows, const QString &where)
{
    if (!m_enabled || rows < RowsBeforeShowing)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_lastShownAt >= 0 && now - m_lastShownAt < MillisecondsBetweenUpdates)
        return;
    m_lastShownAt = now;
    const QString line = QStringLiteral("\r%1: %2 linhas lidas %3\033[K").arg(m_what).arg(rows).arg(where);
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
    m_shown = true;
}

void Progress::done()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}
