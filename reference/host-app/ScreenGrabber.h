#pragma once
// --screenshot: grabs the screen once it is up, as it stands after set-up
// (date, printer number and serial shown) and before the operator could
// change anything, then takes it down again, which ends its modal display.
// Installed as an application-wide event filter for the one call.
#include "Result.h"
#include <QObject>
#include <QPointer>
#include <QString>
#include <utility>

class QWidget;

class ScreenGrabber : public QObject {
public:
    explicit ScreenGrabber(QString path) : m_path(std::move(path)) {}
    // The screen saved, or why not ("a tela não foi exibida" until it is
    // shown).
    const Result<NoValue> &saved() const { return m_saved; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void capture(QPointer<QWidget> screen);

    QString m_path;
    bool m_seen = false;
    Result<NoValue> m_saved = Result<NoValue>::failure(QStringLiteral("a tela não foi exibida"));
};
