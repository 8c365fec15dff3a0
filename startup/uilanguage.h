#pragma once
// The program speaks Simplified Chinese whatever the system's locale: Qt's own texts (the
// buttons of message boxes, the browser's menus) come from Qt's Chinese translations, and the
// browser engine runs in Chinese and asks web pages for Chinese.
#include <QByteArray>

class QCoreApplication;

namespace UiLanguage
{

// The Accept-Language of every request the program makes.
inline constexpr const char* kAcceptLanguage = "zh-CN,zh;q=0.9";

// Makes zh_CN the default locale (the browser engine takes its language from it when it starts)
// and installs Qt's Simplified Chinese translations that are there; returns how many were
// installed. Call once, before any window or browser is made.
int install(QCoreApplication& app);

} // namespace UiLanguage
