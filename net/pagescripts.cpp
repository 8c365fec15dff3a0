#include "net/pagescripts.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace
{

// The text of net/scripts/<name>.js, a function expression, read once from the resources.
QString source(const char* name)
{
    static QHash<QByteArray, QString> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        QFile file(QStringLiteral(":/scripts/%1.js").arg(QLatin1String(name)));
        const bool read = file.open(QIODevice::ReadOnly);
        Q_ASSERT_X(read, "PageScripts", name);
        it = cache.insert(name, read ? QString::fromUtf8(file.readAll()) : QString());
    }
    return *it;
}

void appendUnicodeEscape(QString& out, char16_t c)
{
    out += QStringLiteral("\\u");
    out += QString::number(c, 16).rightJustified(4, QLatin1Char('0'));
}

} // namespace

QString PageScripts::jsString(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            out += text.at(i);
            out += text.at(i + 1);
            ++i;
            continue;
        }
        switch (c) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c < 0x20 || c == 0x7f || c == u'<' || c == u'>' || c == u'&' || c == 0x2028 ||
                c == 0x2029 || QChar::isSurrogate(c))
                appendUnicodeEscape(out, c);
            else
                out += QChar(c);
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString PageScripts::frameCountScript()
{
    return source("frameCount") + QStringLiteral("()");
}

QString PageScripts::fillLoginScript(const QString& user, const QString& pass,
                                     const QStringList& hosts)
{
    QStringList quoted;
    for (const QString& h : hosts)
        quoted << jsString(h.toLower());
    return source("fillLogin") +
           QStringLiteral("(%1, %2, [%3])")
               .arg(jsString(user), jsString(pass), quoted.join(QLatin1Char(',')));
}

QString PageScripts::setFrameLocationScript(int index, const QString& url)
{
    return source("setFrameLocation") + QStringLiteral("(%1, %2)").arg(index).arg(jsString(url));
}

QString PageScripts::bridgeScript(const QString& token, const QString& bridgeObject)
{
    return source("bridge") +
           QStringLiteral("(%1, %2);\n").arg(jsString(token), jsString(bridgeObject));
}

int PageScripts::parseFrameCount(const QVariant& result)
{
    const int type = result.typeId();
    if (type != QMetaType::Double && type != QMetaType::Int && type != QMetaType::LongLong)
        return -1;
    const double v = result.toDouble();
    if (!(v >= 0 && v <= 1e9))
        return -1;
    return static_cast<int>(v);
}

LoginFillResult PageScripts::parseFillResult(const QVariant& result)
{
    LoginFillResult r;
    if (result.typeId() != QMetaType::QVariantMap)
        return r;
    const QVariantMap m = result.toMap();
    r.ok = m.value(QStringLiteral("ok")).toBool();
    r.frameCount = m.value(QStringLiteral("frameCount")).toInt();
    r.filled = m.value(QStringLiteral("filled")).toInt();
    return r;
}

bool PageScripts::parseBool(const QVariant& result)
{
    return result.typeId() == QMetaType::Bool && result.toBool();
}

std::optional<FrameReport> PageScripts::parseReport(const QString& json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    FrameReport r;
    const QString kind = o.value(QLatin1String("k")).toString();
    if (kind == QLatin1String("created"))
        r.kind = FrameReport::Created;
    else if (kind == QLatin1String("load"))
        r.kind = FrameReport::Loaded;
    else if (kind == QLatin1String("gone"))
        r.kind = FrameReport::Gone;
    else if (kind == QLatin1String("menu"))
        r.kind = FrameReport::ContextMenu;
    else
        return std::nullopt;
    bool ok = false;
    r.docId = o.value(QLatin1String("d")).toString().toULongLong(&ok);
    if (!ok || r.docId == 0)
        return std::nullopt;
    r.url = o.value(QLatin1String("u")).toString();
    r.isTop = o.value(QLatin1String("t")).toBool();
    return r;
}

std::optional<QString> PageScripts::consoleReportText(const QString& message, const QString& token)
{
    if (token.isEmpty() || message.size() <= token.size() || !message.startsWith(token) ||
        message.at(token.size()) != QLatin1Char(' '))
        return std::nullopt;
    return message.mid(token.size() + 1);
}

bool PageScripts::isScriptUrl(const QString& url)
{
    QString s;
    bool leading = true;
    for (const QChar c : url) {
        if (leading && c.unicode() <= 0x20)
            continue;
        leading = false;
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        s += c;
        if (s.size() >= 11)
            break;
    }
    return s.compare(QLatin1String("javascript:"), Qt::CaseInsensitive) == 0;
}
