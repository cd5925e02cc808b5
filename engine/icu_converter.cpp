#include "engine/icu_converter.h"

#include <stdexcept>
#include <string>

namespace tavrel {

namespace {

// Leaves the error code as ICU set it, so that conversion stops at the first
// bad sequence. ICU's own stop callback is not used because on encoding it
// silently skips default-ignorable characters such as U+200B and U+FEFF.
void FailToUnicode(const void*, UConverterToUnicodeArgs*, const char*, int32_t,
                   UConverterCallbackReason, UErrorCode*)
{
}

void FailFromUnicode(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                     UConverterCallbackReason, UErrorCode*)
{
}

}  // namespace

ConverterPtr OpenStrictConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU converter unavailable: ") + name);
    ucnv_setToUCallBack(converter.get(), FailToUnicode, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), FailFromUnicode, nullptr, nullptr, nullptr, &status);
    return converter;
}

}  // namespace tavrel
