#include "engine/locale_text.h"

#include <unicode/ucnv.h>

#include <langinfo.h>

#include <cstring>

namespace tavrel {

namespace {

// The locale's encoding, or nullptr when no conversion is needed.
const char* LocaleEncoding()
{
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return nullptr;
    return codeset;
}

std::string Convert(const char* to, const char* from, std::string_view text)
{
    std::string converted(4 * text.size() + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert(to, from, converted.data(), static_cast<int32_t>(converted.size()),
                                        text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return std::string(text);
    converted.resize(static_cast<std::size_t>(length));
    return converted;
}

}  // namespace

std::string LocaleToUtf8(std::string_view text)
{
    const char* encoding = LocaleEncoding();
    return encoding ? Convert("UTF-8", encoding, text) : std::string(text);
}

std::string Utf8ToLocale(std::string_view text)
{
    const char* encoding = LocaleEncoding();
    return encoding ? Convert(encoding, "UTF-8", text) : std::string(text);
}

}  // namespace tavrel
