#include "ui/pane_text.h"

#include "ui/qt_text.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace tavrel::ui {

std::u16string PaneText(const QPlainTextEdit& pane)
{
    // The raw text keeps every character as typed (toPlainText() would turn a
    // no-break space into a space); its line ends are U+2029 between
    // paragraphs and U+2028 for Shift+Enter.
    const QString raw = pane.document()->toRawText();
    std::u16string text;
    text.reserve(static_cast<std::size_t>(raw.size()));
    for (const QChar unit : raw) {
        if (unit == QChar::ParagraphSeparator || unit == QChar::LineSeparator)
            text += u"\r\n";
        else
            text += static_cast<char16_t>(unit.unicode());
    }
    return text;
}

void SetPaneText(QPlainTextEdit& pane, std::u16string_view text)
{
    // The editor's own insertion takes CR LF, CR and LF each as one line end.
    pane.setPlainText(ToQString(text));
}

}  // namespace tavrel::ui
