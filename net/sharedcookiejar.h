#pragma once
// The page fetch's cookies, kept the same as the browser engine's both ways, so that the polls go
// out as the member's own requests: cookies the member page set (the member's session among
// them) go out with the message list requests, and cookies a list answer sets reach the pages.
// Kept in memory only, as the engine's profile keeps them.
#include <QNetworkCookieJar>
#include <QPointer>

class QWebEngineCookieStore;

class SharedCookieJar : public QNetworkCookieJar
{
    Q_OBJECT
public:
    explicit SharedCookieJar(QWebEngineCookieStore* store, QObject* parent = nullptr);

    // Takes an answer's cookies as any jar does and hands each to the engine as well.
    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url) override;

private:
    QPointer<QWebEngineCookieStore> store_;
};
