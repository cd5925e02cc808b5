#include "ui/form1.h"

#include "files/table_files.h"
#include "ui/arrow_keys.h"
#include "ui/enter_key.h"
#include "ui/layout_scale.h"
#include "ui/messages.h"
#include "ui/pane_text.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

const QString kWebAddress = QStringLiteral(TAVREL_WEB_ADDRESS);
const QString kContactEmail = QStringLiteral(TAVREL_CONTACT_EMAIL);

// Positions and sizes are given in twips (1/1440 inch) relative to the
// container; 15 twips make one logical pixel, which Qt scales for the screen.
// That is the layout for the design font; FitToFont() enlarges it for larger ones.
QRect Twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

template <class Control>
Control* Place(QWidget* container, const char* name, const QRect& geometry)
{
    auto* control = new Control(container);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

QPushButton* MakeButton(QWidget* container, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = Place<QPushButton>(container, name, geometry);
    button->setText(caption);
    button->setAutoDefault(false);
    button->setDefault(false);
    tavrel::ui::ClickOnEnter(*button);
    return button;
}

QGroupBox* MakeFrame(QWidget* container, const char* name, const QString& caption, const QRect& geometry)
{
    auto* frame = Place<QGroupBox>(container, name, geometry);
    frame->setTitle(caption);
    return frame;
}

// A plain multi-line pane: always a vertical scroll bar, lines wrapped at the
// pane's width, and Tab moves the focus on instead of inserting a tab.
QPlainTextEdit* MakePane(QWidget* container, const char* name, const QRect& geometry)
{
    auto* pane = Place<QPlainTextEdit>(container, name, geometry);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setTabChangesFocus(true);
    return pane;
}

QRadioButton* MakeOption(QWidget* container, const char* name, const QString& caption, const QRect& geometry)
{
    auto* option = Place<QRadioButton>(container, name, geometry);
    option->setText(caption);
    tavrel::ui::ClickOnEnter(*option);
    return option;
}

QLabel* MakeLabel(QWidget* container, const char* name, const QString& caption, const QRect& geometry)
{
    auto* label = Place<QLabel>(container, name, geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tavrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent), chooserBackend_(this), CDialog1(chooserBackend_), workClock_(tavrel::ui::SteadyClock())
{
    CDialog1.SetFilter(u"文件文件(*.TXT)|*.txt");
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrel-") + kWebAddress);
    setWindowIcon(ProgramIcon());
    setFixedSize(Twips(0, 0, 11085, 7545).size());
    CreateControls();
    setAcceptDrops(true);
    txtJ->viewport()->installEventFilter(this);
    txtF->viewport()->installEventFilter(this);
    FitToFont();
    ApplyTabOrder();
    ConnectHandlers();
    cmdAbout->setFocus();
}

void Form1::CreateControls()
{
    cmdAbout = MakeButton(this, "cmdAbout", QStringLiteral("关于"), Twips(9720, 6360, 1215, 495));
    cmdExit = MakeButton(this, "cmdExit", QStringLiteral("关闭"), Twips(9720, 6960, 1215, 495));
    Frame1 = MakeFrame(this, "Frame1", QStringLiteral("简体"), Twips(120, 120, 9255, 3255));
    txtJ = MakePane(Frame1, "txtJ", Twips(120, 240, 9015, 2895));
    Frame2 = MakeFrame(this, "Frame2", QStringLiteral("繁体"), Twips(120, 3390, 9255, 3495));
    Frame3 = MakeFrame(this, "Frame3", QStringLiteral("文件转换"), Twips(9480, 120, 1575, 2655));
    Command1 = MakeButton(Frame3, "Command1", QStringLiteral("单个文件转换"), Twips(120, 360, 1335, 375));
    Command2 = MakeButton(Frame3, "Command2", QStringLiteral("批量文件转换"), Twips(120, 960, 1335, 375));
    Option1 = MakeOption(Frame3, "Option1", QStringLiteral("繁体转简体"), Twips(120, 1800, 1215, 255));
    Option2 = MakeOption(Frame3, "Option2", QStringLiteral("简体转繁体"), Twips(120, 2160, 1215, 255));
    cmdF2J = MakeButton(this, "cmdF2J", QStringLiteral("繁体转简体"), Twips(1320, 6960, 1575, 495));
    cmdJ2F = MakeButton(this, "cmdJ2F", QStringLiteral("简体转繁体"), Twips(3960, 6960, 1575, 495));
    Label2 = MakeLabel(this, "Label2",
                       QStringLiteral("\r\n示例说明:\r\n繁转简:中國->中国\r\n简转繁:中国->中國"),
                       Twips(9480, 2880, 1575, 1215));
    txtF = MakePane(Frame2, "txtF", Twips(120, 240, 9015, 3135));

    // The two options choose the direction of the file conversions.
    directionGroup = new QButtonGroup(this);
    directionGroup->setObjectName(QStringLiteral("directionGroup"));
    directionGroup->addButton(Option1);
    directionGroup->addButton(Option2);
    Option1->setChecked(true);
    tavrel::ui::MoveWithArrows(*directionGroup);
}

std::array<QWidget*, 14> Form1::Controls() const
{
    return {cmdAbout, cmdExit, Frame1, txtJ, Frame2, Frame3, Command1, Command2, Option1, Option2, cmdF2J, cmdJ2F,
            Label2, txtF};
}

// Enlarges the window and every control alike when the font is larger than
// the design's, keeping positions and proportions, so that no caption is cut.
// A layout too large for the screen takes a smaller font instead, as small
// as it needs to fit, below the design's if need be.
void Form1::FitToFont()
{
    const std::array<QWidget*, 14> all = Controls();
    const QSize room = RoomOnScreen();
    double scale = tavrel::ui::LayoutScale(font(), all);
    // Captions keep their chrome as the font shrinks: a few rounds may be needed.
    for (int round = 0; round < 8; ++round) {
        const double shrink = tavrel::ui::ShrinkToFit(QSizeF(size()) * scale, room);
        if (shrink >= 1)
            break;
        setFont(tavrel::ui::Shrunk(font(), shrink * 0.98));
        scale = tavrel::ui::NeededScale(font(), all);
    }
    for (QWidget* control : all)
        control->setGeometry(tavrel::ui::Scaled(control->geometry(), scale));
    setFixedSize(tavrel::ui::Scaled(QRect(QPoint(), size()), scale).size());
}

// The screen's free area less room for a window manager's frame, unknown
// before the window shows: borders of up to 8 pixels and a title bar of 40.
QSize Form1::RoomOnScreen() const
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown->availableGeometry().size() - QSize(2 * 8, 40 + 8);
}

void Form1::ApplyTabOrder()
{
    const std::array<QWidget*, 14> order = Controls();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::ConnectHandlers()
{
    connect(cmdF2J, &QPushButton::clicked, this, &Form1::cmdF2J_Click);
    connect(cmdJ2F, &QPushButton::clicked, this, &Form1::cmdJ2F_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &Form1::cmdAbout_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Form1::cmdExit_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::Form_Load()
{
    tavrel::LoadTables(converter_);
}

void Form1::ConvertPane(PaneConversion convert, const QPlainTextEdit& source, QPlainTextEdit& target)
{
    try {
        const std::u16string result = (converter_.*convert)(tavrel::ui::PaneText(source));
        tavrel::ui::SetPaneText(target, result);
    } catch (const std::exception& error) {
        tavrel::ui::ShowFailure(this, error);
    }
}

void Form1::cmdF2J_Click()
{
    ConvertPane(&tavrel::Converter::F2J, *txtF, *txtJ);
}

void Form1::cmdJ2F_Click()
{
    ConvertPane(&tavrel::Converter::J2F, *txtJ, *txtF);
}

void Form1::cmdAbout_Click()
{
    tavrel::ui::ShowInformation(this, QStringLiteral("Tavrel"),
                                QStringLiteral("Tavrel\r\n邮箱：") + kContactEmail +
                                    QStringLiteral("\r\n网址：") + kWebAddress);
}

void Form1::cmdExit_Click()
{
    close();
}
