#pragma once

#include <cstddef>
#include <string_view>

namespace tavrel {

// Where the next character of a text stands: its 1-based line and column.
// LF, CR LF and a lone CR each end a line; a surrogate pair is one character.
class TextPosition {
public:
    void Advance(std::u16string_view text);
    std::size_t Line() const { return line_; }
    std::size_t Column() const { return column_; }

private:
    std::size_t line_ = 1;
    std::size_t column_ = 1;
    char16_t previous_ = 0;
};

}  // namespace tavrel
