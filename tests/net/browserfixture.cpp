#include "browserfixture.h"

#include <QVBoxLayout>

void BrowserFixture::SetUp()
{
    browser = makeBrowser();
}

void BrowserFixture::TearDown()
{
    for (QWidget* w : windows_)
        delete w;
    windows_.clear();
    completed_.clear();
}

WebEngineBrowser* BrowserFixture::makeBrowser()
{
    auto* window = new QWidget;
    windows_.append(window);
    auto* b = new WebEngineBrowser(window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(b->widget());
    window->resize(800, 600);
    window->show();
    QObject::connect(b, &Browser::documentComplete, b,
                     [this, b](quint64 id, const QString& url, bool top) {
                         completed_[b].append({id, url, top});
                     });
    return b;
}

void BrowserFixture::destroy(WebEngineBrowser* b)
{
    QWidget* window = b->widget()->parentWidget();
    windows_.removeAll(window);
    completed_.erase(b);
    delete window;
}

bool BrowserFixture::load(const QString& url, WebEngineBrowser* b)
{
    if (!b)
        b = browser;
    const qsizetype before = completed_[b].size();
    b->navigate(url);
    return waitFor([&] {
        if (b->readyState() != 4)
            return false;
        const QList<CompletedDocument>& list = completed_[b];
        for (qsizetype i = before; i < list.size(); ++i) {
            if (list[i].isTop)
                return true;
        }
        return false;
    });
}

QVariant BrowserFixture::eval(const QString& script, WebEngineBrowser* b)
{
    if (!b)
        b = browser;
    QVariant result;
    bool done = false;
    b->runScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done; })) << script.toStdString();
    return result;
}

const CompletedDocument* BrowserFixture::findCompleted(const QString& url, WebEngineBrowser* b)
{
    for (const CompletedDocument& d : completed_[b ? b : browser]) {
        if (d.url == url)
            return &d;
    }
    return nullptr;
}

bool BrowserFixture::completedUrl(const QString& url, WebEngineBrowser* b)
{
    return waitFor([&] { return findCompleted(url, b) != nullptr; });
}
