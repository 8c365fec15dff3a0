// The development service's own rules: command line, control options, log lines, texts.
#include "devservice/gbktext.h"
#include "devservice/jsontext.h"
#include "devservice/listboard.h"
#include "devservice/listcatalog.h"
#include "devservice/listscript.h"
#include "devservice/querytext.h"
#include "devservice/requestlog.h"
#include "devservice/serviceoptions.h"
#include "devservice/sessionstore.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

struct UrlCase {
    const char* url;
    const char* host; // nullptr: refused
    int port;
};

class ServiceUrl : public ::testing::TestWithParam<UrlCase>
{
};

TEST_P(ServiceUrl, onlyLoopbackHostsWithAPort)
{
    const UrlCase& c = GetParam();
    std::string error;
    auto address = ServiceOptions::parseUrl(c.url, error);
    if (!c.host) {
        EXPECT_FALSE(address) << c.url;
        EXPECT_FALSE(error.empty());
        return;
    }
    ASSERT_TRUE(address) << c.url << ": " << error;
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
}

INSTANTIATE_TEST_SUITE_P(Addresses, ServiceUrl,
                         ::testing::Values(UrlCase{"http://127.0.0.1:18062", "127.0.0.1", 18062},
                                           UrlCase{"http://127.0.0.3:8062/", "127.0.0.3", 8062},
                                           UrlCase{"http://127.255.0.9:1", "127.255.0.9", 1},
                                           UrlCase{"http://localhost:8070", "127.0.0.1", 8070},
                                           UrlCase{"http://10.0.0.1:8062", nullptr, 0},
                                           UrlCase{"http://0.0.0.0:8062", nullptr, 0},
                                           UrlCase{"http://example.com:80", nullptr, 0},
                                           UrlCase{"https://127.0.0.1:443", nullptr, 0},
                                           UrlCase{"http://127.0.0.1", nullptr, 0},
                                           UrlCase{"http://127.0.0.1:0", nullptr, 0},
                                           UrlCase{"http://127.0.0.1:65536", nullptr, 0},
                                           UrlCase{"http://127.0.0.1:80x", nullptr, 0},
                                           UrlCase{"http://127.0.0.1:80/nc", nullptr, 0}));

TEST(ServiceCommandLine, defaultsRepeatsAndMistakes)
{
    std::string error;
    auto defaults = ServiceOptions::parse({}, error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->listen.size(), 4u) << "the build's four lines";
    EXPECT_FALSE(defaults->demo);

    auto given = ServiceOptions::parse({"--listen", "http://127.0.0.1:1001", "--listen",
                                        "http://127.0.0.2:1001", "--info", "http://127.0.0.1:1002",
                                        "--demo", "--log", "/tmp/x"},
                                       error);
    ASSERT_TRUE(given) << error;
    ASSERT_EQ(given->listen.size(), 2u);
    EXPECT_EQ(given->listen[1].url(), "http://127.0.0.2:1001");
    EXPECT_EQ(given->info.url(), "http://127.0.0.1:1002");
    EXPECT_TRUE(given->demo);
    EXPECT_EQ(given->logFile, "/tmp/x");

    EXPECT_FALSE(ServiceOptions::parse({"--listen"}, error));
    EXPECT_FALSE(ServiceOptions::parse({"--port", "1"}, error));
    EXPECT_FALSE(ServiceOptions::parse(
        {"--listen", "http://127.0.0.1:1001", "--info", "http://127.0.0.1:1001/"}, error));
    EXPECT_NE(error.find("twice"), std::string::npos) << error;
}

