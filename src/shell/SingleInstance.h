#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

// Keeps one running Harklet per user and session. The first start listens on a local
// socket; a later start asks that one to show its panel and then exits.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        primary,   // This process runs Harklet; it answers later starts when it could listen.
        secondary, // A running Harklet was asked to show its panel; this process should exit.
        stuck,     // A running Harklet holds the name but does not answer.
    };

    // The abstract socket name has no file behind it, so a crashed instance leaves nothing
    // stale and listening is atomic between two starts racing each other.
    explicit SingleInstance(const QString &name = defaultName(),
                            std::chrono::milliseconds answerTimeout = std::chrono::seconds(5),
                            QObject *parent = nullptr);

    // "harklet-", the user id and the graphical session (see GraphicalSession).
    static QString defaultName();

    // Listens, or when another process already does, asks it to show its panel.
    Role claim();

signals:
    void showRequested();

private:
    Role askRunningToShow();
    void answer();

    QString m_name;
    std::chrono::milliseconds m_answerTimeout;
    QLocalServer m_server;
};
