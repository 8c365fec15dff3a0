#pragma once
// The outside information site: a home page and the "/wisdom.do" pages. The index page
// ("method=index") is a frameset that holds the getWisdom page in its "content" frame.
#include <map>
#include <string>

class InfoPages
{
public:
    static std::string home();
    // The page for "/wisdom.do" with these query parameters.
    static std::string wisdom(const std::multimap<std::string, std::string>& params);

    static std::string wisdomArticle(const std::string& no, const std::string& typ);
    static std::string wisdomIndex(const std::string& userId);
    static std::string wisdomNav();
};
