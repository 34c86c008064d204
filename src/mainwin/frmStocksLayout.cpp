// The controls of the main window at their designed places, captions, fonts
// and colours, and their tab order.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"
#include "platform/AccessKeys.h"
#include "platform/Twips.h"
#include "text/Limits.h"

#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tesmo {

namespace {

const QColor kPanelGrey(192, 192, 192);

// Client area of the window, in twips.
constexpr int kClientWidth = 11745;
constexpr int kClientHeight = 7500;

struct CaptionPlace {
    const char *caption;
    TwipsRect place;
    bool bold;
};

// Text1(0) to Text1(10): the caption boxes on the grey panel.
const CaptionPlace kCaptions[11] = {
    {"* Name/Description:", {3960, 600, 1815, 315}, true},
    {"* Ticker Symbol:", {3960, 1005, 1695, 315}, true},
    {"* Number of Shares:", {6840, 1005, 1935, 195}, true},
    {"Price per Share:", {3960, 1395, 1695, 195}, true},
    {"** Net Amount (Tesmo):", {6840, 1395, 1935, 315}, true},
    {"* Trade Date:", {3960, 1800, 1575, 195}, true},
    {"Record:", {6840, 1800, 735, 285}, true},
    {"of", {8490, 1800, 180, 285}, true},
    {"* Required", {4080, 2400, 1695, 195}, false},
    {"** Enter from Confirmation", {7320, 2400, 2055, 315}, false},
    {"", {3960, 2160, 6015, 135}, true},
};

// txtFields(0) to txtFields(6): place, longest text in characters, and the
// shapes of the widest values in common use, which the box shows whole ("|"
// between shapes, "#" for any digit).
const struct {
    TwipsRect place;
    int maxLength;
    const char *widest;
} kFields[kFieldCount] = {
    {{7800, 1800, 615, 285}, 0, ""},
    {{5760, 600, 4215, 285}, kNameLength, ""},
    {{5760, 1005, 855, 285}, kTickerLength, ""},
    {{8760, 1005, 1215, 285}, 0, "###,###,###,###.#|-###,###,###,###"},
    {{5760, 1395, 855, 285}, 0, "$#,###.####"},
    {{8760, 1395, 1215, 285}, 0, "$#,###,###,###.##"},
    {{5760, 1800, 855, 285}, 0, "##/##/####"},
};

// The smallest type an edit box is given to fit its values: smaller type is
// hard to read.
constexpr qreal kSmallestBoxPoints = 7.5;

// Designed column widths in twips; the ID column has width 0 in both lists.
constexpr std::array<int, kColumnCount> kMasterWidths = {1622, 700, 1000, 0, 1440, 1440, 1440};
constexpr std::array<int, kColumnCount> kSelectedWidths = {1622, 700, 1150, 0, 1440, 1440, 1440};

// Places inside FrameExport are given relative to the window and moved into
// the frame's coordinates.
constexpr TwipsRect kFrame = {3720, 3720, 7815, 3015};
QRect inFrame(TwipsRect r)
{
    return TwipsRect{r.left - kFrame.left, r.top - kFrame.top, r.width, r.height}.toPixels();
}

QFont boldFont(const QFont &base)
{
    QFont f = base;
    f.setBold(true);
    return f;
}

void paintGrey(QWidget *w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, kPanelGrey);
    p.setColor(QPalette::Base, kPanelGrey);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// Shrinks a caption's type, by quarter points, until its text fits the
// designed width: the desktop's font may run wider than the design assumed.
void fitToWidth(QLabel *label)
{
    QFont f = label->font();
    while (f.pointSizeF() > 6.5
           && QFontMetrics(f).horizontalAdvance(label->text()) > label->width() - 1) {
        f.setPointSizeF(f.pointSizeF() - 0.25);
    }
    label->setFont(f);
}

// The edit boxes' type: the design's size in a narrow face where the desktop
// has one, so that amounts and dates fit the designed widths.
QFont boxFont(const QFont &windowFont)
{
    QFont f = windowFont;
    f.setFamilies({QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                   QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
                   windowFont.family()});
    return f;
}

// The width, in pixels, in which a box shows its text without scrolling: its
// contents less the style's frame and the box's text margins, less the two
// pixels a side that QLineEdit keeps free and the column its cursor takes
// after the last character.
int textRoom(const QLineEdit *box)
{
    QStyleOptionFrame panel;
    panel.initFrom(box);
    panel.rect = box->contentsRect();
    panel.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, box) : 0;
    panel.state |= QStyle::State_Sunken;
    const QRect r =
        box->style()->subElementRect(QStyle::SE_LineEditContents, &panel, box).marginsRemoved(box->textMargins());
    return r.width() - 2 * 2 - 1;
}

