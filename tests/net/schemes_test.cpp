// Links to other programs: no scheme but the web's leaves a page of the program, clicked or set
// by script, in any frame; a mail link the member clicks goes to the desktop's mail program.
#include "browserfixture.h"
#include "support/testsite.h"
#include "testpages.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWebEnginePage>

namespace
{

// Stands in for the desktop: what would have been handed to a program of the desktop.
class Desktop : public QObject
{
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened.append(url.toString()); }
};

class SchemesTest : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &desktop, "open");
        // Four frames of 150 pixels; the third holds two links of 75 pixels each.
        site.page("/f", plainPage("frame"));
        site.page("/links",
                  "<html><body style=\"margin:0\">"
                  "<a href=\"zvx-test:run-this\" style=\"display:block;height:75px\">run</a>"
                  "<a href=\"mailto:member@example.test?attach=/etc/passwd&amp;subject=zv\""
                  " style=\"display:block;height:75px\">"
                  "mail</a></body></html>");
        site.page("/member", frameset({"/f", "/f", "/links", "/f"}));
        ASSERT_TRUE(load(site.url("/member")));
    }
    void TearDown() override
    {
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        BrowserFixture::TearDown();
    }

    static constexpr const char* kSchemes[] = {"zvx-test", "mailto", "apt"};
    TestSite site;
    Desktop desktop;
};

TEST_F(SchemesTest, onlyAClickedMailLinkReachesTheDesktop)
{
    // Set by the page's script in a frame, without any click: nothing leaves.
    browser->page()->runJavaScript(
        QStringLiteral("frames[2].location = 'mailto:script@example.test';"
                       "frames[1].location = 'apt:zvkb';"
                       "setTimeout(() => { frames[3].location = 'zvx-test:later'; }, 10);"));
    // Clicked: the unknown program's link is refused, the mail link goes on.
    click(QPoint(200, 330));
    click(QPoint(200, 410));
    // The mail program is given the address and the subject; the file to attach stays behind.
    const QString mail = QStringLiteral("mailto:member@example.test?subject=zv");
    ASSERT_TRUE(waitFor([&] { return !desktop.opened.isEmpty(); }));
    // The desktop gets them in order: anything that got through before the mail link is there.
    EXPECT_EQ(desktop.opened, QStringList{mail}) << desktop.opened.join(' ').toStdString();
    // The page itself stays where it was.
    EXPECT_TRUE(completedUrl(site.url("/links")));
    EXPECT_EQ(browser->readyState(), 4);
}

} // namespace

#include "schemes_test.moc"