TEST(ListScriptOptions, readsEveryOptionAndRefusesBadValues)
{
    std::string error;
    auto script = ListScript::parse({{"status", "503"},
                                     {"delay_ms", "250"},
                                     {"size", "10"},
                                     {"hang", "1"},
                                     {"reset", "0"},
                                     {"endless", "true"}},
                                    "一", error);
    ASSERT_TRUE(script) << error;
    EXPECT_EQ(script->status, 503);
    EXPECT_EQ(script->delayMs, 250);
    EXPECT_EQ(script->size, 10u);
    EXPECT_TRUE(script->hang);
    EXPECT_FALSE(script->reset);
    EXPECT_TRUE(script->endless);
    EXPECT_EQ(script->body, "\xD2\xBB") << "UTF-8 text is served as GBK";

    const std::multimap<std::string, std::string> bad[] = {
        {{"status", "99"}},  {{"status", "1000"}}, {{"status", ""}},
        {{"status", "2e2"}}, {{"delay_ms", "-1"}}, {{"delay_ms", "3600001"}},
        {{"size", "-3"}},    {{"hang", "yes"}},    {{"size", "99999999999"}},
    };
    for (const auto& params : bad) {
        error.clear();
        EXPECT_FALSE(ListScript::parse(params, "x", error)) << params.begin()->first;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(ListScript::parse({}, "\xff", error)) << "not UTF-8";
    auto raw = ListScript::parse({{"raw", "1"}}, std::string("\xff\0", 2), error);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->body, std::string("\xff\0", 2));
}

TEST(ListScriptOptions, sizedPiecesRepeatTheBodyAndStopAtTheSize)
{
    ListScript script;
    script.body = "abc";
    script.size = 7;
    EXPECT_EQ(script.sizedPiece(0, 100), "abcabca");
    EXPECT_EQ(script.sizedPiece(5, 100), "ca");
    EXPECT_EQ(script.sizedPiece(7, 100), "");
    EXPECT_EQ(script.sizedPiece(2, 3), "cab");
    script.body.clear();
    EXPECT_EQ(script.sizedPiece(0, 3), "xxx");
}

TEST(ListContent, defaultsFollowTheLineFormat)
{
    auto messages = ListCatalog::defaultMessages();
    ASSERT_EQ(messages.size(), 8u);
    EXPECT_EQ(messages[0].line(),
              "10234,央行宣布下调存款准备金率,Zelvar政策,/nc/show.asp?id=10234,2026-12-07");
    std::string joined = ListCatalog::join(messages);
    EXPECT_EQ(joined.substr(joined.size() - 2), "07") << "no separator after the last line";
    EXPECT_TRUE(GbkText::fromUtf8(joined)) << "every default is GBK text";
    EXPECT_EQ(ListCatalog::defaultSeries().size(), 16u);
}

TEST(ListContent, scriptedListsGiveTheirItemsTitledPages)
{
    auto items = ListCatalog::parse("555,新标题,机构密函,/nc/show.asp?id=555,2026-12-08\r\n"
                                    "\r\n"
                                    "1,no path,x\r\n"
                                    "2,elsewhere,x,/nc/other.asp?id=2\r\n"
                                    "3,bad id,x,/nc/show.asp?id=3x\r\n"
                                    "7,短,Zelvar政策,/nc/show.asp?id=7");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].line(), "555,新标题,机构密函,/nc/show.asp?id=555,2026-12-08");
    EXPECT_EQ(items[1].id, 7);
    EXPECT_EQ(items[1].date, "");

    ListBoard board;
    std::string error;
    board.setScript("tx", *ListScript::parse({}, "555,新标题,机构密函,/nc/show.asp?id=555", error));
    ASSERT_TRUE(board.find(555));
    EXPECT_EQ(board.find(555)->title, "新标题");
}

TEST(ListContent, demoStepsChangeOneMessageLineWithTitlesSafeForTheFormat)
{
    ListBoard board;
    std::mt19937 rng(7);
    const std::string before = board.answer("tx").body;
    for (int step = 0; step < 40; ++step) {
        board.demoStep(rng, "2026-12-08");
        auto items = board.messages();
        for (const auto& item : items) {
            EXPECT_EQ(item.title.find(','), std::string::npos) << item.title;
            std::string lower = item.title;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_EQ(lower.find("arial"), std::string::npos);
            EXPECT_TRUE(board.find(item.id)) << "its item page knows it";
        }
    }
    EXPECT_NE(board.answer("tx").body, before);
    EXPECT_TRUE(GbkText::fromUtf8(ListCatalog::join(board.messages())));
    board.reset();
    EXPECT_EQ(board.answer("tx").body, before);
}

