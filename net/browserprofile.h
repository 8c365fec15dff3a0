#pragma once
// The program's one browser profile, shared by every browser window: the member's session holds
// in all of them, and a page's new-window request can be handed from one to another. Made and
// set up on first use: pages are asked for in Simplified Chinese, and the page fetch shares the
// profile's cookies.
class QWebEngineProfile;

namespace BrowserProfile
{

QWebEngineProfile* get();

} // namespace BrowserProfile
