#include "engine/icu_strict.h"

#include <stdexcept>
#include <string>

namespace tavrel {

namespace {

// Leaves the error code as ICU set it, so that conversion stops there.
void FailToUnicode(const void*, UConverterToUnicodeArgs*, const char*, int32_t, UConverterCallbackReason, UErrorCode*)
{
}

void FailFromUnicode(const void*, UConverterFromUnicodeArgs*, const UChar*, int32_t, UChar32,
                     UConverterCallbackReason, UErrorCode*)
{
}

}  // namespace

IcuConverter OpenStrictConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    IcuConverter converter(ucnv_open(name, &status));
    if (U_SUCCESS(status))
        ucnv_setToUCallBack(converter.get(), FailToUnicode, nullptr, nullptr, nullptr, &status);
    if (U_SUCCESS(status))
        ucnv_setFromUCallBack(converter.get(), FailFromUnicode, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU converter unavailable: ") + name);
    return converter;
}

}  // namespace tavrel
