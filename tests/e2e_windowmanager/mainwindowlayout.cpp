#include "e2e_windowmanager/mainwindowlayout.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace harness
{

std::optional<MainWindowLayout> lastLayout(const Program& zv)
{
    const QStringList lines = zv.traceOf(QStringLiteral("layout"));
    if (lines.isEmpty())
        return std::nullopt;
    static const QRegularExpression re(
        QStringLiteral("^client (\\S+) Command2 (\\S+) mima (\\S+) browser (\\S+)$"));
    const auto m = re.match(lines.last());
    if (!m.hasMatch())
        return std::nullopt;
    const auto rect = [](const QString& text) {
        static const QRegularExpression r(QStringLiteral("^(-?\\d+),(-?\\d+),(\\d+)x(\\d+)$"));
        const auto p = r.match(text);
        return QRect(p.captured(1).toInt(), p.captured(2).toInt(), p.captured(3).toInt(),
                     p.captured(4).toInt());
    };
    return MainWindowLayout{rect(m.captured(1)), rect(m.captured(2)), rect(m.captured(3)),
                            rect(m.captured(4))};
}

void expectControlsInside(const Program& zv, WindowId w)
{
    const QSize client = geometry(w).client.size();
    const QRect inside(QPoint(0, 0), client);
    const std::optional<MainWindowLayout> l = lastLayout(zv);
    ASSERT_TRUE(l.has_value()) << zv.trace().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(l->client.size(), client) << "laid out for a size the window does not have";
    EXPECT_TRUE(inside.contains(l->browser))
        << "browser " << l->browser.x() << "," << l->browser.y() << " " << l->browser.width() << "x"
        << l->browser.height() << " in " << client.width() << "x" << client.height();
    EXPECT_TRUE(inside.contains(l->command2))
        << "Command2 right edge " << l->command2.right() << " in width " << client.width();
    EXPECT_TRUE(inside.contains(l->mima));
    EXPECT_FALSE(l->command2.intersects(l->mima));
}

} // namespace harness
