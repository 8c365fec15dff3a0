#include "harness/devtoolsclient.h"

#include "harness/websocketclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

namespace
{

QByteArray httpGet(int port, const QByteArray& path)
{
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    if (!s.waitForConnected(2000))
        return {};
    s.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
            "\r\n\r\n");
    // The debugging server keeps the connection open: read up to Content-Length.
    QByteArray all;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        const qsizetype head = all.indexOf("\r\n\r\n");
        if (head >= 0) {
            const QByteArray header = all.left(head).toLower();
            const qsizetype at = header.indexOf("content-length:");
            if (at < 0)
                return {};
            const qsizetype eol = header.indexOf("\r\n", at);
            const qsizetype length =
                header.mid(at + 15, eol < 0 ? -1 : eol - at - 15).trimmed().toLongLong();
            if (all.size() >= head + 4 + length)
                return all.mid(head + 4, length);
        }
        if (s.waitForReadyRead(500))
            all += s.readAll();
        else if (s.state() != QAbstractSocket::ConnectedState)
            return {};
    }
    return {};
}

} // namespace

int DevToolsClient::freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

QString DevToolsClient::environmentValue() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QList<DevToolsClient::Target> DevToolsClient::pages() const
{
    QList<Target> out;
    const QJsonArray all = QJsonDocument::fromJson(httpGet(port_, "/json/list")).array();
    for (const QJsonValue& v : all) {
        const QJsonObject o = v.toObject();
        if (o.value(QLatin1String("type")).toString() != QLatin1String("page"))
            continue;
        out.append({o.value(QLatin1String("id")).toString(),
                    o.value(QLatin1String("url")).toString(),
                    o.value(QLatin1String("title")).toString(),
                    o.value(QLatin1String("webSocketDebuggerUrl")).toString()});
    }
    return out;
}

std::optional<DevToolsClient::Target>
DevToolsClient::waitForPage(const std::function<bool(const Target&)>& match, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    do {
        for (const Target& p : pages())
            if (match(p))
                return p;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    } while (t.elapsed() < timeoutMs);
    return std::nullopt;
}

std::optional<QJsonValue> DevToolsClient::evaluate(const Target& page, const QString& expression,
                                                   bool userGesture) const
{
    WebSocketClient ws;
    if (page.socketUrl.isEmpty() || !ws.open(QUrl(page.socketUrl)))
        return std::nullopt;
    const QJsonObject params{{QStringLiteral("expression"), expression},
                             {QStringLiteral("userGesture"), userGesture},
                             {QStringLiteral("returnByValue"), true},
                             {QStringLiteral("awaitPromise"), true}};
    const QJsonObject call{{QStringLiteral("id"), 1},
                           {QStringLiteral("method"), QStringLiteral("Runtime.evaluate")},
                           {QStringLiteral("params"), params}};
    if (!ws.sendText(QJsonDocument(call).toJson(QJsonDocument::Compact)))
        return std::nullopt;
    for (;;) {
        const std::optional<QByteArray> msg = ws.receiveText();
        if (!msg)
            return std::nullopt;
        const QJsonObject o = QJsonDocument::fromJson(*msg).object();
        if (o.value(QLatin1String("id")).toInt() != 1)
            continue; // an event
        const QJsonObject result = o.value(QLatin1String("result")).toObject();
        if (o.contains(QLatin1String("error")) ||
            result.contains(QLatin1String("exceptionDetails")))
            return std::nullopt;
        return result.value(QLatin1String("result")).toObject().value(QLatin1String("value"));
    }
}
