// The page scripts as text: escaping, report parsing, script addresses.
#include "net/pagescripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace
{

// What a JavaScript engine would read from the literal, decoded as JSON (the literal is valid
// JSON: only JSON escapes are used).
QString decodeLiteral(const QString& literal)
{
    const QByteArray json = "[" + literal.toUtf8() + "]";
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << literal.toStdString();
    return doc.array().at(0).toString();
}

TEST(JsString, hostileTexts_roundTripAndNeverCloseTheLiteralOrScript)
{
    const QStringList texts = {
        QString(),
        QStringLiteral("plain"),
        QStringLiteral("a\"+alert(1)+\""),
        QStringLiteral("a'+alert(1)+'"),
        QStringLiteral("</script><script>alert(1)</script>"),
        QStringLiteral("<!-- -->"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("line\nbreak\r\ttab"),
        QString::fromUtf16(u"sep\u2028par\u2029end"),
        QString::fromUtf16(u"\u0000\u001f\u007f"),
        QString::fromUtf16(u"\u5bc6\u7801 \U0001F600"),
        QStringLiteral("${x}`"),
    };
    for (const QString& text : texts) {
        const QString literal = PageScripts::jsString(text);
        EXPECT_EQ(decodeLiteral(literal), text) << literal.toStdString();
        ASSERT_GE(literal.size(), 2);
        const QString inner = literal.mid(1, literal.size() - 2);
        // No unescaped quote, no markup, no raw line terminators inside the literal.
        EXPECT_FALSE(inner.contains(QRegularExpression(QStringLiteral("(^|[^\\\\])(\\\\\\\\)*\""))))
            << literal.toStdString();
        for (const QChar c : inner) {
            EXPECT_FALSE(c == u'<' || c == u'>' || c == u'\n' || c == u'\r' ||
                         c.unicode() == 0x2028 || c.unicode() == 0x2029 || c.unicode() < 0x20)
                << literal.toStdString();
        }
    }
}

TEST(JsString, unpairedSurrogates_areEscapedNotDropped)
{
    const QString lone = QString(QChar(0xd800)) + QStringLiteral("x") + QChar(0xdc00);
    EXPECT_EQ(PageScripts::jsString(lone), QStringLiteral("\"\\ud800x\\udc00\""));
    const QString pair = QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(PageScripts::jsString(pair), QStringLiteral("\"") + pair + QStringLiteral("\""));
}

TEST(PageScriptsText, valuesEnterScriptsOnlyAsLiterals)
{
    const QString pass = QStringLiteral("x\"); window.top.pwned = 1; (\"");
    const QString host = QStringLiteral("h'];alert(1);//");
    const QString script = PageScripts::fillLoginScript(QStringLiteral("u"), pass, {host});
    EXPECT_TRUE(script.contains(PageScripts::jsString(pass)));
    EXPECT_FALSE(script.contains(pass));
    EXPECT_TRUE(script.contains(PageScripts::jsString(host)));
    const QString url = QStringLiteral("http://h/p?a=\"</script>");
    EXPECT_TRUE(PageScripts::setFrameLocationScript(3, url).contains(PageScripts::jsString(url)));
}

TEST(ParseReport, wellFormedReports)
{
    const auto r = PageScripts::parseReport(
        QStringLiteral(R"({"k":"load","d":"9007199254740991","u":"http://h/a","t":true})"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, FrameReport::Loaded);
    EXPECT_EQ(r->docId, 9007199254740991ull);
    EXPECT_EQ(r->url, QStringLiteral("http://h/a"));
    EXPECT_TRUE(r->isTop);

    struct Case {
        const char* kind;
        FrameReport::Kind expected;
    };
    for (const Case& c : {Case{"created", FrameReport::Created}, Case{"gone", FrameReport::Gone},
                          Case{"menu", FrameReport::ContextMenu}}) {
        const auto k = PageScripts::parseReport(
            QStringLiteral(R"({"k":"%1","d":"5","u":"","t":false})").arg(QLatin1String(c.kind)));
        ASSERT_TRUE(k) << c.kind;
        EXPECT_EQ(k->kind, c.expected);
        EXPECT_FALSE(k->isTop);
    }
}

TEST(ParseReport, malformedReports_areRejected)
{
    for (const char* text :
         {"", "not json", "[1]", R"({"k":"load","u":"x"})", R"({"k":"load","d":"0"})",
          R"({"k":"load","d":"-3"})", R"({"k":"load","d":"12abc"})", R"({"k":"explode","d":"5"})",
          R"({"k":"load","d":5})"})
        EXPECT_FALSE(PageScripts::parseReport(QString::fromUtf8(text))) << text;
}

TEST(ConsoleReport, onlyMessagesCarryingTheTokenCount)
{
    const QString token = QStringLiteral("zvbT0KEN");
    const QString report = QStringLiteral(R"({"k":"load","d":"7","u":"http://h/","t":false})");
    const auto text = PageScripts::consoleReportText(token + QLatin1Char(' ') + report, token);
    EXPECT_EQ(text, std::optional<QString>(report));
    EXPECT_TRUE(text && PageScripts::parseReport(*text));
    EXPECT_FALSE(PageScripts::consoleReportText(report, token));
    EXPECT_FALSE(PageScripts::consoleReportText(token + report, token));
    EXPECT_FALSE(PageScripts::consoleReportText(QStringLiteral("zvbT0KEM ") + report, token));
    EXPECT_FALSE(PageScripts::consoleReportText(QLatin1Char(' ') + report, QString()));
}

TEST(IsScriptUrl, readsTheSchemeAsTheEngineWould)
{
    struct Case {
        const char* url;
        bool script;
    };
    const Case cases[] = {
        {"javascript:alert(1)", true},
        {"JavaScript:alert(1)", true},
        {"  javascript:x", true},
        {"\x01\x1fjavascript:x", true},
        {"java\tscr\nipt:x", true},
        {"http://h/javascript:x", false},
        {"http://127.0.0.1/nc/a", false},
        {"", false},
        {"javascript", false},
        {"vbscript:x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageScripts::isScriptUrl(QString::fromLatin1(c.url)), c.script) << c.url;
}

TEST(ParseResults, invalidResultsCountAsFailure)
{
    EXPECT_EQ(PageScripts::parseFrameCount(QVariant()), -1);
    EXPECT_EQ(PageScripts::parseFrameCount(QVariant(QStringLiteral("4"))), -1);
    EXPECT_EQ(PageScripts::parseFrameCount(QVariant(-1.0)), -1);
    EXPECT_EQ(PageScripts::parseFrameCount(QVariant(4.0)), 4);
    EXPECT_FALSE(PageScripts::parseFillResult(QVariant()).ok);
    EXPECT_FALSE(PageScripts::parseFillResult(QVariant(true)).ok);
    QVariantMap m{{QStringLiteral("ok"), true},
                  {QStringLiteral("frameCount"), 4.0},
                  {QStringLiteral("filled"), 2.0}};
    const LoginFillResult r = PageScripts::parseFillResult(m);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.frameCount, 4);
    EXPECT_EQ(r.filled, 2);
    EXPECT_FALSE(PageScripts::parseBool(QVariant()));
    EXPECT_FALSE(PageScripts::parseBool(QVariant(QStringLiteral("true"))));
    EXPECT_TRUE(PageScripts::parseBool(QVariant(true)));
}

} // namespace
