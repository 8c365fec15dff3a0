#pragma once
// Whether the desktop says do not disturb, read where the desktops keep it, each time a notice
// comes (briefly remembered, so that one poll's notices agree): GNOME's
// org.gnome.desktop.notifications show-banners (through GSettings, where that schema is
// installed) and the notification server's Inhibited property (KDE, and any server that has it).
#include "notices/gnomenotificationsettings.h"

#include <QElapsedTimer>

class DesktopNotifications;

class DoNotDisturb
{
public:
    // How long one answer stands.
    static constexpr int kRememberMs = 1000;

    explicit DoNotDisturb(DesktopNotifications* server) : server_(server) {}

    bool now();

private:
    DesktopNotifications* server_;
    GnomeNotificationSettings gnome_;
    QElapsedTimer asked_;
    bool answer_ = false;
};
