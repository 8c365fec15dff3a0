#include "popup/popuprule.h"

#include <cmath>

namespace PopupRule
{

namespace
{
constexpr int TwipsPerPixel = 15;
int twipsToPixels(qint64 twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}
} // namespace

QString caption()
{
    return QStringLiteral("有新信息，请注意查看！");
}

bool declinesTitle(const QString& Ziname)
{
    return Ziname.contains(QLatin1String("arial"), Qt::CaseInsensitive);
}

bool closesOnNewPopup(qint64 n, qint64 msnCount)
{
    return n + 2 < msnCount;
}

QString titleText(const QString& Ziname)
{
    return QLatin1Char('>') + Ziname + QLatin1Char('<');
}

QPoint position(const QSize& screen, const QSize& frame)
{
    const qint64 left = qint64(screen.width() - frame.width()) * TwipsPerPixel - 50;
    const qint64 top = qint64(screen.height() - frame.height()) * TwipsPerPixel - 500;
    return {twipsToPixels(left), twipsToPixels(top)};
}

bool minimisesMainWindow(bool mainVisible, bool mainIsActive)
{
    return mainVisible && !mainIsActive;
}

} // namespace PopupRule
