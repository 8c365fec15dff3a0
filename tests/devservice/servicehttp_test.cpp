// The development service over HTTP: lists, scripted answers, the request log, the member
// pages and the process's own start and stop.
#include "harness/devservice.h"

#include "devservice/gbktext.h"
#include "devservice/listcatalog.h"

#include "zvconfig.h"

#include <QProcess>
#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>

namespace
{

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::vector<std::string> splitCrlf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    for (;;) {
        size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? end : end - pos));
        if (end == std::string::npos)
            return lines;
        pos = end + 2;
    }
}

std::vector<std::string> splitComma(const std::string& line)
{
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
        size_t end = line.find(',', pos);
        fields.push_back(line.substr(pos, end == std::string::npos ? end : end - pos));
        if (end == std::string::npos)
            return fields;
        pos = end + 1;
    }
}

class DevServiceHttp : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        service = new harness::DevService(harness::DevService::Ports::Free);
        ASSERT_TRUE(service->start()) << service->error().toStdString();
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(service->stop());
        delete service;
        service = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(service, nullptr);
        auto res = client(service->lineA()).Post("/_dev/reset");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200);
    }

    static httplib::Client client(const QString& base)
    {
        httplib::Client cli(base.toStdString());
        cli.set_connection_timeout(2);
        cli.set_read_timeout(5);
        return cli;
    }

    // Scripts list `name` with the query `options` and the UTF-8 (or raw) body.
    static void script(const std::string& name, const std::string& options, const std::string& body)
    {
        std::string path = "/_dev/list?name=" + name + (options.empty() ? "" : "&" + options);
        auto res = client(service->lineA()).Post(path.c_str(), body, "text/plain");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200) << res->body;
    }

    static std::vector<std::string> logLines()
    {
        auto res = client(service->lineA()).Get("/_dev/log");
        std::vector<std::string> lines;
        if (!res)
            return lines;
        size_t pos = 0;
        while (pos < res->body.size()) {
            size_t end = res->body.find('\n', pos);
            lines.push_back(res->body.substr(pos, end - pos));
            pos = end + 1;
        }
        return lines;
    }

    static harness::DevService* service;
};

harness::DevService* DevServiceHttp::service = nullptr;

TEST_F(DevServiceHttp, defaultListsAreGbkCrlfLinesInCategoryOrder)
{
    auto res = client(service->lineB()).Get("/nc/tx.asp?s=2026-12-7%209:03:27");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=gb2312");
    // Chinese text in GBK is not valid UTF-8, so the bytes really are converted.
    EXPECT_FALSE(GbkText::toUtf8(res->body) == res->body);
    auto text = GbkText::toUtf8(res->body);
    ASSERT_TRUE(text);
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'),
              static_cast<long>(splitCrlf(*text).size() - 1))
        << "every line break is CRLF";
    auto lines = splitCrlf(*text);
    ASSERT_EQ(lines.size(), 8u);
    for (size_t i = 0; i < lines.size(); ++i) {
        auto fields = splitComma(lines[i]);
        ASSERT_EQ(fields.size(), 5u) << lines[i];
        EXPECT_EQ(fields[2], ListCatalog::categories()[i]);
        EXPECT_EQ(fields[3], "/nc/show.asp?id=" + fields[0]);
    }
    EXPECT_EQ(lines[0],
              "10234,央行宣布下调存款准备金率,Zelvar政策,/nc/show.asp?id=10234,2026-12-07");

    auto series = client(service->lineA()).Get("/nc/tx_sxzv.asp?s=1");
    ASSERT_TRUE(series);
    auto seriesText = GbkText::toUtf8(series->body);
    ASSERT_TRUE(seriesText);
    EXPECT_EQ(splitCrlf(*seriesText).size(), 16u);
}

TEST_F(DevServiceHttp, everyListedPathHasItsItemPage)
{
    auto text = GbkText::toUtf8(client(service->lineA()).Get("/nc/tx.asp")->body);
    ASSERT_TRUE(text);
    for (const auto& line : splitCrlf(*text)) {
        auto fields = splitComma(line);
        auto page = client(service->lineA()).Get(fields[3].c_str());
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200) << fields[3];
        EXPECT_NE(page->body.find("<h2 id=\"title\">" + fields[1] + "</h2>"), std::string::npos);
    }
    EXPECT_EQ(client(service->lineA()).Get("/nc/show.asp?id=abc")->status, 404);
}

