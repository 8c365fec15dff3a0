// The pure rules behind the browser windows: which binding a completed document takes, where a
// new-window request goes, and how the window sizes its browser.
#include "dialogs/docbinding.h"
#include "dialogs/form4layout.h"
#include "net/urlrules.h"

#include <gtest/gtest.h>

namespace
{

const QString kBase = QStringLiteral("http://info.test:8070");

struct SlotCase {
    const char* url;
    DocBinding::Slot slot;
};

class DocBindingSlot : public ::testing::TestWithParam<SlotCase>
{
};

TEST_P(DocBindingSlot, comparesTheWholeAddress)
{
    EXPECT_EQ(DocBinding::slotFor(QString::fromUtf8(GetParam().url), kBase), GetParam().slot)
        << GetParam().url;
}

using S = DocBinding::Slot;
INSTANTIATE_TEST_SUITE_P(
    Addresses, DocBindingSlot,
    ::testing::Values(
        SlotCase{"http://info.test:8070/wisdom.do?method=getWisdom&no=777&typ=4", S::Dom1},
        SlotCase{"http://info.test:8070/wisdom.do?method=index&userId=20261", S::Dom2},
        // Letter case, a trailing slash, another parameter order or host: another page.
        SlotCase{"http://info.test:8070/wisdom.do?method=getwisdom&no=777&typ=4", S::Dom},
        SlotCase{"HTTP://info.test:8070/wisdom.do?method=index&userId=20261", S::Dom},
        SlotCase{"http://info.test:8070/wisdom.do?method=index&userId=20261/", S::Dom},
        SlotCase{"http://info.test:8070/wisdom.do?method=index&userId=202610", S::Dom},
        SlotCase{"http://info.test:8070/wisdom.do?no=777&method=getWisdom&typ=4", S::Dom},
        SlotCase{"http://info.test:8070/wisdom.do?method=getWisdom&no=777&typ=4#top", S::Dom},
        SlotCase{"http://other.test:8070/wisdom.do?method=getWisdom&no=777&typ=4", S::Dom},
        SlotCase{"http://info.test:8070/", S::Dom}, SlotCase{"about:blank", S::Dom},
        SlotCase{"", S::Dom}));

TEST(DocBinding, onlyTheLastOrdinaryDocumentStaysBound)
{
    DocBinding b(kBase);
    b.documentComplete(1, QStringLiteral("http://127.0.0.1/frame1.html"));
    b.documentComplete(2, QStringLiteral("http://127.0.0.1/frame2.html"));
    EXPECT_FALSE(b.isBound(1));
    EXPECT_TRUE(b.isBound(2));
    EXPECT_EQ(b.M_Dom(), 2u);
}

TEST(DocBinding, informationPagesKeepTheirOwnBindings)
{
    DocBinding b(kBase);
    b.documentComplete(5, kBase + DocBinding::kIndexPath);
    b.documentComplete(6, kBase + DocBinding::kWisdomPath); // a frame of the index page
    b.documentComplete(7, QStringLiteral("http://127.0.0.1/ad.html"));
    b.documentComplete(8, QStringLiteral("http://127.0.0.1/ad2.html"));
    EXPECT_TRUE(b.isBound(5));
    EXPECT_TRUE(b.isBound(6));
    EXPECT_FALSE(b.isBound(7));
    EXPECT_TRUE(b.isBound(8));
    EXPECT_EQ(b.M_Dom1(), 6u);
    EXPECT_EQ(b.M_Dom2(), 5u);

    // Loading the page again moves its binding to the new document.
    b.documentComplete(9, kBase + DocBinding::kWisdomPath);
    EXPECT_FALSE(b.isBound(6));
    EXPECT_TRUE(b.isBound(9));
}

TEST(DocBinding, missingDocumentKeepsWhatWasBound)
{
    DocBinding b(kBase);
    b.documentComplete(3, QStringLiteral("http://127.0.0.1/a.html"));
    b.documentComplete(0, QStringLiteral("http://127.0.0.1/b.html"));
    EXPECT_EQ(b.M_Dom(), 3u);
    EXPECT_FALSE(b.isBound(0)); // nothing bound yet in the other two must not match "no document"
}

struct RouteCase {
    const char* url;
    UrlRules::NewWindowRoute route;
};

class NewWindowRouting : public ::testing::TestWithParam<RouteCase>
{
};

TEST_P(NewWindowRouting, marketplaceThenScheme)
{
    EXPECT_EQ(UrlRules::routeNewWindow(QString::fromUtf8(GetParam().url),
                                       QStringLiteral("market.example")),
              GetParam().route)
        << GetParam().url;
}

using R = UrlRules::NewWindowRoute;
INSTANTIATE_TEST_SUITE_P(
    Addresses, NewWindowRouting,
    ::testing::Values(
        RouteCase{"http://www.market.example/item/1", R::DefaultBrowser},
        RouteCase{"https://shop.MARKET.Example/", R::DefaultBrowser},
        // Only the host counts: a page cannot send any site to the default browser by naming
        // the marketplace elsewhere in the address.
        RouteCase{"http://127.0.0.1:18062/go.asp?to=market.example", R::BrowserWindow},
        RouteCase{"http://market.example.elsewhere.test/", R::BrowserWindow},
        RouteCase{"http://notmarket.example/", R::BrowserWindow},
        RouteCase{"http://user@market.example.evil.test/", R::BrowserWindow},
        RouteCase{"http://market.example./x", R::DefaultBrowser},
        RouteCase{"HTTPS://WWW.MARKET.EXAMPLE/a", R::DefaultBrowser},
        // The marketplace name inside another scheme gives the desktop nothing to run.
        RouteCase{"javascript:location='http://market.example/'", R::Drop},
        RouteCase{"file:///tmp/market.example.html", R::Drop}, RouteCase{"market.example", R::Drop},
        RouteCase{"http:///market.example", R::Drop},
        RouteCase{"http://127.0.0.1:18062/nc/item.asp?id=7", R::BrowserWindow},
        RouteCase{"https://127.0.0.1/", R::BrowserWindow},
        RouteCase{"about:blank", R::BrowserWindow}, RouteCase{"", R::BrowserWindow},
        RouteCase{"file:///etc/passwd", R::Drop}, RouteCase{"FILE:///etc/passwd", R::Drop},
        RouteCase{"javascript:alert(1)", R::Drop}, RouteCase{"data:text/html,<b>x</b>", R::Drop},
        RouteCase{"about:config", R::Drop}, RouteCase{"mailto:a@b.test", R::Drop},
        RouteCase{"tencent://message/?uin=1", R::Drop}, RouteCase{"ftp://127.0.0.1/x", R::Drop},
        RouteCase{"/nc/relative.asp", R::Drop}));

TEST(UrlRules, emptyMarketDomainMatchesNothing)
{
    EXPECT_FALSE(UrlRules::isMarketplace(QStringLiteral("http://a.test/"), QString()));
    EXPECT_EQ(UrlRules::routeNewWindow(QStringLiteral("http://a.test/"), QString()),
              R::BrowserWindow);
}

TEST(UrlRules, pagesNavigateByWebAddressesOnlyAndAClickedMailLinkGoesToTheMailProgram)
{
    using N = UrlRules::Navigation;
    const struct {
        const char* url;
        bool clicked;
        N expected;
    } cases[] = {
        {"http://127.0.0.1:18062/nc/main.asp", false, N::Allow},
        {"https://a.test/", true, N::Allow},
        {"about:blank", false, N::Allow},
        {"about:srcdoc", false, N::Allow},
        {"mailto:a@b.test", true, N::MailProgram},
        {"MAILTO:a@b.test", true, N::MailProgram},
        {"mailto:a@b.test", false, N::Refuse}, // set by script, no click
        {"zvx-test:run-this", true, N::Refuse},
        {"apt:zvkb", true, N::Refuse},
        {"tencent://message/?uin=1", true, N::Refuse},
        {"file:///etc/passwd", true, N::Refuse},
        {"data:text/html,x", false, N::Refuse},
        {"javascript:alert(1)", true, N::Refuse},
        {"ftp://127.0.0.1/x", true, N::Refuse},
        {"about:config", false, N::Refuse},
        {"view-source:http://a.test/", true, N::Refuse},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlRules::navigation(QString::fromUtf8(c.url), c.clicked), c.expected)
            << c.url << (c.clicked ? " clicked" : "");
}

TEST(UrlRules, aMailProgramIsGivenTheAddressesAndTheUsualFieldsOnly)
{
    const struct {
        const char* clicked;
        const char* given;
    } cases[] = {
        {"mailto:a@b.test,c@d.test?cc=e@f.test&bcc=g@h.test&subject=Hi%20you&body=x%26attach%3Dy",
         "mailto:a@b.test,c@d.test?cc=e@f.test&bcc=g@h.test&subject=Hi%20you&body=x%26attach%3Dy"},
        {"mailto:?to=a@b.test&Attachment=%2Fetc%2Fpasswd&ATTACH=x&%61ttach=y&in-reply-to=z",
         "mailto:?to=a@b.test"},
        {"mailto:a@b.test?SUBJECT=S&attach=/home/m/config.ini#part", "mailto:a@b.test?SUBJECT=S"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlRules::mailProgramAddress(QString::fromUtf8(c.clicked)),
                  QString::fromUtf8(c.given));
}

TEST(UrlRules, emptyAddressOpensBlank)
{
    EXPECT_EQ(UrlRules::browserWindowAddress(QString()), QStringLiteral("about:blank"));
    EXPECT_EQ(UrlRules::browserWindowAddress(QStringLiteral("http://a.test/")),
              QStringLiteral("http://a.test/"));
}

struct ResizeCase {
    int outerW, outerH;
    std::optional<int> w, h;
};

class Form4Resize : public ::testing::TestWithParam<ResizeCase>
{
};

TEST_P(Form4Resize, takesAllowancesOffEachDimensionOnItsOwn)
{
    const ResizeCase& c = GetParam();
    const Form4Layout::Size s = Form4Layout::browserOnResize(c.outerW, c.outerH);
    EXPECT_EQ(s.width, c.w);
    EXPECT_EQ(s.height, c.h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Form4Resize,
                         ::testing::Values(ResizeCase{2000, 1000, 1950, 600},
                                           ResizeCase{16740, 10170, 16690, 9770},
                                           ResizeCase{50, 400, 0, 0},
                                           ResizeCase{3000, 300, 2950, std::nullopt},
                                           ResizeCase{30, 900, std::nullopt, 500},
                                           ResizeCase{0, 0, std::nullopt, std::nullopt}));

} // namespace
