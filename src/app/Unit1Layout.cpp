// Control construction of the main window, one function per page. Every control
// gets its member name as object name; geometry is absolute in the fixed window.
#include "app/MessageListModel.h"
#include "app/Pictures.h"
#include "app/SampleGridDelegate.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "exchange/Replies.h"
#include "dialogs/Thumbnails.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace
{
// Forward button ("Start", "Next >") at the lower right with its Cancel below it.
constexpr int ForwardLeft = 845;
constexpr int ForwardTop = 610;
constexpr int CancelTop = 650;
constexpr int ButtonWidth = 123;
constexpr int ButtonHeight = 25;

template <typename T>
T* Make(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* label = Make<QLabel>(parent, name, geometry);
    label->setText(caption);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = Make<QPushButton>(parent, name, geometry);
    button->setText(caption);
    return button;
}

QLabel* MakePicture(QWidget* parent, const char* name, const QPixmap& pixmap, const QPoint& topLeft)
{
    auto* image = Make<QLabel>(parent, name, QRect(topLeft, pixmap.size()));
    image->setPixmap(pixmap);
    return image;
}

QLabel* MakeHeading(QWidget* parent, const char* name, const QString& words)
{
    QLabel* heading = MakePicture(parent, name, HeadingPicture(words), QPoint(16, 12));
    heading->setAccessibleName(words);
    return heading;
}

void MakeBold(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}
} // namespace

void TForm1::CreateControls()
{
    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);
    QWidget** sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4,
                          &TabSheet5, &TabSheet6, &TabSheet7, &TabSheet8};
    int number = 1;
    for (QWidget** sheet : sheets) {
        *sheet = new QWidget(PageControl1);
        (*sheet)->setObjectName(QStringLiteral("TabSheet%1").arg(number++));
        PageControl1->addWidget(*sheet);
    }
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    CreateStartPage();
    CreateCredentialsPage();
    CreateFilePage();
    CreateMappingPage();
    CreateTestPage();
    CreateSitePage();
    CreateImportPage();
    CreateFinalPage();
    CreateStatusBar();
    CreateAccessibility();
}

