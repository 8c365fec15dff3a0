#include "devservice/listboard.h"

#include "devservice/gbktext.h"

namespace
{
constexpr size_t kKnownLimit = 100000;
}

ListBoard::ListBoard()
{
    reset();
}

void ListBoard::reset()
{
    std::lock_guard lock(mutex_);
    messages_ = ListCatalog::defaultMessages();
    series_ = ListCatalog::defaultSeries();
    scripts_.clear();
    for (const auto& item : messages_)
        remember(item);
    for (const auto& item : series_)
        remember(item);
    if (nextId_ == 0)
        nextId_ = 10301;
}

void ListBoard::setScript(const std::string& name, ListScript script)
{
    std::lock_guard lock(mutex_);
    // Items of a scripted list get item pages with their own titles, as the defaults do.
    if (auto text = GbkText::toUtf8(script.body)) {
        for (const auto& item : ListCatalog::parse(*text))
            remember(item);
    }
    scripts_[name] = std::move(script);
}

ListScript ListBoard::answer(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    auto it = scripts_.find(name);
    if (it != scripts_.end())
        return it->second;
    ListScript current;
    std::string text = ListCatalog::join(name == "sxzv" ? series_ : messages_);
    // The catalog's texts are all GBK-encodable.
    current.body = GbkText::fromUtf8(text).value_or(std::string());
    return current;
}

void ListBoard::demoStep(std::mt19937& rng, const std::string& today)
{
    std::lock_guard lock(mutex_);
    int category = std::uniform_int_distribution<int>(0, ListCatalog::categoryCount - 1)(rng);
    ListCatalog::Item item;
    item.id = nextId_++;
    item.title = ListCatalog::demoTitle(category, ++demoCount_);
    item.category = ListCatalog::categories()[static_cast<size_t>(category)];
    item.date = today;
    messages_[static_cast<size_t>(category)] = item;
    remember(item);

    int line = std::uniform_int_distribution<int>(0, ListCatalog::seriesLength - 1)(rng);
    ListCatalog::Item entry;
    entry.id = nextId_++;
    entry.title = ListCatalog::demoSeriesTitle(ListCatalog::seriesLength + demoCount_);
    entry.category = ListCatalog::seriesCategory();
    entry.date = today;
    series_[static_cast<size_t>(line)] = entry;
    remember(entry);
}

std::optional<ListCatalog::Item> ListBoard::find(int id) const
{
    std::lock_guard lock(mutex_);
    auto it = known_.find(id);
    if (it == known_.end())
        return std::nullopt;
    return it->second;
}

std::vector<ListCatalog::Item> ListBoard::messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

void ListBoard::remember(const ListCatalog::Item& item)
{
    if (known_.size() >= kKnownLimit)
        known_.erase(known_.begin());
    known_[item.id] = item;
}
