#pragma once
// Whether the desktop says do not disturb, read where the desktops keep it, each time a notice
// comes (briefly remembered, so that one poll's notices agree): GNOME's
// org.gnome.desktop.notifications show-banners (through GSettings, where that schema is
// installed), the notification server's Inhibited property (KDE, and any server that has it),
// dunst's pause (its paused property) and Xfce's do-not-disturb (xfconf, channel xfce4-notifyd,
// property /do-not-disturb). The bus is asked all at once and waited for a short while at most:
// a server that does not answer in time says nothing, and a hung bus never holds the window.
// GNOME's settings are opened when the first notice asks, not while the program starts.
#include "notices/gnomenotificationsettings.h"

#include <QElapsedTimer>
#include <optional>

class DoNotDisturb
{
public:
    // How long one answer stands.
    static constexpr int kRememberMs = 1000;
    // How long the bus may take to answer.
    static constexpr int kCallWaitMs = 500;

    bool now();

private:
    static bool busSaysQuiet();

    std::optional<GnomeNotificationSettings> gnome_;
    QElapsedTimer asked_;
    bool answer_ = false;
};
