#pragma once
// What opening a notice does, from its popup or from a list that keeps it: the item's page goes
// into the member page's fourth frame (when the page is complete), the main window comes back
// and gets the focus, and when the frame cannot take the address the member is told
// "主窗口未正常加载，请尝试重启软件或检查网络！". The engine may never answer (the page navigated
// away, its renderer died): after a bounded wait the opening ends as if the frame could not be set.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class Browser;

namespace ItemOpener
{

// boxParent: the message box's parent while it lives (else the main window). done runs last,
// once, whatever happened.
void open(QWidget* mainWindow, Browser* mainBrowser, const QString& url, int waitMs,
          const QPointer<QWidget>& boxParent, std::function<void()> done);

} // namespace ItemOpener
