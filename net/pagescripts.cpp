#include "net/pagescripts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

namespace
{

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
    return QStringLiteral("(function () {\n"
                          "  try { return window.frames.length; } catch (e) { return -1; }\n"
                          "})()");
}

QString PageScripts::fillLoginScript(const QString& user, const QString& pass,
                                     const QStringList& hosts)
{
    // The saved login goes only to the service's own pages: the fourth frame's document must
    // come over http or https from one of the service's hosts. A frame of another origin than
    // the top document refuses access and ends the walk with ok false.
    // The element count is read once; an element that vanishes during the walk or a frame that
    // refuses access ends the walk with ok false. The engine normalises the type property to
    // lower case; the name is compared as the page wrote it.
    QStringList quoted;
    for (const QString& h : hosts)
        quoted << jsString(h.toLower());
    return QStringLiteral("(function (user, pass, hosts) {\n"
                          "  var filled = 0, count = 0;\n"
                          "  try {\n"
                          "    count = window.frames.length;\n"
                          "    if (count !== 4) return {ok: true, frameCount: count, filled: 0};\n"
                          "    var where = window.frames[3].document.location;\n"
                          "    var host = String(where.hostname).toLowerCase()\n"
                          "                   .replace(/^\\[/, '').replace(/\\]$/, '');\n"
                          "    if ((where.protocol !== 'http:' && where.protocol !== 'https:') ||\n"
                          "        hosts.indexOf(host) < 0)\n"
                          "      return {ok: true, frameCount: count, filled: 0};\n"
                          "    var all = window.frames[3].document.getElementsByTagName('*');\n"
                          "    var length = all.length;\n"
                          "    for (var i = 0; i < length; i++) {\n"
                          "      var e = all[i];\n"
                          "      if (String(e.tagName).toUpperCase() !== 'INPUT') continue;\n"
                          "      var type = e.type;\n"
                          "      if (type !== 'text' && type !== 'password') continue;\n"
                          "      var value;\n"
                          "      if (e.name === 'UserName') value = user;\n"
                          "      else if (e.name === 'UserPassword') value = pass;\n"
                          "      else continue;\n"
                          "      e.value = value;\n"
                          "      filled++;\n"
                          "      e.dispatchEvent(new Event('input', {bubbles: true}));\n"
                          "    }\n"
                          "    return {ok: true, frameCount: count, filled: filled};\n"
                          "  } catch (err) {\n"
                          "    return {ok: false, frameCount: count, filled: filled};\n"
                          "  }\n"
                          "})(%1, %2, [%3])")
        .arg(jsString(user), jsString(pass), quoted.join(QLatin1Char(',')));
}

QString PageScripts::setFrameLocationScript(int index, const QString& url)
{
    return QStringLiteral("(function (index, url) {\n"
                          "  try {\n"
                          "    var f = window.frames;\n"
                          "    if (!(index >= 0 && index < f.length)) return false;\n"
                          "    f[index].location = url;\n"
                          "    return true;\n"
                          "  } catch (e) { return false; }\n"
                          "})(%1, %2)")
        .arg(index)
        .arg(jsString(url));
}

QString PageScripts::bridgeScript(const QString& qwebchannelJs, const QString& token,
                                  const QString& bridgeObject)
{
    // The isolated world keeps these names away from the page's own scripts; listeners are added
    // before any page script runs, so the page cannot stop them.
    return qwebchannelJs +
           QStringLiteral(
               "\n;(function (token, objectName) {\n"
               "  'use strict';\n"
               "  if (window.__zvBridgeDoc) return;\n"
               "  var ids = new Uint32Array(2);\n"
               "  crypto.getRandomValues(ids);\n"
               "  var docId = String((ids[0] & 0x1fffff) * 4294967296 + ids[1] || 1);\n"
               "  Object.defineProperty(window, '__zvBridgeDoc', {value: docId});\n"
               "  var isTop = window === window.top;\n"
               "  var log = console.log.bind(console);\n"
               "  var stringify = JSON.stringify;\n"
               "  if (isTop) {\n"
               "    var queue = [], bridge = null, failed = false;\n"
               "    var deliver = function (m) {\n"
               "      if (bridge) bridge.report(m);\n"
               "      else if (failed) log(token + ' ' + m);\n"
               "      else queue.push(m);\n"
               "    };\n"
               "    Object.defineProperty(window, '__zvReport', {value: deliver});\n"
               "    try {\n"
               "      new QWebChannel(qt.webChannelTransport, function (channel) {\n"
               "        bridge = channel.objects[objectName];\n"
               "        var pending = queue; queue = [];\n"
               "        for (var i = 0; i < pending.length; i++) bridge.report(pending[i]);\n"
               "      });\n"
               "    } catch (e) {\n"
               "      failed = true;\n"
               "      for (var j = 0; j < queue.length; j++) log(token + ' ' + queue[j]);\n"
               "      queue = [];\n"
               "    }\n"
               "  }\n"
               "  var send = function (kind) {\n"
               "    var m = stringify({k: kind, d: docId, u: String(location.href), t: isTop});\n"
               "    try { window.top.__zvReport(m); } catch (e) { log(token + ' ' + m); }\n"
               "  };\n"
               "  send('created');\n"
               "  if (document.readyState === 'complete') send('load');\n"
               "  else window.addEventListener('load', function (e) {\n"
               "    if (e.target === document) send('load');\n"
               "  });\n"
               "  window.addEventListener('pagehide', function () { send('gone'); });\n"
               "  window.addEventListener('pageshow', function (e) {\n"
               "    if (e.persisted) { send('created'); send('load'); }\n"
               "  });\n"
               "  window.addEventListener('contextmenu', function (e) {\n"
               "    if (e.isTrusted) send('menu');\n"
               "  }, true);\n"
               "})(%1, %2);\n")
               .arg(jsString(token), jsString(bridgeObject));
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

std::optional<FrameReport> PageScripts::parseConsoleReport(const QString& message,
                                                           const QString& token)
{
    if (token.isEmpty() || message.size() <= token.size() || !message.startsWith(token) ||
        message.at(token.size()) != QLatin1Char(' '))
        return std::nullopt;
    return parseReport(message.mid(token.size() + 1));
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
