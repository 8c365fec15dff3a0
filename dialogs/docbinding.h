#pragma once
// The browser window's three document bindings. Two pages of the information site keep a binding
// each; every other document that completes takes the general one, dropping the one before it.
// A right click in a bound document shows the window's own menu.
#include <QString>

class DocBinding
{
public:
    enum class Slot { Dom, Dom1, Dom2 };

    // Paths of the two information-site pages, after the site's base address.
    static constexpr QLatin1String kWisdomPath{"/wisdom.do?method=getWisdom&no=777&typ=4"};
    static constexpr QLatin1String kIndexPath{"/wisdom.do?method=index&userId=20261"};

    // The binding a completed document at url takes: the whole address compared, letter case
    // included, with infoSiteBase followed by one of the two paths.
    static Slot slotFor(const QString& url, const QString& infoSiteBase);

    explicit DocBinding(const QString& infoSiteBase);

    // A document finished loading. docId 0 (no document) leaves every binding as it was.
    void documentComplete(quint64 docId, const QString& url);

    // True when docId is held by one of the three bindings.
    bool isBound(quint64 docId) const;

    quint64 M_Dom() const { return dom_; }
    quint64 M_Dom1() const { return dom1_; }
    quint64 M_Dom2() const { return dom2_; }

private:
    QString infoSiteBase_;
    quint64 dom_ = 0;
    quint64 dom1_ = 0;
    quint64 dom2_ = 0;
};