void TForm1::CreateStartPage()
{
    QWidget* page = TabSheet1;
    Image1 = MakePicture(page, "Image1", LogoPicture(), QPoint(290, 150));
    Label23 = MakeLabel(page, "Label23", QStringLiteral("Version "), QRect(292, 310, 300, 20));
    Label21 = MakeLabel(page, "Label21", QString(), QRect(16, 560, 600, 40));
    Label22 = MakeLabel(page, "Label22", QString(), QRect(16, 610, 600, 60));
    Button1 = MakeButton(page, "Button1", QStringLiteral("&Start"), QRect(ForwardLeft, ForwardTop, ButtonWidth, 25));
    Button12 = MakeButton(page, "Button12", QStringLiteral("&Cancel"),
                          QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
    Image9 = MakePicture(page, "Image9", PadlockPicture(), QPoint(16, 16));
    Image9->setVisible(false);
}

void TForm1::CreateCredentialsPage()
{
    QWidget* page = TabSheet2;
    Image2 = MakeHeading(page, "Image2", QStringLiteral("Step 1: Connect"));
    Label1 = MakeLabel(page, "Label1",
                       QStringLiteral("Enter your Quillmarsh account number, login name, and password:"),
                       QRect(16, 80, 600, 20));
    GroupBox1 = Make<QGroupBox>(page, "GroupBox1", QRect(16, 110, 420, 140));
    GroupBox1->setTitle(QStringLiteral("Quillmarsh Credentials"));
    Label2 = MakeLabel(GroupBox1, "Label2", QStringLiteral("&Account number:"), QRect(16, 30, 130, 20));
    Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("&Login name:"), QRect(16, 65, 130, 20));
    Label4 = MakeLabel(GroupBox1, "Label4", QStringLiteral("&Password:"), QRect(16, 100, 130, 20));
    Edit1 = Make<QLineEdit>(GroupBox1, "Edit1", QRect(150, 27, 250, 24));
    Edit2 = Make<QLineEdit>(GroupBox1, "Edit2", QRect(150, 62, 250, 24));
    Edit3 = Make<QLineEdit>(GroupBox1, "Edit3", QRect(150, 97, 250, 24));
    Edit3->setEchoMode(QLineEdit::Password);
    Button19 = MakeButton(page, "Button19", QStringLiteral("Connection &settings"),
                          QRect(ForwardLeft, 540, ButtonWidth, ButtonHeight));
    Gauge1 = Make<QProgressBar>(page, "Gauge1", QRect(ForwardLeft, 575, ButtonWidth, 20));
    Gauge1->setRange(0, 120);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(false);
    // Below the credentials box, clear of its frame.
    Label8 = MakeLabel(page, "Label8", QStringLiteral("Unable to connect:"), QRect(16, 258, 420, 20));
    MakeBold(Label8);
    Label8->setStyleSheet(QStringLiteral("color: red;"));
    // The reasons under "Unable to connect:", one below the other: every one that applies
    // is shown whole, and a hidden one leaves no gap.
    auto* reasons = Make<QWidget>(page, "CredentialMessages", QRect(16, 280, 420, 300));
    auto* stack = new QVBoxLayout(reasons);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    Label6 = MakeLabel(reasons, "Label6", QStringLiteral("The account number is not valid."), QRect());
    Label7 = MakeLabel(reasons, "Label7", QStringLiteral("The login name is not valid"), QRect());
    Label10 = MakeLabel(reasons, "Label10",
                        QStringLiteral("The account number, login name, or password you entered is not correct."),
                        QRect());
    Label24 = MakeLabel(reasons, "Label24", ExpiredVersionMessage(), QRect());
    for (QLabel* label : {Label6, Label7, Label10, Label24})
        stack->addWidget(label);
    stack->addStretch(1);
    for (QLabel* label : {Label8, Label6, Label7, Label10, Label24})
        label->setVisible(false);
    Button2 = MakeButton(page, "Button2", QStringLiteral("&Next >"), QRect(ForwardLeft, ForwardTop, ButtonWidth, 25));
    Button3 = MakeButton(page, "Button3", QStringLiteral("&Cancel"),
                         QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
}

void TForm1::CreateFilePage()
{
    QWidget* page = TabSheet3;
    Image3 = MakeHeading(page, "Image3", QStringLiteral("Step 2: Choose File"));
    Label5 = MakeLabel(page, "Label5", QStringLiteral("Choose the &file to import from:"), QRect(16, 80, 400, 20));
    Edit4 = Make<QLineEdit>(page, "Edit4", QRect(16, 105, 600, 24));
    Button13 = MakeButton(page, "Button13", QStringLiteral("&Browse"), QRect(631, 105, 90, 24));
    CheckBox1 = Make<QCheckBox>(page, "CheckBox1", QRect(16, 140, 400, 22));
    CheckBox1->setText(QStringLiteral("First row contains column &headings"));

    // The record-kind choice: kept on the page but never shown; the kind stays volunteer records.
    Label9 = MakeLabel(page, "Label9", QStringLiteral("What kind of records does this file contain?"),
                       QRect(16, 190, 400, 20));
    GroupBox2 = Make<QGroupBox>(page, "GroupBox2", QRect(16, 215, 220, 200));
    GroupBox2->setTitle(QStringLiteral("Master records"));
    GroupBox3 = Make<QGroupBox>(page, "GroupBox3", QRect(246, 215, 260, 330));
    GroupBox3->setTitle(QStringLiteral("Child records"));
    struct TKind
    {
        int Tag;
        const char* Caption;
    };
    const TKind kinds[] = {
        {2, "Volunteer records"},     {3, "Coordinator records"},   {4, "Site records"},
        {5, "Place records"},         {6, "Assignment records"},    {7, "Flags"},
        {8, "Volunteer contact records"}, {9, "Assignment records"}, {10, "Mandate records"},
        {11, "Service (hour) records"}, {12, "Date records"},       {13, "Class records"},
        {14, "Mailing records"},      {15, "Award records"},        {16, "Checklist records"},
        {17, "Availability records"}, {18, "Skill records"},
    };
    int index = 0;
    for (const TKind& kind : kinds) {
        QWidget* parent = kind.Tag <= 6 ? static_cast<QWidget*>(GroupBox2)
                        : kind.Tag <= 15 ? static_cast<QWidget*>(GroupBox3)
                                         : page;
        QRect geometry;
        if (kind.Tag <= 6)
            geometry = QRect(12, 25 + (kind.Tag - 2) * 32, 200, 22);
        else if (kind.Tag <= 15)
            geometry = QRect(12, 25 + (kind.Tag - 7) * 32, 240, 22);
        else
            geometry = QRect(520, 240 + (kind.Tag - 16) * 32, 200, 22);
        const QByteArray name = "RadioButton" + QByteArray::number(++index);
        auto* button = Make<QRadioButton>(parent, name.constData(), geometry);
        button->setText(QString::fromLatin1(kind.Caption));
        button->setProperty("Tag", kind.Tag);
        button->setVisible(false);
        RecordKindButtons.append(button);
    }
    Label9->setVisible(false);
    GroupBox2->setVisible(false);
    GroupBox3->setVisible(false);

    // The watchdog's wait, as on the credentials page: 120 ticks.
    Gauge2 = Make<QProgressBar>(page, "Gauge2", QRect(ForwardLeft, 575, ButtonWidth, 20));
    Gauge2->setRange(0, 120);
    Gauge2->setValue(0);
    Gauge2->setTextVisible(false);
    Button4 = MakeButton(page, "Button4", QStringLiteral("&Next >"), QRect(ForwardLeft, ForwardTop, ButtonWidth, 25));
    Button5 = MakeButton(page, "Button5", QStringLiteral("&Cancel"),
                         QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
}

void TForm1::CreateMappingPage()
{
    QWidget* page = TabSheet4;
    Image4 = MakeHeading(page, "Image4", QStringLiteral("Step 3: Choose Fields"));
    Label11 = MakeLabel(page, "Label11", QStringLiteral("Source file sample:"), QRect(16, 62, 300, 18));
    MakeBold(Label11);
    Label12 = MakeLabel(page, "Label12", QStringLiteral("Choose a c&olumn from your source file:"),
                        QRect(16, 80, 400, 18));
    // The row numbers and column letters are the grid's headers, so they stay in view
    // however far the grid is scrolled; the user widens columns at the letters' borders.
    StringGrid1 = Make<QTableWidget>(page, "StringGrid1", QRect(16, 100, 966, 250));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->horizontalHeader()->setMinimumSectionSize(8);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(64);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->verticalHeader()->setDefaultSectionSize(22);
    StringGrid1->verticalHeader()->setMinimumSectionSize(22);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->setItemDelegate(new TSampleGridDelegate(StringGrid1));
    Button22 = MakeButton(page, "Button22", QStringLiteral("&Quick Tutorial"), QRect(882, 60, 100, 38));

    Panel1 = Make<QFrame>(page, "Panel1", QRect(16, 358, 966, 310));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Label16 = MakeLabel(Panel1, "Label16", QStringLiteral("What to do with Column A:"), QRect(10, 8, 400, 20));
    MakeBold(Label16);
    RadioButton20 = Make<TMouseUpRadioButton>(Panel1, "RadioButton20", QRect(10, 34, 200, 22));
    RadioButton20->setText(QStringLiteral("&Skip column "));
    RadioButton21 = Make<QRadioButton>(Panel1, "RadioButton21", QRect(10, 58, 200, 22));
    RadioButton21->setText(QStringLiteral("Con&vert column to..."));
    Label30 = MakeLabel(Panel1, "Label30", QStringLiteral("&Tab:"), QRect(30, 86, 120, 18));
    Label31 = MakeLabel(Panel1, "Label31", QStringLiteral("&Box:"), QRect(160, 86, 150, 18));
    Label32 = MakeLabel(Panel1, "Label32", QStringLiteral("&Field:"), QRect(320, 86, 200, 18));
    ListBox4 = Make<QListWidget>(Panel1, "ListBox4", QRect(30, 106, 120, 150));
    ListBox4->setToolTip(QStringLiteral("Select the tab that this field is imported into."));
    ListBox5 = Make<QListWidget>(Panel1, "ListBox5", QRect(160, 106, 150, 150));
    ListBox6 = Make<QListWidget>(Panel1, "ListBox6", QRect(320, 106, 200, 150));
    Label13 = MakeLabel(Panel1, "Label13", QStringLiteral("Field type:"), QRect(30, 266, 70, 18));
    Label14 = MakeLabel(Panel1, "Label14", QString(), QRect(102, 266, 200, 18));
    Label15 = MakeLabel(Panel1, "Label15", QStringLiteral("&Date format:"), QRect(320, 266, 80, 18));
    ComboBox2 = Make<QComboBox>(Panel1, "ComboBox2", QRect(402, 262, 118, 24));
    ComboBox2->addItems({QStringLiteral("MDY"), QStringLiteral("DMY"), QStringLiteral("YMD"),
                         QStringLiteral("MY (no day)"), QStringLiteral("MD (Y optional)"),
                         QStringLiteral("DM (Y optional)")});
    // The thumbnail shows its picture scaled to fit with its proportions kept; the full
    // picture is kept beside it for the picture viewer.
    Image7 = Make<QLabel>(Panel1, "Image7", QRect(636, 20, 320, 273));
    Image7->setAlignment(Qt::AlignCenter);
    Image11 = Make<QLabel>(Panel1, "Image11", QRect(636, 20, 320, 273));
    Image11->setPixmap(ThumbnailPicture(QStringLiteral("general")));
    Image11->setVisible(false);
    ListBox1 = Make<QListWidget>(Panel1, "ListBox1", QRect(540, 106, 80, 60));
    ListBox1->setVisible(false);
    Label33 = MakeLabel(Panel1, "Label33", QStringLiteral("0"), QRect(540, 180, 40, 18));
    Label33->setVisible(false);

    Panel2 = Make<QFrame>(page, "Panel2", QRect(0, 676, 1000, 44));
    Button9 = MakeButton(Panel2, "Button9", QStringLiteral("< &Prev"), QRect(580, 10, 123, 25));
    Button10 = MakeButton(Panel2, "Button10", QStringLiteral("&Next >"), QRect(713, 10, 123, 25));
    Button11 = MakeButton(Panel2, "Button11", QStringLiteral("&Cancel"), QRect(859, 10, 123, 25));
    // Reusable mappings, in the bar's free space left of "< Prev".
    Button23 = MakeButton(Panel2, "Button23", QStringLiteral("Save &mapping..."), QRect(16, 10, 123, 25));
    Button24 = MakeButton(Panel2, "Button24", QStringLiteral("&Load mapping..."), QRect(149, 10, 123, 25));
    Button25 = MakeButton(Panel2, "Button25", QStringLiteral("Match by &headings"), QRect(282, 10, 140, 25));
}

void TForm1::CreateTestPage()
{
    QWidget* page = TabSheet5;
    Image5 = MakeHeading(page, "Image5", QStringLiteral("Step 4: Test Run"));
    Label17 = MakeLabel(page, "Label17", QStringLiteral("Test as many records as you would like."),
                        QRect(16, 80, 700, 20));
    Label18 = MakeLabel(page, "Label18",
                        QStringLiteral("When you are satisfied with your tests click \"Next\" to begin importing. "
                                       "Click \"Prev\" to go back and make changes before importing."),
                        QRect(16, 104, 800, 40));
    Button17 = MakeButton(page, "Button17", QStringLiteral("&Test the next record"), QRect(16, 150, 160, 25));
    ListBox2 = Make<QListWidget>(page, "ListBox2", QRect(16, 185, 800, 235));
    MakeBold(ListBox2);
    // The check of every row: its summary above the list of what it found.
    Label34 = MakeLabel(page, "Label34", QString(), QRect(16, 428, 800, 36));
    ListBox7 = Make<QListWidget>(page, "ListBox7", QRect(16, 466, 800, 199));
    ListBox7->setUniformItemSizes(true);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(0);
    Button8 = MakeButton(page, "Button8", QStringLiteral("< &Prev"), QRect(ForwardLeft, ForwardTop, 60, 25));
    Button6 = MakeButton(page, "Button6", QStringLiteral("&Next >"), QRect(ForwardLeft + 63, ForwardTop, 60, 25));
    Button7 = MakeButton(page, "Button7", QStringLiteral("&Cancel"),
                         QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
}

void TForm1::CreateSitePage()
{
    QWidget* page = TabSheet6;
    Image6 = MakeHeading(page, "Image6", QStringLiteral("Step 5: Choose Site"));
    Label25 = MakeLabel(page, "Label25",
                        QStringLiteral("Your Quillmarsh database includes multiple Sites. If you use "
                                       "site-level-access and the records you are importing are all associated "
                                       "with a single Site you can select that Site here. "),
                        QRect(16, 80, 700, 60));
    RadioButton18 = Make<QRadioButton>(page, "RadioButton18", QRect(16, 150, 500, 22));
    RadioButton18->setText(QStringLiteral("The records I am importing do not belong to any single &Site"));
    RadioButton19 = Make<QRadioButton>(page, "RadioButton19", QRect(16, 180, 500, 22));
    RadioButton19->setText(QStringLiteral("The records I am importing &all belong to this site:"));
    ComboBox1 = Make<QComboBox>(page, "ComboBox1", QRect(40, 210, 350, 24));
    ComboBox1->setEditable(true);
    ComboBox1->setEnabled(false);
    Button15 = MakeButton(page, "Button15", QStringLiteral("&Next >"), QRect(ForwardLeft, ForwardTop, ButtonWidth, 25));
    Button14 = MakeButton(page, "Button14", QStringLiteral("&Cancel"),
                          QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
}

void TForm1::CreateImportPage()
{
    QWidget* page = TabSheet7;
    Image8 = MakeHeading(page, "Image8", QStringLiteral("Step 6: Import"));
    // The heading's words also as text, for screen readers.
    Label19 = MakeLabel(page, "Label19", QStringLiteral("Step 6: Import"), QRect(16, 12, 200, 20));
    Label19->setVisible(false);
    Button20 = MakeButton(page, "Button20", QStringLiteral("&Start"), QRect(16, 80, 123, 25));
    Label20 = MakeLabel(page, "Label20", QStringLiteral("Click \"Start\" to begin importing"), QRect(150, 84, 400, 20));
    ListBox3 = Make<QListView>(page, "ListBox3", QRect(16, 115, 800, 480));
    ListBox3->setFont(QFont(QStringLiteral("Monospace")));
    ImportMessages = new TMessageListModel(ListBox3);
    ListBox3->setModel(ImportMessages);
    // One line per message, all of one height: the list need not measure every line.
    ListBox3->setUniformItemSizes(true);
    ListBox3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Gauge3 = Make<QProgressBar>(page, "Gauge3", QRect(16, 605, 800, 18));
    Gauge3->setTextVisible(false);
    Gauge3->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: #2E9E3E; }"));
    Button18 = MakeButton(page, "Button18", QStringLiteral("&Next >"), QRect(ForwardLeft, ForwardTop, ButtonWidth, 25));
    Button16 = MakeButton(page, "Button16", QStringLiteral("&Cancel"),
                          QRect(ForwardLeft, CancelTop, ButtonWidth, ButtonHeight));
    // At the list's right edge, so it stays clear of the label beside Start.
    Button26 = MakeButton(page, "Button26", QStringLiteral("S&top"), QRect(693, 80, 123, 25));
    Button26->setEnabled(false);
}

void TForm1::CreateFinalPage()
{
    QWidget* page = TabSheet8;
    Image10 = MakeHeading(page, "Image10", QStringLiteral("Finished"));
    Label26 = MakeLabel(page, "Label26",
                        QStringLiteral("To 'receive' the converted records, visit the 'Applications' tab in your "
                                       "Quillmarsh mailbox."),
                        QRect(16, 80, 800, 20));
    Image12 = MakePicture(page, "Image12", MailboxPicture(QSize(780, 500)), QPoint(16, 110));
    Button21 = MakeButton(page, "Button21", QStringLiteral("&Close"), QRect(ForwardLeft, 615, ButtonWidth, 60));
    Label35 = MakeLabel(page, "Label35", QString(), QRect(16, 615, 560, 80));
    Label35->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Below Close's top edge, so Close stays the page's first control and Return closes.
    Button27 = MakeButton(page, "Button27", QStringLiteral("&Open its folder"), QRect(590, 640, 240, 25));
    Button28 = MakeButton(page, "Button28", QStringLiteral("&Import the rows that were not imported"),
                          QRect(590, 672, 240, 25));
    Button27->setVisible(false);
    Button28->setVisible(false);
}

void TForm1::CreateStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(FormWidth - 75);
    StatusPanel1 = new TStatusPanel(
        1, [this](QPainter& painter, int panel, const QRect& rect) { StatusBar1DrawPanel(painter, panel, rect); },
        StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedSize(24, 18);
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusPanel2->setFixedWidth(50);
    StatusPanel2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2);
}
