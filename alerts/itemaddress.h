#pragma once
// The address of an item's page: the server line's base URL with the item's path appended.
#include <QString>
#include <optional>

namespace ItemAddress
{

// base + path when path is a path on the line's own server: it starts with "/" (not "//") and the
// joined address keeps the scheme, host and port of base. Anything else gives nothing, so a list
// line can never point a popup at another host.
std::optional<QString> resolve(const QString& base, const QString& path);

} // namespace ItemAddress
