#pragma once
// Drives the pages of the program under test through the engine's remote debugging port
// (QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:<port>): lists the pages the program has open and
// runs scripts in them, as a member's clicks would.
#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class DevToolsClient
{
public:
    struct Target {
        QString id;
        QString url;
        QString title;
        QString socketUrl; // webSocketDebuggerUrl
    };

    explicit DevToolsClient(int port) : port_(port) {}

    // A loopback TCP port nobody listens on right now.
    static int freePort();
    // The environment value that opens the port.
    QString environmentValue() const;

    // The pages (type "page") open now; empty when the port does not answer.
    QList<Target> pages() const;
    // Waits until a page satisfies match; nullopt on timeout.
    std::optional<Target> waitForPage(const std::function<bool(const Target&)>& match,
                                      int timeoutMs = 15000) const;

    // Evaluates expression in the page's top document and returns its value (by value); nullopt
    // when the page or the script fails. userGesture: as if the member had just clicked; without
    // it, as the page's own script runs.
    std::optional<QJsonValue> evaluate(const Target& page, const QString& expression,
                                       bool userGesture = true) const;

private:
    int port_;
};
