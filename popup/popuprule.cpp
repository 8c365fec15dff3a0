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

QString shownTitle(const QString& Ziname, int maxChars)
{
    if (Ziname.size() <= maxChars)
        return Ziname;
    // Not between the two halves of a character outside the basic plane.
    qsizetype cut = maxChars;
    if (cut > 0 && Ziname.at(cut - 1).isHighSurrogate())
        --cut;
    return Ziname.left(cut) + QChar(0x2026);
}

QString titleText(const QString& Ziname)
{
    return QLatin1Char('>') + shownTitle(Ziname, kMaxTitleChars) + QLatin1Char('<');
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
