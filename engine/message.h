#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tavrel {

// The translations of one language: message formats in Simplified Chinese,
// the program's own language, and their translations.
class Catalogue {
public:
    // The catalogue held in a compiled gettext catalogue (a .mo file's
    // bytes); nothing when the bytes are not one.
    static std::optional<Catalogue> FromMo(std::string_view bytes);

    // The translation of `format`, or `format` itself when it has none.
    std::string_view Translate(std::string_view format) const;
    std::size_t Size() const { return translations_.size(); }

private:
    std::unordered_map<std::string, std::string> translations_;
};

// A message as its format and its arguments, so that one message can be
// shown in Simplified Chinese (Text()) or through a catalogue. In the format,
// "{0}", "{1}"... stand for the arguments. An argument is itself a message:
// a translatable one made by Tr, or plain text (a path, a number, an
// encoding's name, the system's reason) that is shown as it is.
class Message {
public:
    Message() = default;
    // Text shown as it is, never translated nor searched for "{0}".
    static Message Plain(std::string text);
    // A translatable format and its arguments; Tr makes one.
    static Message Format(const char* format, std::vector<Message> arguments);

    // The message in Simplified Chinese.
    std::string Text() const { return Text(nullptr); }
    // The message with its format and its translatable arguments looked up
    // in `catalogue` (none: Simplified Chinese).
    std::string Text(const Catalogue* catalogue) const;

private:
    std::string format_;
    std::vector<Message> arguments_;
    bool translatable_ = false;
};

namespace detail {

inline Message Argument(const Message& message) { return message; }
inline Message Argument(std::string text) { return Message::Plain(std::move(text)); }
inline Message Argument(const char* text) { return Message::Plain(text); }
template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number>>>
Message Argument(Number number)
{
    return Message::Plain(std::to_string(number));
}

}  // namespace detail

// Marks a constant's string literal as a message format for xgettext
// (keyword TrLater) where it must stay plain text; Tr(constant) then makes
// the message.
constexpr const char* TrLater(const char* format) { return format; }

// A translatable message: `format` is a string literal in Simplified
// Chinese, found in the sources by xgettext (keyword Tr) for the catalogues
// in po/. Arguments are messages, text or numbers.
template <typename... Arguments>
Message Tr(const char* format, const Arguments&... arguments)
{
    return Message::Format(format, {detail::Argument(arguments)...});
}

// The catalogue a program's messages are shown through, from the user's
// locales in order of preference (such as "zh_TW.UTF-8", "en_GB", "C"): "en"
// (English), "zh_TW" (Traditional Chinese), or "" for the messages' own
// Simplified Chinese. The first locale of a known language decides; English
// when none is known.
std::string CatalogueLanguage(const std::vector<std::string>& locales);

}  // namespace tavrel
