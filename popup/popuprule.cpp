#include "popup/popuprule.h"

#include "startup/twips.h"

namespace PopupRule
{

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
    const double left = double(screen.width() - frame.width()) * Twips::PerPixel - 50;
    const double top = double(screen.height() - frame.height()) * Twips::PerPixel - 500;
    return {Twips::toPixels(left), Twips::toPixels(top)};
}

bool minimisesMainWindow(bool mainVisible, bool mainIsActive)
{
    return mainVisible && !mainIsActive;
}

} // namespace PopupRule
