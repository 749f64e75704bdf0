#pragma once
// Message table component of the shared services: one line per message,
// key, vertical bar, text.
#include <QObject>
#include <QStringList>

class TMessages : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList messages READ messages WRITE setMessages)
public:
    explicit TMessages(QObject *parent = nullptr);
    const QStringList &messages() const { return m_messages; }
    void setMessages(const QStringList &lines) { m_messages = lines; }
    // The text of the key; the empty text when the key is not in the list.
    QString Msg(const QString &key) const;

private:
    QStringList m_messages;
};
