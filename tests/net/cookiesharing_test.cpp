// The page fetch and the browser share their cookies both ways, as the member's session needs:
// a cookie a page set goes out with a list request, and one a list answer set reaches the pages.
#include "browserfixture.h"
#include "net/pagefetch.h"
#include "support/testsite.h"

namespace
{

class CookieSharingTest : public BrowserFixture
{
protected:
    // Cookie header of the newest request to path, empty when there is none.
    QString cookieOfLast(const char* path) const
    {
        const QList<SiteRequest> r = site.requestsTo(QString::fromLatin1(path));
        return r.isEmpty() ? QString() : r.last().header("Cookie");
    }

    // Every value the newest request to path sent for the cookie name, in the order sent.
    QStringList valuesSent(const char* path, const QString& name) const
    {
        QStringList values;
        const QString prefix = name + QLatin1Char('=');
        for (const QString& pair : cookieOfLast(path).split(QLatin1Char(';'))) {
            if (pair.trimmed().startsWith(prefix))
                values.append(pair.trimmed().mid(prefix.size()));
        }
        return values;
    }

    TestSite site;
};

TEST_F(CookieSharingTest, aPagesCookieGoesOutWithTheFetchAndAFetchedCookieWithThePages)
{
    site.page("/member", "<p>member page</p>", "text/html; charset=utf-8",
              {{"Set-Cookie", "SESSION=page-1; Path=/; HttpOnly"}});
    site.page("/list", "0,a,b,/c", "text/plain");
    site.page("/answer", "0,a,b,/c", "text/plain", {{"Set-Cookie", "TOKEN=list-2; Path=/"}});
    site.page("/item", "<p>item</p>");

    ASSERT_TRUE(load(site.url("/member")));
    // The engine reports its cookies a moment after it stored them.
    EXPECT_TRUE(waitFor([&] {
        FetchPageText(site.url("/list"), QStringLiteral("GB2312"));
        return cookieOfLast("/list").contains(QLatin1String("SESSION=page-1"));
    })) << cookieOfLast("/list").toStdString();

    ASSERT_TRUE(FetchPageText(site.url("/answer"), QStringLiteral("GB2312")).has_value());
    EXPECT_TRUE(waitFor([&] {
        load(site.url("/item"));
        return cookieOfLast("/item").contains(QLatin1String("TOKEN=list-2"));
    })) << cookieOfLast("/item").toStdString();
    EXPECT_TRUE(cookieOfLast("/item").contains(QLatin1String("SESSION=page-1")));

    // A cookie the fetch's answer expires is gone from the pages too.
    site.page("/logout", "bye", "text/plain",
              {{"Set-Cookie", "TOKEN=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}});
    ASSERT_TRUE(FetchPageText(site.url("/logout"), QStringLiteral("GB2312")).has_value());
    EXPECT_TRUE(waitFor([&] {
        load(site.url("/item?again"));
        return !cookieOfLast("/item").contains(QLatin1String("TOKEN="));
    })) << cookieOfLast("/item").toStdString();
}

TEST_F(CookieSharingTest, aCookieWithoutPathIsOneCookieInBothStores)
{
    // Neither answer names a path: each store takes the one the address gives, "/nc".
    site.page("/nc/tx.asp", "0,a,b,/c", "text/plain", {{"Set-Cookie", "sid=A"}});
    site.page("/nc/list.asp", "0,a,b,/c", "text/plain");
    site.page("/nc/member.asp", "<p>member</p>", "text/html; charset=utf-8",
              {{"Set-Cookie", "sid=B"}});
    site.page("/nc/logout.asp", "<p>bye</p>", "text/html; charset=utf-8",
              {{"Set-Cookie", "sid=; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}});
    site.page("/nc/item.asp", "<p>item</p>");
    const auto fetchSends = [&](const QStringList& values) {
        return waitFor([&] {
            FetchPageText(site.url("/nc/list.asp"), QStringLiteral("GB2312"));
            return valuesSent("/nc/list.asp", QStringLiteral("sid")) == values;
        });
    };

    // The list answer's cookie reaches the page, and the fetch still sends it once.
    ASSERT_TRUE(FetchPageText(site.url("/nc/tx.asp"), QStringLiteral("GB2312")).has_value());
    EXPECT_TRUE(waitFor([&] {
        load(site.url("/nc/item.asp"));
        return valuesSent("/nc/item.asp", QStringLiteral("sid")) == QStringList{"A"};
    })) << cookieOfLast("/nc/item.asp").toStdString();
    EXPECT_TRUE(fetchSends({"A"})) << cookieOfLast("/nc/list.asp").toStdString();

    // The member page replaces it: the fetch sends the new value alone.
    ASSERT_TRUE(load(site.url("/nc/member.asp")));
    EXPECT_TRUE(fetchSends({"B"})) << cookieOfLast("/nc/list.asp").toStdString();

    // The page deletes it: the fetch sends none.
    ASSERT_TRUE(load(site.url("/nc/logout.asp")));
    EXPECT_TRUE(fetchSends({})) << cookieOfLast("/nc/list.asp").toStdString();
}

} // namespace
