#include "devservice/infopages.h"

#include "devservice/htmltext.h"
#include "devservice/memberpages.h"

namespace
{

std::string param(const std::multimap<std::string, std::string>& params, const std::string& key)
{
    auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
}

} // namespace

std::string InfoPages::home()
{
    return MemberPages::page(
        "首席智慧资讯站",
        "<h2>首席智慧资讯站</h2><p>每日精选市场观点与投资智慧。</p><ul>"
        "<li><a id=\"lnk-wisdom\" href=\"/wisdom.do?method=getWisdom&amp;no=777&amp;typ=4\">"
        "首席智慧第777期</a></li>"
        "<li><a id=\"lnk-wisdom-index\" href=\"/wisdom.do?method=index&amp;userId=20261\">"
        "我的智慧首页</a></li></ul>");
}

std::string InfoPages::wisdom(const std::multimap<std::string, std::string>& params)
{
    const std::string method = param(params, "method");
    if (method == "index")
        return wisdomIndex(param(params, "userId"));
    if (method == "nav")
        return wisdomNav();
    if (method == "getWisdom")
        return wisdomArticle(param(params, "no"), param(params, "typ"));
    return home();
}

std::string InfoPages::wisdomArticle(const std::string& no, const std::string& typ)
{
    const std::string n = HtmlText::escape(no.empty() ? "1" : no);
    return MemberPages::page(
        "首席智慧第" + no + "期",
        "<h2 id=\"title\">首席智慧 第" + n + "期</h2><p class=\"meta\">栏目 " +
            HtmlText::escape(typ) +
            "</p><div class=\"box\"><p>市场永远在奖励有耐心的投资者。在震荡行情中，与其追涨杀跌，"
            "不如回到基本面，关注业绩确定性高的优质公司。</p>"
            "<p>本期要点：一、政策面持续释放积极信号；二、资金面保持合理充裕；三、"
            "结构性机会仍是主线。</p></div>"
            "<p><a id=\"lnk-home\" href=\"/\">资讯站首页</a></p>");
}

std::string InfoPages::wisdomIndex(const std::string& userId)
{
    return "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\n"
           "<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>我的智慧首页 " +
           HtmlText::escape(userId) +
           "</title></head>\n"
           "<frameset rows=\"48,*\" border=\"0\">\n"
           "  <frame name=\"nav\" src=\"/wisdom.do?method=nav\" scrolling=\"no\">\n"
           "  <frame name=\"content\" src=\"/wisdom.do?method=getWisdom&amp;no=777&amp;typ=4\">\n"
           "</frameset></html>\n";
}

std::string InfoPages::wisdomNav()
{
    return MemberPages::page("导航", "<div class=\"banner\"><h1>首席智慧</h1></div>",
                             "<style>body{margin:0}</style>");
}
