#pragma once
// The eight message categories, listed once: the category dialog's box that chooses each (its
// name is also its key in config.ini), the box's caption, place and designed state, and the line
// of the message list the category is announced from.
#include <array>

struct Category {
    const char* box;
    const char* caption;
    int line; // the message list's line, 0 to 7
    int left; // the box's place in the category dialog, twips
    int top;
    int designState;      // 1 ticked, 0 clear
    bool mainWindowLoads; // read by the main window's load too (all but "tckb")
};

// In the order the settings are loaded.
inline constexpr std::array<Category, 8> Categories{{
    {"zvgs", "Zelvar公司", 1, 1560, 240, 1, true},
    {"zvzb", "Zelvar资本", 2, 2760, 240, 1, true},
    {"zvzc", "Zelvar政策", 0, 360, 240, 1, true},
    {"jdkb", "标题狂飙", 6, 2760, 960, 1, true},
    {"jgmh", "机构密函", 5, 1560, 960, 0, true},
    {"jncz", "Zelvar内传真", 3, 3960, 240, 1, true},
    {"smnc", "私募内参", 4, 360, 960, 1, true},
    {"tckb", "题材快报", 7, 3960, 960, 1, false},
}};

// The category announced from line `line` (0 to 7) of the message list.
constexpr const Category& categoryOfLine(int line)
{
    for (const Category& c : Categories) {
        if (c.line == line)
            return c;
    }
    return Categories[0];
}
