// The benchmark's baseline: one GET of an address, waited for by a loop that only processes the
// pending events and never sleeps, until the answer is complete or the time is up.
//
//   zv-busywait URL [MS]   (MS defaults to 10000)
//
// Prints "finished" or "timed out" and ends with 0; 2 for a bad command line.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = true;
    const int ms = args.size() > 2 ? args.at(2).toInt(&ok) : 10000;
    const QUrl url(args.value(1));
    if (args.size() < 2 || args.size() > 3 || !ok || ms <= 0 || !url.isValid() ||
        url.scheme().isEmpty()) {
        std::fprintf(stderr, "usage: zv-busywait URL [MS]\n");
        return 2;
    }

    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply* reply = nam.get(QNetworkRequest(url));
    QElapsedTimer t;
    t.start();
    while (!reply->isFinished() && t.elapsed() < ms)
        QCoreApplication::processEvents();
    const bool finished = reply->isFinished();
    reply->abort();
    delete reply;
    std::printf("%s\n", finished ? "finished" : "timed out");
    return 0;
}
