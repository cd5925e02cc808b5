#pragma once

#include <string>
#include <string_view>

namespace tavrel {

// Between UTF-8, the text of every message, and the encoding of the C
// library's locale (what strerror() gives and a terminal shows, GBK under
// zh_CN.GBK). Characters the other side lacks become substitutes. A locale
// whose encoding is ASCII (the C locale) is taken to show UTF-8, as
// terminals today do.
std::string LocaleToUtf8(std::string_view text);
std::string Utf8ToLocale(std::string_view text);

}  // namespace tavrel
