#include "harness/websocketclient.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QUrl>

namespace
{

constexpr int kIoTimeoutMs = 10000;

bool readUntil(QTcpSocket& s, QByteArray& buf, const QByteArray& marker)
{
    QElapsedTimer t;
    t.start();
    while (!buf.contains(marker)) {
        if (t.elapsed() > kIoTimeoutMs || !s.waitForReadyRead(1000)) {
            if (s.state() != QAbstractSocket::ConnectedState || t.elapsed() > kIoTimeoutMs)
                return false;
            continue;
        }
        buf += s.readAll();
    }
    return true;
}

bool readBytes(QTcpSocket& s, QByteArray& buf, qsizetype n)
{
    QElapsedTimer t;
    t.start();
    while (buf.size() < n) {
        if (t.elapsed() > kIoTimeoutMs)
            return false;
        if (s.waitForReadyRead(1000))
            buf += s.readAll();
        else if (s.state() != QAbstractSocket::ConnectedState)
            return false;
    }
    return true;
}

} // namespace

bool WebSocketClient::open(const QUrl& url)
{
    sock_.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    if (!sock_.waitForConnected(kIoTimeoutMs))
        return false;
    QByteArray key(16, Qt::Uninitialized);
    for (char& c : key)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    const QByteArray req = "GET " + url.path(QUrl::FullyEncoded).toUtf8() +
                           " HTTP/1.1\r\nHost: " + url.authority().toUtf8() +
                           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                           "Sec-WebSocket-Key: " +
                           key.toBase64() + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
    sock_.write(req);
    if (!readUntil(sock_, buf_, "\r\n\r\n"))
        return false;
    const qsizetype end = buf_.indexOf("\r\n\r\n") + 4;
    const bool upgraded = buf_.startsWith("HTTP/1.1 101");
    buf_.remove(0, end);
    return upgraded;
}

bool WebSocketClient::sendText(const QByteArray& payload)
{
    QByteArray frame;
    frame.append(char(0x81));
    const qsizetype n = payload.size();
    if (n < 126) {
        frame.append(char(0x80 | n));
    } else if (n < 65536) {
        frame.append(char(0x80 | 126));
        frame.append(char((n >> 8) & 0xff));
        frame.append(char(n & 0xff));
    } else {
        frame.append(char(0x80 | 127));
        for (int i = 7; i >= 0; --i)
            frame.append(char((quint64(n) >> (8 * i)) & 0xff));
    }
    const quint32 mask = QRandomGenerator::global()->generate();
    char m[4];
    for (int i = 0; i < 4; ++i)
        m[i] = char((mask >> (8 * i)) & 0xff);
    frame.append(m, 4);
    for (qsizetype i = 0; i < n; ++i)
        frame.append(char(payload[i] ^ m[i % 4]));
    return sock_.write(frame) == frame.size() && sock_.waitForBytesWritten(kIoTimeoutMs);
}

std::optional<QByteArray> WebSocketClient::receiveText()
{
    QByteArray message;
    for (;;) {
        if (!readBytes(sock_, buf_, 2))
            return std::nullopt;
        const quint8 b0 = quint8(buf_[0]);
        const quint8 b1 = quint8(buf_[1]);
        qsizetype header = 2;
        quint64 len = b1 & 0x7f;
        if (len == 126) {
            if (!readBytes(sock_, buf_, 4))
                return std::nullopt;
            len = (quint64(quint8(buf_[2])) << 8) | quint8(buf_[3]);
            header = 4;
        } else if (len == 127) {
            if (!readBytes(sock_, buf_, 10))
                return std::nullopt;
            len = 0;
            for (int i = 0; i < 8; ++i)
                len = (len << 8) | quint8(buf_[2 + i]);
            header = 10;
        }
        if (!readBytes(sock_, buf_, header + qsizetype(len)))
            return std::nullopt;
        const QByteArray payload = buf_.mid(header, qsizetype(len));
        buf_.remove(0, header + qsizetype(len));
        const int opcode = b0 & 0x0f;
        if (opcode == 0x8)
            return std::nullopt;
        if (opcode == 0x9 || opcode == 0xA)
            continue; // ping / pong
        message += payload;
        if (b0 & 0x80)
            return message;
    }
}
