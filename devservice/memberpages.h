#pragma once
// The member pages of a line host, as HTML text (UTF-8). The member page "/nc/i88-62.asp" is a
// frameset of four frames: "top" banner, "menu" on the left, "news" and "main", the fourth,
// which shows the login form or the member area and receives the item pages.
#include "devservice/listcatalog.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class MemberPages
{
public:
    struct Site {
        std::string host;         // "127.0.0.1:18062", shown in the banner
        std::string infoBase;     // the information site, "http://127.0.0.1:18070"
        std::string marketDomain; // the marketplace's domain, "market.example"
        std::string foreignBase;  // another site of the same shape, "http://127.0.0.9:18062"
    };
    using Fields = std::vector<std::pair<std::string, std::string>>;

    // The member page; with fewer frames than four, the first `frames` of them (a page on
    // which the fourth frame cannot take an item).
    static std::string frameset(int frames = 4);
    static std::string top(const Site& site, const std::string& today);
    static std::string menu(const Site& site);
    static std::string news(const std::vector<ListCatalog::Item>& items);
    // The fourth frame before a login; `problem` is shown above the form when not empty. The
    // form reports what its two fields hold (GET /nc/fields.asp?UserName=..&UserPassword=..) when
    // it loads and whenever that changes, so that a test can see what was typed into it.
    static std::string login(const std::string& problem);
    // A page that asks for a login first: what the lists answer without a session.
    static std::string loginFirst();
    // The pages of another site that has the member page's shape and the same login form.
    static std::string foreignTop();
    static std::string foreignPage(const std::string& title, const std::string& text);
    // The fourth frame after a login: no login inputs, a logout link.
    static std::string memberArea(const std::string& user,
                                  const std::vector<ListCatalog::Item>& items);
    // An item page; `item` is the list entry when the id is known.
    static std::string item(int id, const std::optional<ListCatalog::Item>& item);
    // Echo of a submitted form.
    static std::string echo(const std::string& method, const std::string& contentType,
                            const Fields& fields, const std::string& body);
    // The page window.open() opens; it asks for yet more windows itself.
    static std::string newWindowPage();
    // A page that raises alert() and then a script error.
    static std::string alertPage();
    // The page behind the link that carries the marketplace's address only in its query.
    static std::string goPage(const std::string& target);
    static std::string notFound(const std::string& path);

    // A complete document around `body`.
    static std::string page(const std::string& title, const std::string& body,
                            const std::string& head = std::string());
};