TEST_F(DevServiceHttp, scriptedStatusAndBodiesOnEveryLine)
{
    script("tx", "status=500", "服务器内部错误");
    for (const auto& line : {service->lineA(), service->lineB()}) {
        auto res = client(line).Get("/nc/tx.asp?s=1");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 500);
        EXPECT_EQ(GbkText::toUtf8(res->body).value_or("?"), "服务器内部错误");
    }
    // The series list keeps its own answer.
    EXPECT_EQ(client(service->lineA()).Get("/nc/tx_sxzv.asp")->status, 200);

    script("tx", "", "");
    auto empty = client(service->lineA()).Get("/nc/tx.asp");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 200);
    EXPECT_TRUE(empty->body.empty());

    const std::string invalid("\x81\xff\x00\xfe,\r\n", 7);
    script("tx", "raw=1", invalid);
    auto raw = client(service->lineA()).Get("/nc/tx.asp");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->body, invalid);
}

TEST_F(DevServiceHttp, badControlCallsAreRefused)
{
    auto cli = client(service->lineA());
    EXPECT_EQ(cli.Post("/_dev/list?name=other", "x", "text/plain")->status, 400);
    EXPECT_EQ(cli.Post("/_dev/list", "x", "text/plain")->status, 400);
    EXPECT_EQ(cli.Post("/_dev/list?name=tx&status=abc", "x", "text/plain")->status, 400);
    EXPECT_EQ(cli.Post("/_dev/list?name=tx&delay_ms=-5", "x", "text/plain")->status, 400);
    // An emoji has no GBK form; exact bytes need raw=1.
    EXPECT_EQ(cli.Post("/_dev/list?name=tx", "\xF0\x9F\x98\x80", "text/plain")->status, 400);
    EXPECT_EQ(cli.Get("/nc/tx.asp")->status, 200) << "a refused call changes nothing";
}

