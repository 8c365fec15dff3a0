#include "notices/donotdisturb.h"

#include "notices/desktopnotifications.h"

bool DoNotDisturb::now()
{
    if (!asked_.isValid() || asked_.elapsed() >= kRememberMs) {
        answer_ = !gnome_.showBanners() || (server_ && server_->inhibited());
        asked_.start();
    }
    return answer_;
}
