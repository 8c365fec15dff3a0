#pragma once
// Every setting config.ini holds, named once: its section and its key. The windows read and
// write settings through these names only (ReadIni and WriteIni in startup/settings.h take them).
#include <QLatin1String>

struct SettingKey {
    QLatin1String section;
    QLatin1String key;
};

namespace Setting
{

inline constexpr QLatin1String ConfigSection("config");
inline constexpr QLatin1String LoginSection("mima");

// [config]: the main window's boxes (0 clear, 1 ticked, 2 greyed) and the chosen server line.
inline constexpr SettingKey Check1{ConfigSection, QLatin1String("Check1")};
inline constexpr SettingKey Check2{ConfigSection, QLatin1String("Check2")};
inline constexpr SettingKey Check3{ConfigSection, QLatin1String("Check3")};
inline constexpr SettingKey Check4{ConfigSection, QLatin1String("Check4")};
inline constexpr SettingKey shengyin{ConfigSection, QLatin1String("shengyin")};
inline constexpr SettingKey xianlu{ConfigSection, QLatin1String("xianlu")};
// [config]: a category box of the category dialog, keyed by the box's name (startup/categories.h).
constexpr SettingKey category(const char* box)
{
    return {ConfigSection, QLatin1String(box)};
}

// [mima]: the remember-login box and the login it remembers.
inline constexpr SettingKey mima{LoginSection, QLatin1String("mima")};
inline constexpr SettingKey user{LoginSection, QLatin1String("user")};
inline constexpr SettingKey pass{LoginSection, QLatin1String("pass")};

} // namespace Setting
