#include "engine/phrases.h"

#include "engine/byte_image.h"
#include "engine/utf.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace tavrel {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Starts a saved dictionary; another layout needs another mark.
constexpr std::string_view kSavedMark = "tavrel phrases 3\n";
// Output bytes per input byte that UTF-8 buffers are made for at most: a
// block whose phrases need more takes the plain path.
constexpr std::size_t kMaxExpansion = 8;

// The bytes of the UTF-8 of well-formed UTF-16 units.
std::size_t Utf8Size(std::u16string_view units)
{
    std::size_t size = 0;
    for (const char16_t unit : units)
        size += unit < 0x80 ? 1 : IsThreeByteUnit(unit) ? 3 : 2;
    return size;
}

// The trie's child for a whole character: two steps beyond the BMP.
std::uint32_t Step(const PhraseTrie& trie, std::uint32_t node, char32_t c)
{
    if (c < 0x10000)
        return trie.Child(node, static_cast<char16_t>(c));
    node = trie.Child(node, static_cast<char16_t>(0xD7C0 + (c >> 10)));
    return node == PhraseTrie::kRoot ? node : trie.Child(node, static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
}

// The bytes of the longest phrase at `p` in UTF-8, whose first character
// `c` of `length` bytes is known (0 for none), and the phrase's value.
std::size_t MatchUtf8(const PhraseTrie& trie, const unsigned char* p, const unsigned char* end, char32_t c,
                      unsigned length, std::uint32_t& value)
{
    std::size_t matched = 0;
    std::uint32_t node = Step(trie, PhraseTrie::kRoot, c);
    const unsigned char* next = p + length;
    while (node != PhraseTrie::kRoot) {
        if (const std::uint32_t found = trie.Value(node)) {
            value = found;
            matched = static_cast<std::size_t>(next - p);
        }
        if (next == end || (c = DecodeUtf8Char(next, end, length)) == kBadUtf8)
            break;
        node = Step(trie, node, c);
        next += length;
    }
    return matched;
}

}  // namespace

bool PhraseMatcher::Add(std::string_view source, std::string_view target)
{
    std::u16string units;
    if (DecodeUtf8(source, units) != npos || units.empty() || units.size() > kMaxLength)
        return false;
    const Added phrase{static_cast<std::uint32_t>(added_.size()), static_cast<std::uint32_t>(units.size()), 0};
    added_ += units;
    if (DecodeUtf8(target, units) != npos) {
        added_.resize(phrase.begin);
        return false;
    }
    added_ += units;
    phrases_.push_back(phrase);
    phrases_.back().targetSize = static_cast<std::uint32_t>(units.size());
    return true;
}

const PhraseMatcher::Compiled& PhraseMatcher::Built() const
{
    std::call_once(built_, [this] { compiled_ = Build(); });
    return compiled_;
}

// The phrases in source order, each after those of the same source added
// before it: by first unit in one pass, then each first unit's few sorted.
std::vector<std::uint32_t> PhraseMatcher::SortedBySource() const
{
    std::vector<std::uint32_t> starts(0x10001, 0);
    for (const Added& phrase : phrases_)
        ++starts[added_[phrase.begin] + 1];
    for (std::size_t unit = 1; unit < starts.size(); ++unit)
        starts[unit] += starts[unit - 1];
    std::vector<std::uint32_t> order(phrases_.size());
    std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
    for (std::uint32_t i = 0; i < phrases_.size(); ++i)
        order[next[added_[phrases_[i].begin]]++] = i;
    const std::u16string_view added(added_);
    const auto source = [&](std::uint32_t i) { return added.substr(phrases_[i].begin, phrases_[i].sourceSize); };
    for (std::size_t unit = 0; unit + 1 < starts.size(); ++unit) {
        if (starts[unit + 1] - starts[unit] > 1)
            std::stable_sort(order.begin() + starts[unit], order.begin() + starts[unit + 1],
                             [&](std::uint32_t a, std::uint32_t b) { return source(a) < source(b); });
    }
    return order;
}

