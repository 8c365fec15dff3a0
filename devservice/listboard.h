#pragma once
// What the two list endpoints answer right now, shared by every listener. Without a script a
// list answers its current items (the defaults, moved on by the demo) as GBK text.
#include "devservice/listcatalog.h"
#include "devservice/listscript.h"

#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

class ListBoard
{
public:
    ListBoard();

    // Scripts answer from now on, for every line host; `name` is "tx" or "sxzv".
    void setScript(const std::string& name, ListScript script);
    // Back to the default lists, scripts dropped.
    void reset();

    // The answer of list `name` at this moment.
    ListScript answer(const std::string& name) const;

    // One demo step: a new item in a random message category and a new series entry, dated
    // `today` (YYYY-MM-DD).
    void demoStep(std::mt19937& rng, const std::string& today);

    // Every item the lists have carried, for the item pages.
    std::optional<ListCatalog::Item> find(int id) const;
    // The current message items, line 0 to 7.
    std::vector<ListCatalog::Item> messages() const;

private:
    void remember(const ListCatalog::Item& item);

    mutable std::mutex mutex_;
    std::vector<ListCatalog::Item> messages_;
    std::vector<ListCatalog::Item> series_;
    std::map<std::string, ListScript> scripts_;
    std::map<int, ListCatalog::Item> known_;
    int nextId_ = 0;
    unsigned demoCount_ = 0;
};
