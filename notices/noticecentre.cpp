#include "notices/noticecentre.h"

#include "notices/desktopnotifications.h"
#include "notices/donotdisturb.h"

NoticeCentre::NoticeCentre(QObject* parent)
    : QObject(parent), desktop_(new DesktopNotifications(this)),
      dnd_(std::make_unique<DoNotDisturb>())
{
    connect(desktop_, &DesktopNotifications::notified, this, &NoticeCentre::notified);
    connect(desktop_, &DesktopNotifications::defaultActionInvoked, this,
            [this](const QString& server, uint desktopId) {
                if (const Notice* n = list_.findDesktop(server, desktopId))
                    emit openRequested(n->id, n->url);
            });
    connect(desktop_, &DesktopNotifications::closed, this,
            [this](const QString& server, uint desktopId) {
                if (Notice* n = list_.findDesktop(server, desktopId)) {
                    n->desktopServer.clear();
                    n->desktopId = 0;
                }
            });
    connect(desktop_, &DesktopNotifications::serverChanged, this,
            [this] { list_.forgetDesktop(); });
}

NoticeCentre::~NoticeCentre() = default;

void NoticeCentre::start()
{
    desktop_->start();
}

NoticeCentre::Arrival NoticeCentre::arrive(const QString& category, const QString& title,
                                           const QString& url)
{
    Arrival a;
    a.quiet = quiet();
    const Notice& added = list_.add(clock_(), category, title, url);
    a.id = added.id;
    if (a.quiet)
        missed(a.id);
    else
        emit changed();
    return a;
}

bool NoticeCentre::quiet()
{
    return dnd_->now();
}

void NoticeCentre::missed(quint64 id)
{
    Notice* n = list_.find(id);
    if (!n || n->missed || n->seen)
        return;
    n->missed = true;
    handOver(*n);
    emit changed();
}

void NoticeCentre::handOver(Notice& notice)
{
    desktop_->notify(notice.id, notice.category, notice.title);
}

void NoticeCentre::notified(quint64 id, const QString& server, uint desktopId)
{
    Notice* n = list_.find(id);
    // Opened (or gone with the day) before the desktop answered: its notification goes again.
    if (!n || n->seen) {
        desktop_->close(server, desktopId);
        return;
    }
    n->desktopServer = server;
    n->desktopId = desktopId;
}

void NoticeCentre::opened(quint64 id)
{
    Notice* n = list_.find(id);
    if (!n || n->seen)
        return;
    n->seen = true;
    if (n->desktopId) {
        desktop_->close(n->desktopServer, n->desktopId);
        n->desktopServer.clear();
        n->desktopId = 0;
    }
    emit changed();
}

void NoticeCentre::acknowledge()
{
    if (list_.unread() == 0)
        return;
    list_.acknowledge();
    emit changed();
}

const RecentNotices& NoticeCentre::recent()
{
    list_.keepDay(clock_().date());
    return list_;
}

#include "moc_noticecentre.cpp" // meta-object code, compiled with this file
