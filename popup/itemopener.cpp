#include "popup/itemopener.h"

#include "net/browser.h"
#include "widgets/messagebox.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

namespace ItemOpener
{

void open(QWidget* mainWindow, Browser* mainBrowser, const QString& url, int waitMs,
          const QPointer<QWidget>& boxParent, std::function<void()> done)
{
    auto finish = [boxParent, main = QPointer<QWidget>(mainWindow), done](bool loaded) {
        if (!loaded)
            MessageBox::show(boxParent ? boxParent.data() : main.data(),
                             QStringLiteral("主窗口未正常加载，请尝试重启软件或检查网络！"),
                             QString(), MessageBox::Icon::None, MessageBox::Buttons::Ok);
        if (main) {
            main->showNormal();
            main->raise();
            main->activateWindow();
        }
        if (done)
            done();
    };
    if (!mainBrowser) {
        finish(false);
        return;
    }
    if (mainBrowser->readyState() != 4) {
        finish(true);
        return;
    }
    // Whichever comes first counts: the engine's answer or the end of the wait. The wait is not
    // tied to whoever asked (a popup that a later notice closes meanwhile): the main window still
    // comes back.
    auto answered = std::make_shared<bool>(false);
    auto once = [answered, finish](bool loaded) {
        if (*answered)
            return;
        *answered = true;
        finish(loaded);
    };
    QTimer::singleShot(waitMs, QCoreApplication::instance(), [once] { once(false); });
    mainBrowser->setFrameLocation(3, url, once);
}

} // namespace ItemOpener
