// The fake browser walks the fourth frame by the same rules as the engine (same table).
#include "logincases.h"
#include "support/fakebrowser.h"

#include <gtest/gtest.h>

namespace
{

class FakeLoginWalkTest : public ::testing::TestWithParam<LoginCase>
{
};

TEST_P(FakeLoginWalkTest, fillsExactlyTheMatchingFields)
{
    const LoginCase& c = GetParam();
    FakeBrowser fake;
    fake.frames = c.frames;
    for (const LoginField& f : c.fields) {
        // The engine reports an input's type in lower case, "text" when none is given.
        QString type = f.type;
        if (f.tag.toUpper() == QLatin1String("INPUT") && type.isEmpty())
            type = QStringLiteral("text");
        fake.fourthFrame.append({f.tag, type, f.name, QStringLiteral("orig")});
    }
    fake.fourthFrameUrl = QStringLiteral("http://Service.Example:8062/nc/main.asp");
    const QStringList hosts = c.otherHost ? QStringList{QStringLiteral("other.example")}
                                          : QStringList{QStringLiteral("service.example")};
    LoginFillResult result;
    bool done = false;
    fake.fillLogin(QStringLiteral("member"), QStringLiteral("secret"), hosts,
                   [&](LoginFillResult r) {
                       result = r;
                       done = true;
                   });
    EXPECT_FALSE(done); // answers arrive later, as the engine's do
    FakeBrowser::settle();
    ASSERT_TRUE(done);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.frameCount, c.frames);
    EXPECT_EQ(result.filled, c.filled);
    for (qsizetype i = 0; i < c.fields.size(); ++i) {
        const QString& e = c.fields[i].expected;
        const QString expected = e == QLatin1String("U")   ? QStringLiteral("member")
                                 : e == QLatin1String("P") ? QStringLiteral("secret")
                                                           : QStringLiteral("orig");
        EXPECT_EQ(fake.fourthFrame[i].value, expected) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FakeLoginWalkTest, ::testing::ValuesIn(loginCases()),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(FakeBrowser, failingObjectModel_failsEveryCall)
{
    FakeBrowser fake;
    fake.domFails = true;
    int count = 0;
    bool located = true;
    LoginFillResult fill{true, 4, 2};
    fake.frameCount([&](int n) { count = n; });
    fake.setFrameLocation(3, QStringLiteral("http://h/"), [&](bool ok) { located = ok; });
    fake.fillLogin(QStringLiteral("u"), QStringLiteral("p"), {QStringLiteral("127.0.0.1")},
                   [&](LoginFillResult r) { fill = r; });
    FakeBrowser::settle();
    EXPECT_EQ(count, -1);
    EXPECT_FALSE(located);
    EXPECT_FALSE(fill.ok);
    EXPECT_EQ(fill.filled, 0);
    EXPECT_TRUE(fake.frameLocations.isEmpty());
}

} // namespace
