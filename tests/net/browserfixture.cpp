#include "browserfixture.h"

#include <QImage>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace
{

bool painted(QWidget* view)
{
    const QImage image = view->grab().toImage();
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            if (image.pixel(x, y) != 0xffffffff)
                return true;
        }
    }
    return false;
}

} // namespace

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

void BrowserFixture::click(QPoint pos, Qt::MouseButton button)
{
    QWidget* view = browser->widget();
    ASSERT_TRUE(waitFor([&] { return painted(view); }));
    QWindow* window = view->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPointF local(view->mapTo(view->window(), pos));
    const QPointF global(view->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}
