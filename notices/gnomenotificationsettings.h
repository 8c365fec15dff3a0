#pragma once
// GNOME's notification settings (org.gnome.desktop.notifications) through GSettings, where that
// schema is installed. Kept apart from Qt's headers: GIO's own use a name Qt makes a keyword.

class GnomeNotificationSettings
{
public:
    GnomeNotificationSettings();
    ~GnomeNotificationSettings();
    GnomeNotificationSettings(const GnomeNotificationSettings&) = delete;
    GnomeNotificationSettings& operator=(const GnomeNotificationSettings&) = delete;

    // False when the schema is not installed: then banners count as shown.
    bool available() const { return settings_ != nullptr; }
    // show-banners: false while GNOME's do-not-disturb is on.
    bool showBanners() const;

private:
    void* settings_ = nullptr; // GSettings
};
