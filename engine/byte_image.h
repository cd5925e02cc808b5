#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace tavrel::image {

// Vectors and strings of plain values as bytes in this machine's own layout
// (a count, then the items), for a cache that the same machine reads back.

template <class Items>
void Append(std::string& bytes, const Items& items)
{
    const std::uint64_t count = items.size();
    bytes.append(reinterpret_cast<const char*>(&count), sizeof count);
    bytes.append(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(items[0]));
}

// Reads what Append wrote from the front of `bytes`, moving past it; false
// when `bytes` are too short for it.
template <class Items>
bool Take(std::string_view& bytes, Items& items)
{
    using Item = std::remove_cvref_t<decltype(items[0])>;
    std::uint64_t count = 0;
    if (bytes.size() < sizeof count)
        return false;
    std::memcpy(&count, bytes.data(), sizeof count);
    bytes.remove_prefix(sizeof count);
    if (count > bytes.size() / sizeof(Item))
        return false;
    items.resize(static_cast<std::size_t>(count));
    if (count > 0)
        std::memcpy(items.data(), bytes.data(), items.size() * sizeof(Item));
    bytes.remove_prefix(items.size() * sizeof(Item));
    return true;
}

}  // namespace tavrel::image