// The trie of the sources, the last added of each source kept, and the
// targets in UTF-16 and UTF-8.
PhraseMatcher::Compiled PhraseMatcher::Build() const
{
    const std::u16string_view added(added_);
    const auto source = [&](std::uint32_t i) { return added.substr(phrases_[i].begin, phrases_[i].sourceSize); };
    const std::vector<std::uint32_t> order = SortedBySource();
    Compiled built;
    built.units.reserve(added.size());
    built.utf8.reserve(3 * added.size());
    built.targets.reserve(order.size());
    std::vector<PhraseTrie::Key> keys;
    keys.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::u16string_view key = source(order[k]);
        if (k + 1 < order.size() && source(order[k + 1]) == key)
            continue;
        const Added& phrase = phrases_[order[k]];
        const std::u16string_view target = added.substr(phrase.begin + phrase.sourceSize, phrase.targetSize);
        const std::size_t utf8Begin = built.utf8.size();
        EncodeUtf8(target, built.utf8);
        const std::size_t utf8Size = built.utf8.size() - utf8Begin;
        built.targets.push_back({static_cast<std::uint32_t>(built.units.size()), phrase.targetSize,
                                 static_cast<std::uint32_t>(utf8Begin), static_cast<std::uint32_t>(utf8Size)});
        built.units += target;
        keys.push_back({key, static_cast<std::uint32_t>(built.targets.size())});
        const std::size_t sourceSize = Utf8Size(key);
        built.expansion = std::clamp((utf8Size + sourceSize - 1) / sourceSize, built.expansion, kMaxExpansion);
        built.asciiStarts = built.asciiStarts || key[0] < 0x80;
    }
    built.trie = PhraseTrie(keys);
    built.starts = PhraseStarts(keys);
    return built;
}

std::size_t PhraseMatcher::Match(const Compiled& built, std::u16string_view text, std::size_t at,
                                 const Target*& target)
{
    std::size_t length = 0;
    std::uint32_t node = PhraseTrie::kRoot;
    for (std::size_t i = at; i < text.size(); ++i) {
        node = built.trie.Child(node, text[i]);
        if (node == PhraseTrie::kRoot)
            break;
        if (const std::uint32_t value = built.trie.Value(node)) {
            target = &built.targets[value - 1];
            length = i + 1 - at;
        }
    }
    return length;
}

