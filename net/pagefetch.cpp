#include "net/pagefetch.h"

#include "net/contentcoding.h"
#include "startup/gbkcodec.h"
#include "startup/iconvconverter.h"
#include "startup/trace.h"
#include "startup/uilanguage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace
{

FetchLimits& limitsInUse()
{
    // Test builds may be given a shorter time limit (ZV_TEST_FETCH_MS), as they may a shorter
    // poll period: the end-to-end runs then need not wait 20 s for a stalled answer.
    static FetchLimits limits = [] {
        FetchLimits l;
        l.timeoutMs = Trace::intervalMs("ZV_TEST_FETCH_MS", l.timeoutMs);
        return l;
    }();
    return limits;
}

QNetworkAccessManager* manager()
{
    static QPointer<QNetworkAccessManager> nam;
    if (!nam)
        nam = new QNetworkAccessManager(QCoreApplication::instance());
    return nam;
}

// Only a whole answer with a 2xx status is the page asked for. Every error of the reply counts:
// the transport's (refused, reset, cut off), an error page's status, a body that would not
// decode, an answer that broke the protocol. So does a body shorter than the length announced.
bool isWholeSuccess(const QNetworkReply& reply, const QByteArray& body)
{
    if (reply.error() != QNetworkReply::NoError)
        return false;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.toInt();
    if (!status.isValid() || code < 200 || code > 299)
        return false;
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    return !length.isValid() || body.size() >= length.toLongLong();
}

QByteArray iconvName(const QString& charset)
{
    const QString c = charset.trimmed().toUpper();
    // GBK is the superset of GB2312 that code page 936 really is.
    if (c == QLatin1String("GB2312") || c == QLatin1String("GBK") || c == QLatin1String("CP936") ||
        c == QLatin1String("X-GBK"))
        return "GBK";
    return c.toLatin1();
}

std::optional<QString> iconvDecode(const QByteArray& bytes, const QByteArray& from)
{
    IconvConverter cv(IconvConverter::Utf16, from.constData());
    if (!cv.ok())
        return std::nullopt;
    // An invalid or cut-off sequence: one replacement character, then on after its byte.
    static const char16_t replacement = 0xFFFD;
    const QByteArray utf16 = cv.convert(bytes, [](QByteArrayView) {
        return IconvConverter::Replacement{
            1, QByteArrayView(reinterpret_cast<const char*>(&replacement), 2)};
    });
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

} // namespace

void setFetchCookieJar(QNetworkCookieJar* jar)
{
    manager()->setCookieJar(jar);
}

FetchLimits defaultFetchLimits()
{
    return limitsInUse();
}

void setDefaultFetchLimits(const FetchLimits& limits)
{
    limitsInUse() = limits;
}

QString BytesToText(const QByteArray& bytes, const QString& charset)
{
    const QByteArray name = iconvName(charset);
    if (name == "GBK")
        return GbkCodec::decode(bytes);
    if (name == "UTF-8" || name == "UTF8")
        return QString::fromUtf8(bytes);
    if (auto text = iconvDecode(bytes, name))
        return *text;
    // A character set nobody here knows: ASCII stays readable, the rest is replaced.
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        out.append(static_cast<uchar>(c) < 0x80 ? QChar(c) : QChar(QChar::ReplacementCharacter));
    return out;
}

std::optional<QString> FetchPageText(const QString& url, const QString& charset)
{
    return FetchPageText(url, charset, limitsInUse());
}

std::optional<QString> FetchPageText(const QString& url, const QString& charset,
                                     const FetchLimits& limits)
{
    const QUrl target(url);
    if (!target.isValid() || target.scheme().isEmpty())
        return std::nullopt;

    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept-Language", UiLanguage::kAcceptLanguage);
    // Compressed answers are decoded here, not by Qt: Qt takes a gzip body that breaks off for a
    // whole one. Asked for by name, they come as sent.
    request.setRawHeader("Accept-Encoding", ContentCoding::kAccepted);

    QNetworkReply* reply = manager()->get(request);
    QByteArray body;
    QByteArray coding;
    bool finished = false;
    bool failed = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);

    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > limits.maxBytes) {
            failed = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        // A complete answer stands, however long a handler that runs meanwhile (a modal box)
        // keeps this wait from returning.
        deadline.stop();
        if (!failed) {
            body += reply->readAll();
            failed = body.size() > limits.maxBytes || !isWholeSuccess(*reply, body);
            coding = reply->rawHeader("Content-Encoding");
        }
        finished = true;
        loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        if (finished)
            return;
        failed = true;
        reply->abort();
    });
    deadline.start(limits.timeoutMs);

    // Sleeps until a network, timer or user event arrives; other handlers run meanwhile.
    if (!finished)
        loop.exec();
    // finished has been delivered and its handler has returned: the reply can go now.
    delete reply;

    // A loop told to quit from outside (the program ending) leaves the fetch unfinished.
    if (failed || !finished)
        return std::nullopt;
    // The size bound holds for the decoded body too.
    const std::optional<QByteArray> decoded = ContentCoding::decode(body, coding, limits.maxBytes);
    if (!decoded)
        return std::nullopt;
    if (decoded->isEmpty())
        return QString();
    return BytesToText(*decoded, charset);
}
