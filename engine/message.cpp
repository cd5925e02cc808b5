#include "engine/message.h"

#include <cstdint>

namespace tavrel {

namespace {

// Reads the 32-bit number at `offset` of a catalogue in the given byte order;
// nothing past the end.
std::optional<std::uint32_t> Number(std::string_view bytes, std::size_t offset, bool bigEndian)
{
    if (offset > bytes.size() || bytes.size() - offset < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[offset + (bigEndian ? i : 3 - i)]);
        value = value << 8 | byte;
    }
    return value;
}

// The string described at entry `index` of the table at `table`: a length
// and an offset.
std::optional<std::string_view> TableString(std::string_view bytes, std::uint32_t table, std::uint32_t index,
                                            bool bigEndian)
{
    const std::size_t entry = std::size_t{table} + std::size_t{index} * 8;
    const auto length = Number(bytes, entry, bigEndian);
    const auto offset = Number(bytes, entry + 4, bigEndian);
    if (!length || !offset || *offset > bytes.size() || bytes.size() - *offset < *length)
        return std::nullopt;
    return bytes.substr(*offset, *length);
}

// The argument number of a placeholder "{N}" starting at `at`, and where it
// ends; nothing when no placeholder starts there.
std::optional<std::pair<std::size_t, std::size_t>> Placeholder(std::string_view format, std::size_t at)
{
    std::size_t number = 0;
    std::size_t i = at + 1;
    while (i < format.size() && i - at <= 3 && format[i] >= '0' && format[i] <= '9')
        number = number * 10 + static_cast<std::size_t>(format[i++] - '0');
    if (i == at + 1 || i >= format.size() || format[i] != '}')
        return std::nullopt;
    return std::pair{number, i + 1};
}

}  // namespace

std::optional<Catalogue> Catalogue::FromMo(std::string_view bytes)
{
    constexpr std::uint32_t kMagic = 0x950412DE;
    bool bigEndian = false;
    if (Number(bytes, 0, false) != kMagic) {
        bigEndian = true;
        if (Number(bytes, 0, true) != kMagic)
            return std::nullopt;
    }
    const auto revision = Number(bytes, 4, bigEndian);
    const auto count = Number(bytes, 8, bigEndian);
    const auto originals = Number(bytes, 12, bigEndian);
    const auto translations = Number(bytes, 16, bigEndian);
    if (!revision || *revision >> 16 != 0 || !count || !originals || !translations)
        return std::nullopt;
    Catalogue catalogue;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto original = TableString(bytes, *originals, i, bigEndian);
        const auto translation = TableString(bytes, *translations, i, bigEndian);
        if (!original || !translation)
            return std::nullopt;
        // The empty original is the catalogue's header, not a message.
        if (!original->empty())
            catalogue.translations_.emplace(*original, *translation);
    }
    return catalogue;
}

std::string_view Catalogue::Translate(std::string_view format) const
{
    const auto found = translations_.find(std::string(format));
    return found == translations_.end() || found->second.empty() ? format : std::string_view(found->second);
}

Message Message::Plain(std::string text)
{
    Message message;
    message.format_ = std::move(text);
    return message;
}

Message Message::Format(const char* format, std::vector<Message> arguments)
{
    Message message;
    message.format_ = format;
    message.arguments_ = std::move(arguments);
    message.translatable_ = true;
    return message;
}

std::string Message::Text(const Catalogue* catalogue) const
{
    if (!translatable_)
        return format_;
    const std::string_view format = catalogue ? catalogue->Translate(format_) : std::string_view(format_);
    std::string text;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] == '{') {
            if (const auto placeholder = Placeholder(format, i); placeholder && placeholder->first < arguments_.size()) {
                text += arguments_[placeholder->first].Text(catalogue);
                i = placeholder->second;
                continue;
            }
        }
        text += format[i++];
    }
    return text;
}

std::string CatalogueLanguage(const std::vector<std::string>& locales)
{
    for (const std::string& locale : locales) {
        // The language and territory, without encoding or modifier.
        const std::string name = locale.substr(0, locale.find_first_of(".@"));
        const std::string language = name.substr(0, name.find_first_of("_-"));
        if (name == "C" || name == "POSIX" || language == "en")
            return "en";
        if (language == "zh") {
            const std::string region = name.size() > 3 ? name.substr(3) : "";
            const bool traditional = region == "TW" || region == "HK" || region == "MO" || region.starts_with("Hant");
            return traditional ? "zh_TW" : "";
        }
    }
    return "en";
}

}  // namespace tavrel