// The point size, from the box's own down to kSmallestBoxPoints by quarter
// points, at which the widest of the shapes fits the box without scrolling.
qreal fittingPoints(const QLineEdit *box, const QString &shapes)
{
    const int room = textRoom(box);
    const auto widest = [&shapes](const QFont &f) {
        const QFontMetricsF m(f);
        QChar digit = u'0';
        for (char16_t d = u'1'; d <= u'9'; ++d)
            if (m.horizontalAdvance(QChar(d)) > m.horizontalAdvance(digit))
                digit = QChar(d);
        qreal w = 0;
        for (const QString &shape : shapes.split(QLatin1Char('|')))
            w = std::max(w, m.horizontalAdvance(QString(shape).replace(QLatin1Char('#'), digit)));
        return w;
    };
    QFont f = box->font();
    while (f.pointSizeF() > kSmallestBoxPoints && widest(f) > room)
        f.setPointSizeF(f.pointSizeF() - 0.25);
    return f.pointSizeF();
}

} // namespace

void frmStocks::buildControls()
{
    setObjectName(QStringLiteral("frmStocks"));
    setWindowTitle(QStringLiteral(" Stocks"));
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setFont(designFont(font()));
    QFont regular = font();
    const QFont bold = boldFont(font());

    const auto name = [](QObject *o, const QString &n) { o->setObjectName(n); };
    txtRectangle = new QWidget(this);
    name(txtRectangle, QStringLiteral("txtRectangle"));
    txtRectangle->setGeometry(TwipsRect{3720, 360, 7815, 3165}.toPixels());
    txtRectangle->setEnabled(false);
    paintGrey(txtRectangle);

    auto *label1 = new QLabel(QStringLiteral("Master List"), this);
    name(label1, QStringLiteral("Label1"));
    label1->setGeometry(TwipsRect{240, 120, 1095, 255}.toPixels());
    auto *label2 = new QLabel(QStringLiteral("Current Record"), this);
    name(label2, QStringLiteral("Label2"));
    label2->setGeometry(TwipsRect{3840, 120, 1335, 375}.toPixels());
    label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel *l : {label1, label2}) {
        l->setFont(bold);
        fitToWidth(l);
    }

    for (int i = 0; i < 11; ++i) {
        auto *c = new QLabel(QString::fromUtf8(kCaptions[i].caption), this);
        name(c, QStringLiteral("Text1(%1)").arg(i));
        c->setGeometry(kCaptions[i].place.toPixels());
        c->setFont(kCaptions[i].bold ? bold : regular);
        c->setAlignment((i == 7 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        paintGrey(c);
        fitToWidth(c);
        Text1[std::size_t(i)] = c;
    }

    for (int i = 0; i < kFieldCount; ++i) {
        auto *box = new QLineEdit(this);
        name(box, QStringLiteral("txtFields(%1)").arg(i));
        box->setGeometry(kFields[i].place.toPixels());
        box->setFont(boxFont(regular));
        if (kFields[i].maxLength)
            new TextLimit(box, kFields[i].maxLength);
        txtFields[std::size_t(i)] = box;
    }
    // The boxes of shares, amounts and dates share one size of type, the
    // largest in which each of them shows its widest values whole.
    qreal valuePoints = regular.pointSizeF();
    for (int i = 0; i < kFieldCount; ++i) {
        if (*kFields[i].widest)
            valuePoints = std::min(valuePoints, fittingPoints(txtFields[std::size_t(i)],
                                                              QString::fromLatin1(kFields[i].widest)));
    }
    for (int i = 0; i < kFieldCount; ++i) {
        if (*kFields[i].widest) {
            QFont f = txtFields[std::size_t(i)]->font();
            f.setPointSizeF(valuePoints);
            txtFields[std::size_t(i)]->setFont(f);
        }
    }
    txtFields[kID]->hide();

    txtRecNum = new QLineEdit(this);
    name(txtRecNum, QStringLiteral("txtRecNum"));
    txtRecNum->setGeometry(TwipsRect{7680, 1800, 735, 285}.toPixels());
    txtCount = new QLineEdit(this);
    name(txtCount, QStringLiteral("txtCount"));
    txtCount->setGeometry(TwipsRect{8760, 1800, 1215, 285}.toPixels());
    for (QLineEdit *counter : {txtRecNum, txtCount}) {
        counter->setReadOnly(true);
        counter->setFocusPolicy(Qt::NoFocus);
        counter->setFont(regular);
        QPalette p = counter->palette();
        p.setColor(QPalette::Base, kPanelGrey);
        counter->setPalette(p);
    }

    const struct {
        QPushButton *frmStocks::*member;
        const char *name;
        const char *caption;
        TwipsRect place;
    } buttons[] = {
        {&frmStocks::cmdClose, "cmdClose", "E&xit", {10200, 600, 1095, 495}},
        {&frmStocks::cmdSplit, "cmdSplit", "Spl&it", {10200, 1200, 1095, 495}},
        {&frmStocks::cmdDelete, "cmdDelete", "&Delete", {10200, 1800, 1095, 495}},
        {&frmStocks::cmdSave, "cmdSave", "&Save", {3960, 2760, 1095, 495}},
        {&frmStocks::cmdAdd, "cmdAdd", "&New", {5208, 2760, 1095, 495}},
        {&frmStocks::cmdUndo, "cmdUndo", "&Undo", {6456, 2760, 1095, 495}},
        {&frmStocks::cmdFind, "cmdFind", "&Find", {7704, 2760, 1095, 495}},
        {&frmStocks::cmdPrev, "cmdPrev", "Pre&vious", {8952, 2760, 1095, 495}},
        {&frmStocks::cmdNext, "cmdNext", "N&ext", {10200, 2760, 1095, 495}},
        {&frmStocks::cmdSelect, "cmdSelect", "Se&lect ->", {3960, 4680, 1335, 495}},
        {&frmStocks::cmddeselect, "cmddeselect", "Deselec&t <-", {3960, 5280, 1335, 495}},
        {&frmStocks::cmdOptions, "cmdOptions", "&Password Protection", {7320, 6960, 2055, 375}},
        {&frmStocks::cmdHelp, "cmdHelp", "&Help/Instructions", {9480, 6960, 2055, 375}},
    };
    for (const auto &b : buttons) {
        auto *button = new AccessKeyButton(QString::fromUtf8(b.caption), this);
        name(button, QString::fromLatin1(b.name));
        button->setGeometry(b.place.toPixels());
        button->setFont(bold);
        this->*(b.member) = button;
    }

    masterRows_ = new LotListModel(LotListModel::Rows::All, this);
    selectedRows_ = new LotListModel(LotListModel::Rows::Picked, this);
    ListView1 = new LotListView(masterRows_, kMasterWidths, this);
    name(ListView1, QStringLiteral("ListView1"));
    ListView1->setGeometry(TwipsRect{120, 360, 3375, 6975}.toPixels());
    ListView2 = new LotListView(selectedRows_, kSelectedWidths, this);
    name(ListView2, QStringLiteral("ListView2"));
    ListView2->setGeometry(TwipsRect{5520, 4080, 3375, 2415}.toPixels());
    for (LotListView *list : {ListView1, ListView2}) {
        list->setFont(bold);
        list->horizontalHeader()->setFont(bold);
    }

    FrameExport = new QGroupBox(QStringLiteral("Export"), this);
    name(FrameExport, QStringLiteral("FrameExport"));
    FrameExport->setGeometry(kFrame.toPixels());
    FrameExport->setFont(bold);
    OptionAll = new QRadioButton(QStringLiteral("All"), FrameExport);
    name(OptionAll, QStringLiteral("OptionAll"));
    OptionAll->setGeometry(inFrame({9120, 4440, 615, 255}));
    OptionAll->setChecked(true);
    OptionSelected = new QRadioButton(QStringLiteral("Selected"), FrameExport);
    name(OptionSelected, QStringLiteral("OptionSelected"));
    OptionSelected->setGeometry(inFrame({10080, 4320, 1215, 495}));
    cmbExport = new QComboBox(FrameExport);
    name(cmbExport, QStringLiteral("cmbExport"));
    cmbExport->setEditable(true);
    cmbExport->setInsertPolicy(QComboBox::NoInsert);
    // Typing is neither completed nor matched to an item of another letter
    // case: only the exact text of an item chooses a writer.
    cmbExport->completer()->setCaseSensitivity(Qt::CaseSensitive);
    cmbExport->setGeometry(inFrame({9120, 4920, 2175, 315}));
    cmbExport->addItems({QStringLiteral("Spreadsheet"), QStringLiteral("Word Document"), QStringLiteral("Text File")});
    cmbExport->setEditText(QStringLiteral("Text File"));
    cmdExport = new AccessKeyButton(QStringLiteral("&Export!"), FrameExport);
    name(cmdExport, QStringLiteral("cmdExport"));
    cmdExport->setGeometry(inFrame({9120, 5520, 2175, 375}));
    for (QWidget *w : std::initializer_list<QWidget *>{OptionAll, OptionSelected, cmbExport, cmdExport})
        w->setFont(bold);

    // The lists and the two selection buttons lie over the frame without
    // belonging to it.
    FrameExport->lower();
    txtRectangle->lower();
    for (QWidget *w : std::initializer_list<QWidget *>{ListView2, cmdSelect, cmddeselect})
        w->raise();

    // Keyboard order; the counters, captions and the hidden ID take no focus.
    const QWidget *order[] = {txtFields[1], txtFields[2], txtFields[3], txtFields[4], txtFields[5],
                              txtFields[6], cmdSave,      cmdAdd,       cmdUndo,      cmdFind,
                              cmdPrev,      cmdNext,      cmdDelete,    cmdSplit,     cmdClose,
                              ListView1,    cmdSelect,    cmddeselect,  ListView2,    OptionAll,
                              OptionSelected, cmbExport,  cmdExport,    cmdOptions,   cmdHelp};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget *>(order[i - 1]), const_cast<QWidget *>(order[i]));
}

} // namespace tesmo
