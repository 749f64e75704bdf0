#include "ScreenGrabber.h"
#include "Shield.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

bool ScreenGrabber::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_seen && event->type() == QEvent::Show && watched->isWidgetType() && watched->inherits("TfrmCadRedz")) {
        m_seen = true;
        QPointer<QWidget> screen = static_cast<QWidget *>(watched);
        QTimer::singleShot(0, this, [this, screen] { capture(screen); });
    }
    return false;
}

void ScreenGrabber::capture(QPointer<QWidget> screen)
{
    if (!screen)
        return;
    shield(
        [&] {
            // Activation fills the date, printer number and serial.
            screen->activateWindow();
            QCoreApplication::processEvents();
            const QImage image = screen->grab().toImage();
            m_saved = image.save(m_path, "PNG")
                          ? Result<NoValue>::of(NoValue{})
                          : Result<NoValue>::failure(QStringLiteral("não foi possível gravar %1").arg(m_path));
        },
        [this](const QString &text) {
            if (!text.isEmpty())
                m_saved = Result<NoValue>::failure(text);
        });
    if (screen)
        screen->hide();
}