TEST_F(DevServiceHttp, sizedAnswerRepeatsTheBodyToExactlyThatLength)
{
    script("tx", "size=5000000", "ab");
    auto res = client(service->lineA()).Get("/nc/tx.asp", {{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(res);
    ASSERT_EQ(res->body.size(), 5000000u);
    EXPECT_EQ(res->get_header_value("Content-Encoding"), "");
    EXPECT_EQ(res->body.substr(0, 6), "ababab");
    EXPECT_EQ(res->body.substr(4999998), "ab");

    script("tx", "size=3", "一二三");
    EXPECT_EQ(client(service->lineA()).Get("/nc/tx.asp")->body.size(), 3u);
}

TEST_F(DevServiceHttp, delayStallsOnlyThatAnswer)
{
    script("tx", "delay_ms=1200", "1,a,b,/c");
    auto start = Clock::now();
    auto slow = std::async(std::launch::async, [&] {
        auto res = client(service->lineA()).Get("/nc/tx.asp");
        return std::make_pair(res ? res->status : -1, msSince(start));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Other requests, on the same and on another line, are answered while it stalls.
    EXPECT_TRUE(client(service->lineA()).Get("/nc/menu.asp"));
    EXPECT_TRUE(client(service->lineB()).Get("/nc/tx_sxzv.asp"));
    EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    auto [status, elapsed] = slow.get();
    EXPECT_EQ(status, 200);
    EXPECT_GE(elapsed, 1200);
    EXPECT_LT(elapsed, 4000);
}

TEST_F(DevServiceHttp, resetAndHangGiveNoAnswer)
{
    script("tx", "reset=1", "x");
    auto reset = client(service->lineA()).Get("/nc/tx.asp");
    EXPECT_FALSE(reset) << "status " << (reset ? reset->status : 0);

    script("tx", "hang=1", "x");
    auto cli = client(service->lineB());
    cli.set_read_timeout(0, 500000);
    auto start = Clock::now();
    auto hang = cli.Get("/nc/tx.asp");
    EXPECT_FALSE(hang);
    EXPECT_EQ(hang.error(), httplib::Error::Read);
    EXPECT_GE(msSince(start), 450);
    EXPECT_LT(msSince(start), 3000);

    // Scripting back gives answers again.
    script("tx", "", "1,a,b,/c");
    EXPECT_EQ(client(service->lineA()).Get("/nc/tx.asp")->body, "1,a,b,/c");
}

TEST_F(DevServiceHttp, endlessAnswerStreamsUntilTheClientStops)
{
    script("tx", "endless=1", "1,a,b,/c\r\n");
    size_t received = 0;
    auto res = client(service->lineA()).Get("/nc/tx.asp", [&](const char*, size_t length) {
        received += length;
        return received < 300000;
    });
    EXPECT_FALSE(res);
    EXPECT_GE(received, 300000u);
    // The stream's thread is free again: the service answers as before.
    EXPECT_TRUE(client(service->lineA()).Get("/nc/menu.asp"));
}

TEST_F(DevServiceHttp, requestLogRecordsWhatTheClientSent)
{
    auto cli = client(service->lineB());
    cli.Post("/nc/echo.asp?x=1&y=%E4%B8%AD", {{"X-Zv-Test", "yes"}}, "from=menu&keyword=abc",
             "application/x-www-form-urlencoded");
    cli.Get("/nc/tx.asp?s=2026-12-7%209:03:27");
    client(service->lineA()).Post("/nc/echo.asp", std::string("\xff\xfe", 2), "text/plain");
    script("tx", "", "x"); // control calls stay out of the log

    auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    const std::string host = service->lineB().mid(7).toStdString();
    EXPECT_NE(lines[0].find("\"method\":\"POST\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"host\":\"" + host + "\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"path\":\"/nc/echo.asp\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"query\":\"x=1&y=%E4%B8%AD\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"X-Zv-Test\":\"yes\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"body\":\"from=menu&keyword=abc\""), std::string::npos);
    EXPECT_EQ(lines[0].find("REMOTE_ADDR"), std::string::npos);
    EXPECT_NE(lines[1].find("\"query\":\"s=2026-12-7%209:03:27\""), std::string::npos);
    EXPECT_NE(lines[2].find("\"body_base64\":\"//4=\""), std::string::npos) << lines[2];
    std::regex seqs("^\\{\"seq\":(\\d+),\"time_ms\":(\\d+),");
    std::smatch first, last;
    ASSERT_TRUE(std::regex_search(lines[0], first, seqs));
    ASSERT_TRUE(std::regex_search(lines[2], last, seqs));
    EXPECT_EQ(std::stoll(last[1]) - std::stoll(first[1]), 2);

    auto since = client(service->lineA()).Get(("/_dev/log?since=" + std::string(first[1])).c_str());
    EXPECT_EQ(std::count(since->body.begin(), since->body.end(), '\n'), 2);
    client(service->lineA()).Post("/_dev/log/clear");
    EXPECT_TRUE(logLines().empty());
}

TEST_F(DevServiceHttp, memberFramesetFourthFrameLogsInAndOut)
{
    auto cli = client(service->lineA());
    auto frameset = cli.Get("/nc/i88-62.asp");
    ASSERT_TRUE(frameset);
    std::regex frame("<frame name=\"(\\w+)\" src=\"([^\"]+)\"");
    std::vector<std::string> sources;
    for (std::sregex_iterator it(frameset->body.begin(), frameset->body.end(), frame), end;
         it != end; ++it)
        sources.push_back((*it)[2]);
    ASSERT_EQ(sources.size(), 4u);
    for (const auto& src : sources)
        EXPECT_EQ(cli.Get(src.c_str())->status, 200) << src;

    const std::string userInput = "<input type=\"text\" name=\"UserName\"";
    const std::string passInput = "<input type=\"password\" name=\"UserPassword\"";
    auto form = cli.Get(sources[3].c_str());
    EXPECT_NE(form->body.find(userInput), std::string::npos);
    EXPECT_NE(form->body.find(passInput), std::string::npos);

    auto refused = cli.Post("/nc/login.asp",
                            "UserName=abc&UserPassword=", "application/x-www-form-urlencoded");
    EXPECT_NE(refused->body.find("login-error"), std::string::npos);
    EXPECT_FALSE(refused->has_header("Set-Cookie"));

    auto login = cli.Post("/nc/login.asp", "UserName=%E5%BC%A0%E4%B8%89&UserPassword=x%26y",
                          "application/x-www-form-urlencoded");
    ASSERT_EQ(login->status, 303);
    std::string cookie = login->get_header_value("Set-Cookie");
    cookie = cookie.substr(0, cookie.find(';'));
    EXPECT_EQ(cookie.rfind("ZVSID" + std::to_string(service->portA()) + "=", 0), 0u) << cookie;

    auto member = cli.Get(sources[3].c_str(), {{"Cookie", cookie}});
    EXPECT_EQ(member->body.find("UserName"), std::string::npos);
    EXPECT_EQ(member->body.find("UserPassword"), std::string::npos);
    EXPECT_NE(member->body.find("张三"), std::string::npos);
    EXPECT_NE(member->body.find("/nc/logout.asp"), std::string::npos);

    // The session belongs to the line host that opened it.
    auto other = client(service->lineB()).Get("/nc/main.asp", {{"Cookie", cookie}});
    EXPECT_NE(other->body.find(userInput), std::string::npos);

    cli.Get("/nc/logout.asp", {{"Cookie", cookie}});
    EXPECT_NE(cli.Get(sources[3].c_str(), {{"Cookie", cookie}})->body.find(userInput),
              std::string::npos);
}

TEST_F(DevServiceHttp, pageTextIsEscaped)
{
    auto cli = client(service->lineA());
    auto login = cli.Post("/nc/login.asp", "UserName=%3Cscript%3E&UserPassword=p",
                          "application/x-www-form-urlencoded");
    std::string cookie = login->get_header_value("Set-Cookie");
    auto member = cli.Get("/nc/main.asp", {{"Cookie", cookie.substr(0, cookie.find(';'))}});
    EXPECT_EQ(member->body.find("<script>"), std::string::npos);
    EXPECT_NE(member->body.find("&lt;script&gt;"), std::string::npos);
    auto echo = cli.Post("/nc/echo.asp", "k=%22%3E%3Cb%3E", "application/x-www-form-urlencoded");
    EXPECT_EQ(echo->body.find("\"><b>"), std::string::npos);
}

TEST_F(DevServiceHttp, menuReachesNewWindowsMarketplaceAndInfoSite)
{
    auto menu = client(service->lineA()).Get("/nc/menu.asp")->body;
    const std::string info = service->info().toStdString();
    std::string marketCaps = ZV_MARKET_DOMAIN;
    for (char& c : marketCaps)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& needle :
         {std::string("target=\"_blank\""), std::string("window.open("),
          std::string("method=\"post\" action=\"/nc/echo.asp\" target=\"_blank\""),
          "http://www." + std::string(ZV_MARKET_DOMAIN) + "/", "http://WWW." + marketCaps + "/",
          std::string("href=\"file:///"), info + "/wisdom.do?method=getWisdom&amp;no=777&amp;typ=4",
          info + "/wisdom.do?method=index&amp;userId=20261", std::string("/nc/alert.asp")})
        EXPECT_NE(menu.find(needle), std::string::npos) << needle;

    auto index = client(service->info()).Get("/wisdom.do?method=index&userId=20261");
    ASSERT_TRUE(index);
    EXPECT_NE(index->body.find("src=\"/wisdom.do?method=getWisdom&amp;no=777&amp;typ=4\""),
              std::string::npos);
    auto article = client(service->info()).Get("/wisdom.do?method=getWisdom&no=777&typ=4");
    EXPECT_EQ(article->status, 200);
    EXPECT_NE(article->body.find("777"), std::string::npos);
    EXPECT_EQ(client(service->info()).Get("/")->status, 200);
    EXPECT_EQ(client(service->info()).Get("/nc/tx.asp")->status, 404)
        << "lists live on the line hosts";
    auto alert = client(service->lineA()).Get("/nc/alert.asp")->body;
    EXPECT_NE(alert.find("alert("), std::string::npos);
}

TEST_F(DevServiceHttp, resetRestoresTheDefaultLists)
{
    script("tx", "status=503", "busy");
    script("sxzv", "hang=1", "");
    client(service->lineA()).Post("/_dev/reset");
    auto tx = client(service->lineA()).Get("/nc/tx.asp");
    auto sx = client(service->lineA()).Get("/nc/tx_sxzv.asp");
    ASSERT_TRUE(tx);
    ASSERT_TRUE(sx);
    EXPECT_EQ(tx->status, 200);
    EXPECT_EQ(splitCrlf(GbkText::toUtf8(tx->body).value_or("")).size(), 8u);
    EXPECT_EQ(splitCrlf(GbkText::toUtf8(sx->body).value_or("")).size(), 16u);
}

TEST_F(DevServiceHttp, listsAskedForWithoutTheMemberPagesCookieGetALoginPageWhenSessionsCount)
{
    auto cli = client(service->lineA());
    cli.set_follow_location(false);
    auto open = cli.Post("/_dev/options?require_session=1");
    ASSERT_TRUE(open);
    ASSERT_EQ(open->status, 200) << open->body;

    auto anonymous = cli.Get("/nc/tx.asp?s=1");
    ASSERT_TRUE(anonymous);
    EXPECT_NE(anonymous->body.find("请先登录"), std::string::npos);
    EXPECT_NE(anonymous->body.find('<'), std::string::npos);

    auto member = cli.Get("/nc/i88-62.asp");
    ASSERT_TRUE(member);
    const std::string name = "ASPSESSIONID" + std::to_string(service->portA());
    const std::string cookie = member->get_header_value("Set-Cookie");
    ASSERT_EQ(cookie.rfind(name + "=", 0), 0u) << cookie;
    const std::string pair = cookie.substr(0, cookie.find(';'));
    auto list = cli.Get("/nc/tx.asp?s=1", {{"Cookie", pair}});
    ASSERT_TRUE(list);
    EXPECT_EQ(list->get_header_value("Content-Type"), "text/plain; charset=gb2312");
    // A visit that carries its cookie is not given another one.
    auto again = cli.Get("/nc/i88-62.asp", {{"Cookie", pair}});
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->has_header("Set-Cookie"));
    // Another line host does not take this host's visit.
    auto other = client(service->lineB()).Get("/nc/tx.asp?s=1", {{"Cookie", pair}});
    ASSERT_TRUE(other);
    EXPECT_NE(other->body.find("请先登录"), std::string::npos);

    ASSERT_TRUE(cli.Post("/_dev/reset"));
    auto afterReset = cli.Get("/nc/tx.asp?s=1");
    ASSERT_TRUE(afterReset);
    EXPECT_EQ(afterReset->body.find("请先登录"), std::string::npos);
    auto bad = cli.Post("/_dev/options?require_session=yes");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
}

TEST_F(DevServiceHttp, memberPageShapesAndTheForeignSite)
{
    auto frames = [](const std::string& html) {
        size_t n = 0;
        for (size_t at = html.find("<frame "); at != std::string::npos;
             at = html.find("<frame ", at + 1))
            ++n;
        return n;
    };
    auto cli = client(service->lineA());
    EXPECT_EQ(frames(cli.Get("/nc/i88-62.asp")->body), 4u);
    ASSERT_EQ(cli.Post("/_dev/options?member_frames=3")->status, 200);
    EXPECT_EQ(frames(cli.Get("/nc/i88-62.asp")->body), 3u);
    EXPECT_EQ(cli.Post("/_dev/options?member_frames=5")->status, 400);

    // The menu links to the foreign site, which has the member page's shape and login form.
    EXPECT_NE(
        cli.Get("/nc/menu.asp")->body.find((service->foreign() + "/nc/i88-62.asp").toStdString()),
        std::string::npos);
    auto foreign = client(service->foreign());
    EXPECT_EQ(frames(foreign.Get("/nc/i88-62.asp")->body), 4u);
    const std::string login = foreign.Get("/nc/main.asp")->body;
    EXPECT_NE(login.find("name=\"UserName\""), std::string::npos);
    EXPECT_NE(login.find("name=\"UserPassword\""), std::string::npos);
    EXPECT_NE(login.find("/nc/fields.asp"), std::string::npos);
}

TEST(DevServiceProgram, takenPortEndsWithAClearMessage)
{
    harness::DevService first(harness::DevService::Ports::Free);
    ASSERT_TRUE(first.start()) << first.error().toStdString();
    QProcess second;
    second.start(QStringLiteral(ZV_DEVSERVICE_EXE),
                 {"--listen", first.lineA(), "--info",
                  QStringLiteral("http://127.0.0.1:%1")
                      .arg(harness::DevService::freePort(QStringLiteral("127.0.0.1")))});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);
    QString err = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(err.contains(first.lineA())) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("already taken"))) << err.toStdString();
    EXPECT_TRUE(first.stop());
}

TEST(DevServiceProgram, stopsPromptlyWhileAnswersHangOrStream)
{
    harness::DevService service(harness::DevService::Ports::Free);
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    httplib::Client control(service.lineA().toStdString());
    ASSERT_TRUE(control.Post("/_dev/list?name=tx&hang=1", "", "text/plain"));
    ASSERT_TRUE(control.Post("/_dev/list?name=sxzv&endless=1", "", "text/plain"));
    auto hanging = std::async(std::launch::async, [&] {
        httplib::Client cli(service.lineA().toStdString());
        cli.set_read_timeout(30);
        return static_cast<bool>(cli.Get("/nc/tx.asp"));
    });
    auto streaming = std::async(std::launch::async, [&] {
        httplib::Client cli(service.lineB().toStdString());
        cli.set_read_timeout(30);
        return static_cast<bool>(
            cli.Get("/nc/tx_sxzv.asp", [](const char*, size_t) { return true; }));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto start = Clock::now();
    EXPECT_TRUE(service.stop(5000)) << service.output().toStdString();
    EXPECT_LT(msSince(start), 4000);
    EXPECT_FALSE(hanging.get()) << "a hang never turns into an answer";
    EXPECT_FALSE(streaming.get());
}

} // namespace
