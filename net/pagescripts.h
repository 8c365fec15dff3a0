#pragma once
// The scripts the browser runs in its pages. Each is a JavaScript function expression kept as a
// file of its own (net/scripts/*.js, in the resources), called with its values. Every value put
// into a call is a JavaScript string literal made by jsString, so no user name, password or
// address can end the literal, close a script element or run code of its own.
//
// All scripts run in the browser's isolated script world, never in the page's own one; each
// catches its own exceptions and always returns a value.
#include "net/framereport.h"
#include "net/loginfillresult.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class PageScripts
{
public:
    // A double-quoted JavaScript string literal holding text exactly. Besides JSON's escapes it
    // escapes "<", ">", "&" (so "</script>" and "<!--" never appear), U+2028/U+2029 and
    // unpaired surrogates (which would otherwise be lost on the way into the engine).
    static QString jsString(const QString& text);

    // Number: length of the top document's frames collection, -1 on failure.
    static QString frameCountScript();
    // Object {ok, frameCount, filled}: the login walk over the fourth frame's elements, when that
    // frame's document comes from one of hosts.
    static QString fillLoginScript(const QString& user, const QString& pass,
                                   const QStringList& hosts);
    // Boolean: frames[index].location = url in the top document.
    static QString setFrameLocationScript(int index, const QString& url);
    // Installed in every document at its creation: reports creation, load, unload and trusted
    // context-menu events. Same-origin documents report through the top document's channel
    // object named bridgeObject (the top document has Qt's qwebchannel.js installed before it);
    // others print token + " " + report to the console.
    static QString bridgeScript(const QString& token, const QString& bridgeObject);

    // Results of the scripts above; an invalid or malformed result counts as failure.
    static int parseFrameCount(const QVariant& result);
    static LoginFillResult parseFillResult(const QVariant& result);
    static bool parseBool(const QVariant& result);

    // A report as sent by bridgeScript (the JSON text without the console token).
    static std::optional<FrameReport> parseReport(const QString& json);
    // A console message's report text: what follows the token and a blank, when it starts so.
    static std::optional<QString> consoleReportText(const QString& message, const QString& token);

    // True for a "javascript:" address as the engine's URL parser would read it (leading
    // blanks and control characters skipped, tabs and line breaks ignored, any letter case).
    static bool isScriptUrl(const QString& url);
};
