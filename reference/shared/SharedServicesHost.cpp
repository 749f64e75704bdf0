#include "SharedServicesHost.h"
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace SharedServicesHost {

namespace {
// Everything runs on the host's user-interface thread, so plain globals do.
MessagePresenter &installedPresenter()
{
    static MessagePresenter presenter;
    return presenter;
}

QString &configuredConnectionString()
{
    static QString text;
    return text;
}

// A keypad key of the touch screens: 63 by 48 pixels.
constexpr QSize TouchKey(96, 48);

// Puts a message box back up when something minimises it.
class StaysUp : public QObject {
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowStateChange) {
            auto *box = static_cast<QWidget *>(watched);
            if (box->isMinimized())
                QTimer::singleShot(0, box, [box] {
                    box->setWindowState(box->windowState() & ~Qt::WindowMinimized);
                    box->activateWindow();
                });
        }
        return false;
    }
};
} // namespace

MessagePresenter setMessagePresenter(MessagePresenter presenter)
{
    MessagePresenter previous = messagePresenter();
    installedPresenter() = std::move(presenter);
    return previous;
}

MessagePresenter messagePresenter()
{
    if (!installedPresenter())
        installedPresenter() = consolePresenter();
    return installedPresenter();
}

MessagePresenter dialogPresenter(QWidget *parent)
{
    QPointer<QWidget> owner(parent);
    return [owner](const MessageRequest &request) {
        QMessageBox::Icon icon = QMessageBox::Information;
        switch (request.kind) {
        case tmInformacao:
            icon = QMessageBox::Information;
            break;
        case tmConfirmacao:
            icon = QMessageBox::Question;
            break;
        case tmAviso:
            icon = QMessageBox::Warning;
            break;
        case tmErro:
            icon = QMessageBox::Critical;
            break;
        }
        const QString title = request.title.isEmpty() ? QStringLiteral("Atenção") : request.title;
        QWidget *parentWidget = owner ? owner.data() : QApplication::activeWindow();
        QMessageBox box(icon, title, request.text, QMessageBox::Ok, parentWidget);
        // Modal over the screen it belongs to, and never minimised on its
        // own: a window manager would take the screen down with it.
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        StaysUp staysUp;
        box.installEventFilter(&staysUp);
        // Buttons a finger can hit: as large as a key of the screens' keypads.
        for (QAbstractButton *button : box.buttons())
            button->setMinimumSize(TouchKey);
        box.exec();
        // The keyboard goes back to the window it came from, even where no
        // window manager hands it back.
        if (parentWidget && parentWidget->isVisible())
            parentWidget->activateWindow();
    };
}

MessagePresenter consolePresenter(std::FILE *out)
{
    return [out](const MessageRequest &request) {
        // Scripts read one message per line: fold any line break into a blank.
        QString line = request.text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" "));
        line.replace(QLatin1Char('\r'), QLatin1Char(' '));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
        std::fflush(out);
    };
}

MessageRecorder::MessageRecorder()
{
    m_previous = setMessagePresenter([this](const MessageRequest &request) {
        m_calls.append(request);
        if (onMessage)
            onMessage(request);
    });
}

MessageRecorder::~MessageRecorder()
{
    setMessagePresenter(std::move(m_previous));
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const MessageRequest &call : m_calls)
        list.append(call.text);
    return list;
}

QList<TTipoMsg> MessageRecorder::kinds() const
{
    QList<TTipoMsg> list;
    for (const MessageRequest &call : m_calls)
        list.append(call.kind);
    return list;
}

void setConnectionString(const QString &connectionString)
{
    configuredConnectionString() = connectionString;
}

QString connectionString()
{
    return configuredConnectionString();
}

} // namespace SharedServicesHost
