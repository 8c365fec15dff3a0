#pragma once
// The member page comes back by itself when the network does. A page of the service that could
// not be loaded (no network yet at login, a server not yet reachable, a VPN that comes up later)
// is asked for again: at once when a poll on the line has had its answer, else after a wait that
// doubles from attempt to attempt (Form1Rules::retryDelayMs), so that a dead network is not
// hammered. Only a page that failed is asked for again: one that loaded is never reloaded behind
// the member's back, and a page the program or the member asks for meanwhile goes first.
#include <QObject>
#include <QString>
#include <functional>

class Browser;
class QTimer;

class PageRecovery : public QObject
{
    Q_OBJECT
public:
    // isServicePage: whether an address is one of the service's (only those are asked for again).
    PageRecovery(Browser* browser, std::function<bool(const QString& url)> isServicePage,
                 QObject* parent = nullptr);

    // The program asks the browser for a page itself: what failed before is superseded.
    void navigating();
    // The service answered on the line: a page that failed is asked for now.
    void serviceAnswered();

private:
    void loadEnded(const QString& url, bool reached);
    void retry();

    Browser* browser_;
    std::function<bool(const QString&)> isServicePage_;
    QTimer* wait_;
    QString failed_;      // the page that could not be loaded; empty while none did
    int attempts_ = 0;    // failures in a row
    bool asking_ = false; // an attempt is on its way
};
