#pragma once
// Which addresses may leave the program and which may be shown in its own browser window.
//
// Pages ask for new windows with whatever address they like. Only web addresses are handed to the
// desktop's default browser; other schemes (file:, javascript:, data:, registered protocol
// handlers) would let a page start local programs or open local files, so they are dropped.
#include <QString>

namespace UrlRules
{

// Where a new-window request of the member page goes.
enum class NewWindowRoute {
    DefaultBrowser, // a marketplace address: the desktop's default browser
    BrowserWindow,  // a new browser window of our own
    Drop,           // nowhere: the request is cancelled and nothing opens
};

// True when url's host is domain or a host below it (www.domain), letter case ignored; the rest of
// the address does not count, so a page cannot send any site to the default browser by naming
// the marketplace in a query. An empty domain matches nothing.
bool isMarketplace(const QString& url, const QString& domain);

// True for http and https addresses with a host: the only ones the default browser is given.
bool isWebAddress(const QString& url);

// True for web addresses and for about:blank (an empty address means about:blank): what our own
// browser window may show.
bool mayShowInBrowserWindow(const QString& url);

// The member page's new-window request: the marketplace test first, then the scheme rule.
NewWindowRoute routeNewWindow(const QString& url, const QString& marketDomain);

// The address a new browser window navigates to: about:blank for an empty one.
QString browserWindowAddress(const QString& url);

// What becomes of a navigation in any frame of any of the program's browsers, as the engine asks.
enum class Navigation {
    Allow,       // web pages, and the engine's own blank and srcdoc documents
    MailProgram, // a mail link the member clicked: the desktop's mail program
    Refuse,      // every other scheme, clicked or set by script
};
Navigation navigation(const QString& url, bool clickedLink);

// What of a clicked mail link (a mailto: address, fully encoded) the mail program is given: its
// addresses and the usual fields (to, cc, bcc, subject, body), each as it was written. Any other
// field is dropped: some mail programs attach the file that an attach= or attachment= names, and
// a page could have the member's settings file, password and all, sent anywhere.
QString mailProgramAddress(const QString& url);

} // namespace UrlRules
