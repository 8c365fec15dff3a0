#pragma once
// What the lists carry: the eight message categories, the default message and series lists,
// and the titles the demo draws new items from. All text is UTF-8.
#include <array>
#include <string>
#include <vector>

class ListCatalog
{
public:
    struct Item {
        int id = 0;
        std::string title;
        std::string category;
        std::string date;
        std::string path() const { return "/nc/show.asp?id=" + std::to_string(id); }
        // The list line: "id,title,category,/path,date".
        std::string line() const;
    };

    static constexpr int categoryCount = 8;
    static constexpr int seriesLength = 16;

    // Category labels in list-line order (line 0 to 7).
    static const std::array<std::string, categoryCount>& categories();
    static const std::string& seriesCategory();

    static std::vector<Item> defaultMessages();
    static std::vector<Item> defaultSeries();

    // The lines joined with CRLF, no separator after the last line.
    static std::string join(const std::vector<Item>& items);

    // The items of a list text whose lines point at item pages ("/nc/show.asp?id=N");
    // other lines are left out.
    static std::vector<Item> parse(const std::string& text);

    // The n-th demo title of a message category, and of the series.
    static std::string demoTitle(int category, unsigned n);
    static std::string demoSeriesTitle(unsigned n);
};
