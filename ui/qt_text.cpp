#include "ui/qt_text.h"

namespace tavrel::ui {

QString ToQString(std::u16string_view text)
{
    // QString::fromUtf16 would drop a leading byte-order mark; copy the units instead.
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace tavrel::ui
