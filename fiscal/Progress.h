#pragma once
// A progress line on standard error for commands that read many rows: shown
// only when standard error is a terminal, and only once the rows read pass a
// few thousand, rewritten in place a few times a second.
#include "FiscalExport.h"
#include <QElapsedTimer>
#include <QString>
#include <cstdio>

class KALFISCAL_EXPORT Progress {
public:
    // what: "auditar", ...; enabled: false never shows anything.
    explicit Progress(QString what, bool enabled = Progress::standardErrorIsTerminal());
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void update(qint64 rows, const QString &where = {});
    // Clears the line, if one was shown.
    void done();

    static bool standardErrorIsTerminal();

private:
    QString m_what;
    bool m_enabled;
    bool m_shown = false;
    QElapsedTimer m_clock;
    qint64 m_lastShownAt = -1;
};
