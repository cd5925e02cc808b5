#include "engine/phrases.h"

#include "engine/utf.h"

#include <bit>
#include <functional>

namespace tavrel {

bool PhraseMatcher::Add(std::u16string source, std::u16string target)
{
    if (source.empty() || source.size() > kMaxLength)
        return false;
    lengths_[source[0]] |= std::uint64_t{1} << (source.size() - 1);
    phrases_.insert_or_assign(std::move(source), std::move(target));
    return true;
}

std::size_t PhraseMatcher::Match(std::u16string_view text, std::size_t at, const std::u16string*& target) const
{
    std::uint64_t lengths = lengths_[text[at]];
    const std::size_t room = text.size() - at;
    if (room < kMaxLength)
        lengths &= (std::uint64_t{1} << room) - 1;
    while (lengths != 0) {
        const std::size_t length = 64 - static_cast<std::size_t>(std::countl_zero(lengths));
        const auto found = phrases_.find(text.substr(at, length));
        if (found != phrases_.end()) {
            target = &found->second;
            return length;
        }
        lengths &= ~(std::uint64_t{1} << (length - 1));
    }
    return 0;
}

void PhraseMatcher::Convert(std::u16string_view text, const UnitMap& map, std::u16string& out) const
{
    out.reserve(out.size() + text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::u16string* target = nullptr;
        if (const std::size_t length = Match(text, at, target)) {
            out += *target;
            at += length;
        } else {
            if (!map.Drops(text[at]))
                out += map[text[at]];
            ++at;
        }
    }
}

std::size_t PhraseMatcher::SourceOf(std::u16string_view text, const UnitMap& map, std::size_t unit) const
{
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::u16string* target = nullptr;
        std::size_t length = Match(text, at, target);
        units += length ? target->size() : map.Drops(text[at]) ? 0 : 1;
        if (units > unit)
            return at;
        at += length ? length : 1;
    }
    return text.size();
}

std::size_t AddPhraseLines(PhraseMatcher& phrases, std::string_view utf8)
{
    std::size_t number = 0;
    if (utf8.starts_with("\xEF\xBB\xBF"))
        utf8.remove_prefix(3);
    while (!utf8.empty()) {
        ++number;
        const std::size_t end = utf8.find('\n');
        std::string_view line = utf8.substr(0, end);
        utf8 = end == std::string_view::npos ? std::string_view() : utf8.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::size_t tab = line.find('\t');
        std::u16string source;
        std::u16string target;
        constexpr std::size_t npos = std::string_view::npos;
        if (tab == npos || DecodeUtf8(line.substr(0, tab), source) != npos ||
            DecodeUtf8(line.substr(tab + 1), target) != npos || !phrases.Add(std::move(source), std::move(target)))
            return number;
    }
    return 0;
}

}  // namespace tavrel