TEST(RequestLogLines, jsonCarriesTextBodiesAndBase64ForBytes)
{
    RequestLog::Entry entry;
    entry.seq = 3;
    entry.timeMs = 12;
    entry.method = "POST";
    entry.host = "127.0.0.1:1";
    entry.path = "/nc/echo.asp";
    entry.query = "a=\"1\"";
    entry.headers = {{"Accept", "a"}, {"X-K", "1"}, {"x-k", "2"}};
    entry.body = "中\n";
    EXPECT_EQ(RequestLog::toJson(entry),
              "{\"seq\":3,\"time_ms\":12,\"method\":\"POST\",\"host\":\"127.0.0.1:1\","
              "\"path\":\"/nc/echo.asp\",\"query\":\"a=\\\"1\\\"\",\"headers\":{\"Accept\":\"a\","
              "\"X-K\":\"1, 2\"},\"body\":\"中\\n\"}");
    entry.body = std::string("\xC0\xAF\x01", 3); // an overlong form is not UTF-8
    EXPECT_NE(RequestLog::toJson(entry).find("\"body_base64\":\"wK8B\""), std::string::npos);

    RequestLog log;
    log.add(entry);
    log.add(entry);
    log.clear();
    log.add(entry);
    EXPECT_EQ(log.jsonLines().rfind("{\"seq\":3,", 0), 0u) << "numbers are never reused";
    EXPECT_TRUE(log.jsonLines(3).empty());
}

TEST(TextPieces, jsonQuotingAndUtf8Validity)
{
    EXPECT_EQ(JsonText::quote(std::string("a\x01\t\\", 4)), "\"a\\u0001\\t\\\\\"");
    EXPECT_EQ(JsonText::quote("\xff"), "\"\\ufffd\"");
    EXPECT_TRUE(JsonText::isValidUtf8("Zelvar快报😀"));
    EXPECT_FALSE(JsonText::isValidUtf8("\xED\xA0\x80")) << "surrogate";
    EXPECT_FALSE(JsonText::isValidUtf8("\xE4\xB8")) << "cut short";
    EXPECT_EQ(JsonText::base64(""), "");
    EXPECT_EQ(JsonText::base64("f"), "Zg==");
    EXPECT_EQ(JsonText::base64("fo"), "Zm8=");
    EXPECT_EQ(JsonText::base64("foo"), "Zm9v");
}

TEST(TextPieces, queriesAndCookies)
{
    auto pairs = QueryText::parse("b=%E4%B8%AD+x&a&&c=1%2&d=%zz");
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], std::make_pair(std::string("b"), std::string("中 x")));
    EXPECT_EQ(pairs[1], std::make_pair(std::string("a"), std::string()));
    EXPECT_EQ(pairs[2].second, "1%2");
    EXPECT_EQ(pairs[3].second, "%zz");
    EXPECT_EQ(QueryText::pathOf("/nc/tx.asp?s=1?2"), "/nc/tx.asp");
    EXPECT_EQ(QueryText::queryOf("/nc/tx.asp?s=1?2"), "s=1?2");

    EXPECT_EQ(SessionStore::cookieValue("a=1; ZVSID80=tok; ZVSID8062=x", "ZVSID80"), "tok");
    EXPECT_EQ(SessionStore::cookieValue("ZVSID8062=x", "ZVSID80"), "");
    SessionStore sessions;
    std::string token = sessions.open("127.0.0.1:80", "u");
    EXPECT_EQ(sessions.user("127.0.0.1:80", token), "u");
    EXPECT_FALSE(sessions.user("127.0.0.1:803", token)) << "another line host";
    sessions.close(token);
    EXPECT_FALSE(sessions.user("127.0.0.1:80", token));
}

} // namespace