void PhraseMatcher::Convert(std::u16string_view text, const UnitMap& map, std::u16string& out) const
{
    const Compiled& built = Built();
    out.reserve(out.size() + text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Target* target = nullptr;
        if (const std::size_t length = Match(built, text, at, target)) {
            out.append(built.units, target->begin, target->size);
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
    const Compiled& built = Built();
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Target* target = nullptr;
        const std::size_t length = Match(built, text, at, target);
        units += length ? target->size : map.Drops(text[at]) ? 0 : 1;
        if (units > unit)
            return at;
        at += length ? length : 1;
    }
    return text.size();
}

// Converts the characters of `bytes` in place at `out` and puts each
// phrase over its characters' conversion, the trie walked only where the
// filter says a phrase may start, each walk from past the phrase before.
const unsigned char* PhraseMatcher::PatchUtf8(const Compiled& built, std::string_view bytes,
                                              const Utf8Transcoder& characters, char* out)
{
    const auto* const in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + bytes.size();
    if (!built.starts.Usable() || bytes.size() > UINT32_MAX)
        return in;
    // Room for an offset for every three-byte character and one more.
    thread_local std::vector<std::uint32_t> starts;
    starts.resize(std::max(starts.size(), bytes.size() / 3 + 1));
    PhraseStarts::Gatherer gatherer(built.starts, starts.data());
    if (!characters.ConvertInPlace(bytes, out, [&](std::size_t i, char16_t code) { gatherer.See(i, code); }))
        return in;
    const std::uint32_t* const last = gatherer.Finish();
    std::size_t from = 0;
    for (const std::uint32_t* start = starts.data(); start < last; ++start) {
        if (*start < from)
            continue;
        std::uint32_t value = 0;
        const std::size_t matched = MatchUtf8(built.trie, in + *start, end, DecodeThreeBytes(in + *start), 3, value);
        if (matched == 0)
            continue;
        const Target& target = built.targets[value - 1];
        if (target.utf8Size != matched)
            return in + *start;
        std::memcpy(out + *start, built.utf8.data() + target.utf8Begin, matched);
        from = *start + matched;
    }
    return end;
}

char* PhraseMatcher::ConvertUtf8(std::string_view bytes, const Utf8Transcoder& characters, char* out) const
{
    const Compiled& built = Built();
    const char* const limit = out + MaxUtf8Output(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    const unsigned char* const stop = PatchUtf8(built, bytes, characters, out);
    out += stop - p;
    p = stop;
    const bool copyAscii = characters.KeepsAscii() && !built.asciiStarts;
    while (p < end) {
        if (*p < 0x80 && copyAscii) {
            fused::CopyAscii(p, end, out);
            continue;
        }
        unsigned length = 0;
        const char32_t c = DecodeUtf8Char(p, end, length);
        if (c == kBadUtf8)
            return nullptr;
        std::uint32_t value = 0;
        if (const std::size_t matched = MatchUtf8(built.trie, p, end, c, length, value)) {
            const Target& target = built.targets[value - 1];
            // Room stays for three bytes a byte of what follows, whatever a
            // loaded dictionary's expansion said.
            const auto after = static_cast<std::size_t>(end - p) - matched;
            if (static_cast<std::size_t>(limit - out) < target.utf8Size + 3 * after + 4)
                return nullptr;
            std::memcpy(out, built.utf8.data() + target.utf8Begin, target.utf8Size);
            out += target.utf8Size;
            p += matched;
        } else if (characters.Put(c, p, out)) {
            p += length;
        } else {
            return nullptr;
        }
    }
    return out;
}

std::size_t PhraseMatcher::MaxUtf8Output(std::size_t inputSize) const
{
    return Built().expansion * inputSize + 4;
}

std::string PhraseMatcher::Save() const
{
    const Compiled& built = Built();
    std::string bytes(kSavedMark);
    image::Append(bytes, built.targets);
    built.starts.Save(bytes);
    built.trie.Save(bytes);
    image::Append(bytes, built.units);
    image::Append(bytes, built.utf8);
    image::Append(bytes, std::vector<std::uint64_t>{built.asciiStarts, built.expansion});
    return bytes;
}

bool PhraseMatcher::Load(std::string_view bytes)
{
    Compiled loaded;
    std::vector<std::uint64_t> figures;
    if (!bytes.starts_with(kSavedMark))
        return false;
    bytes.remove_prefix(kSavedMark.size());
    if (!image::Take(bytes, loaded.targets) || !loaded.starts.Load(bytes) ||
        !loaded.trie.Load(bytes, static_cast<std::uint32_t>(loaded.targets.size())) ||
        !image::Take(bytes, loaded.units) || !image::Take(bytes, loaded.utf8) || !image::Take(bytes, figures) ||
        !bytes.empty() || figures.size() != 2 || figures[1] < 3 || figures[1] > kMaxExpansion)
        return false;
    const bool inside = std::all_of(loaded.targets.begin(), loaded.targets.end(), [&](const Target& target) {
        return std::uint64_t{target.begin} + target.size <= loaded.units.size() &&
               std::uint64_t{target.utf8Begin} + target.utf8Size <= loaded.utf8.size();
    });
    if (!inside)
        return false;
    loaded.asciiStarts = figures[0] != 0;
    loaded.expansion = static_cast<std::size_t>(figures[1]);
    bool taken = false;
    std::call_once(built_, [&] {
        compiled_ = std::move(loaded);
        taken = true;
    });
    return taken;
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
        utf8 = end == npos ? std::string_view() : utf8.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::size_t tab = line.find('\t');
        if (tab == npos || !phrases.Add(line.substr(0, tab), line.substr(tab + 1)))
            return number;
    }
    return 0;
}

}  // namespace tavrel
