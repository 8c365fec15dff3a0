#pragma once
// A minimal client side of RFC 6455 for the engine's debugging port: masked text frames out,
// unmasked frames in, blocking calls with a bounded wait.
#include <QByteArray>
#include <QTcpSocket>

#include <optional>

class QUrl;

class WebSocketClient
{
public:
    bool open(const QUrl& url);
    bool sendText(const QByteArray& payload);
    // The next whole text message; nullopt when the connection fails or closes.
    std::optional<QByteArray> receiveText();

private:
    QTcpSocket sock_;
    QByteArray buf_;
};
