#include "engine/text_position.h"

namespace tavrel {

void TextPosition::Advance(std::u16string_view text)
{
    for (const char16_t unit : text) {
        const bool secondOfPair = unit >= 0xDC00 && unit <= 0xDFFF && previous_ >= 0xD800 && previous_ <= 0xDBFF;
        if (unit == u'\r' || (unit == u'\n' && previous_ != u'\r')) {
            ++line_;
            column_ = 1;
        } else if (unit != u'\n' && !secondOfPair) {
            ++column_;
        }
        previous_ = unit;
    }
}

}  // namespace tavrel
