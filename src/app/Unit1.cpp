#include "app/Unit1.h"

#include "app/Pictures.h"
#include "app/SampleGridDelegate.h"
#include "app/StatusPanel.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "core/Version.h"
#include "core/Conversions.h"
#include "dialogs/Unit4.h"
#include "exchange/Credentials.h"
#include "exchange/Exchange.h"
#include "importer/ImportRun.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

QPoint InitialWindowPosition(const QSize& primaryScreen, const QRect& desktop, const QSize& window)
{
    // Integer division truncates toward zero, as the placement rule expects for too-small screens.
    const int left = (primaryScreen.width() - window.width()) / 2;
    const int top = (primaryScreen.height() - window.height()) / 2;
    return QPoint(qMax(left, desktop.left()), qMax(top, desktop.top()));
}

TForm1::TForm1(const TForm1Options& options)
    : QMainWindow(nullptr,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                      | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , HostDirectory(options.HostDirectory)
    , FPrompt(options.Prompt)
    , FClock(options.Clock)
    , FOpenFolder(options.OpenFolder)
    , FSettingsPath(options.SettingsPath)
    , FLogPath(options.LogPath)
{
    Q_ASSERT(FPrompt);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillmarsh Import Utility"));
    if (!FClock)
        FClock = [] { return QDateTime::currentDateTime(); };
    if (!FOpenFolder)
        FOpenFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    Endpoint = options.Endpoint;
    CreateControls();
    Exchange = new TExchange(RunLog, [this] { RunLog.SaveTo(LogPath()); }, this);

    connect(PageControl1, &QStackedWidget::currentChanged, this, Guard(&TForm1::PageShown));
    connect(Button1, &QPushButton::clicked, this, Guard(&TForm1::Button1Click));
    for (QPushButton* cancel : {Button3, Button5, Button11, Button7, Button14, Button16, Button12})
        connect(cancel, &QPushButton::clicked, this, Guard(&TForm1::Button12Click));
    connect(Button21, &QPushButton::clicked, this, Guard(&TForm1::Button21Click));
    ConnectExchange();
    ConnectCredentialsPage();
    ConnectSitePage();
    ConnectFilePage();
    ConnectMappingPage();
    ConnectTestPage();
    ConnectImportPage();

    FormCreate();
    // The watchdog ticks from creation to the end of the window.
    Timer1->start();
}

void TForm1::AttachWindows(TForm2* form2, TForm3* form3, TForm4* form4, TForm5* form5)
{
    Form2 = form2;
    Form3 = form3;
    Form4 = form4;
    Form5 = form5;
    // The written instructions keep clear of this window, above all of the mapping page's buttons.
    if (Form4)
        Form4->Follow(this, {Button9, Button10, Button11});
}

TForm1::~TForm1()
{
    DisconnectHandlers();
}

void TForm1::DisconnectHandlers()
{
    // The members go before the child widgets, and a child being destroyed still reports
    // things: the focused box ends its editing, views get events. From here on nothing may
    // reach this window: no timer, signal handler, event hook or callback.
    Timer1->stop();
    Timer2->stop();
    delete FMappingHook; // an event filter that is deleted is no longer called
    FMappingHook = nullptr;
    if (auto* skip = dynamic_cast<TMouseUpRadioButton*>(RadioButton20))
        skip->OnMouseUp = nullptr;
    StatusPanel1->SetNameSource(nullptr); // screen readers may still ask while the bar goes
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
    QObject::disconnect(&Exchange->HTTPS1, nullptr, this, nullptr);
    Exchange->OnReply = nullptr;
    Exchange->ConfigureConnection = nullptr;
    Exchange->OnTicks = nullptr;
    Exchange->ShowTimeoutError = nullptr;
}

QString TForm1::LogPath() const
{
    // The very file read at start is the one extended, whatever the file system's case rules.
    return FLogPath.isEmpty() ? LogFilePath(HostDirectory) : FLogPath;
}

void TForm1::FormCreate()
{
    Exchange->ExitPlease = false;
    ShownMes = false;
    if (HostDirectory.isEmpty())
        HostDirectory = GetExeDirectory();
    if (FSettingsPath.isEmpty()) {
        QString programName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (programName.isEmpty())
            programName = ProgramFileName();
        FSettingsPath = SettingsPathFor(QDir(HostDirectory).filePath(programName));
    }

    RunLog.LoadFrom(LogPath());
    RunLog.Add(StartedLine(Now()));
    RunLog.SaveTo(LogPath());

    LoadSettings();
    SourceLines.clear();

    setFixedSize(FormWidth, FormHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(InitialWindowPosition(screen->geometry().size(), screen->availableVirtualGeometry(), size()));
    PageControl1->setCurrentWidget(TabSheet1);
    TabSheet1Show();
}

void TForm1::LoadSettings()
{
    const TLoadedSettings loaded = ReadSettingsFile(FSettingsPath);
    Setup = loaded.Setup;
    CheckBox1->setChecked(loaded.ColHeadings);
    FileName = loaded.FileName;
    Edit4->setText(FileName);
    StoredAccountNumber = loaded.AccountNumber;
    if (const QString shown = FormatAccountDigits(StoredAccountNumber); !shown.isEmpty())
        Edit1->setText(shown);
    if (!Setup.Email.isEmpty())
        Edit2->setText(Setup.Email);
    SiteNumber = QString::number(Setup.SiteNumber);
}

void TForm1::FormShow()
{
    Exchange->Waiting = false;
    Exchange->WaitFor = 0;
    Exchange->ResponseText.clear();
    Exchange->WaitTicks = 0;
    FileType = 2;
    Version = GetFileVersionText(QDir(HostDirectory).filePath(ProgramFileName()));
    Label23->setText(QStringLiteral("Version ") + Version);
    RunLog.Add(QStringLiteral("Version: ") + Version);
    FieldCatalogue.ClearEntries();
    FieldCatalogue.FieldNames.Clear();
    FieldCatalogue.TabNames.Clear();
    FieldCatalogue.BoxNames.Clear();

    const bool wasSelected = RadioButton18->isChecked();
    RadioButton18->setChecked(true);
    if (!wasSelected)
        SiteSelectionClick();

    Button10->setEnabled(false);
    Button22->setText(QStringLiteral("&Quick\nTutorial"));
}

void TForm1::FormResize()
{
    StatusPanel0->setFixedWidth(width() - 75);
}

void TForm1::StatusBar1DrawPanel(QPainter& painter, int panel, const QRect& rect)
{
    if (panel != 1)
        return;
    if (Setup.UseSSL)
        painter.drawPixmap(rect.left() + 1, rect.top(), Image9->pixmap());
    else
        painter.fillRect(rect, StatusBar1->palette().color(QPalette::Window));
}

void TForm1::TabSheet1Show()
{
    Label21->setText(QStringLiteral("This utility copies the rows of a tab or comma delimited text file into your "
                                    "Quillmarsh database."));
    Label22->setText(QStringLiteral("Before you start, close the source file in any other program and have your "
                                    "Quillmarsh account number, login name and password at hand."));
}

void TForm1::Button1Click()
{
    ShowPage(TabSheet2);
}

void TForm1::Button12Click()
{
    close();
}

void TForm1::Button21Click()
{
    Exchange->ExitPlease = true;
    close();
}

void TForm1::FormCloseQuery(bool& canClose)
{
    if (Exchange->ExitPlease) {
        canClose = true;
        return;
    }
    canClose = Prompt().Confirm(QStringLiteral("Close the Quillmarsh Import Utility?"));
}

void TForm1::FormClose()
{
    SourceLines.clear();

    // The account number and login name the boxes show when they pass the checks, else those
    // the file held: a run that never logged in must not erase them. The digits as typed, so a
    // leading zero comes back.
    const QString typedAccount = DigitsOnly(Edit1->text());
    const QString account = IsAccountDigits(typedAccount) ? typedAccount : StoredAccountNumber;
    const QString login = IsEmailAddress(Edit2->text()) ? TrimControl(Edit2->text()) : Setup.Email;
    // A settings file that cannot be written must not keep the program open: say so and go on closing.
    QString error;
    if (!WriteSettingsFile(FSettingsPath, Setup, account, SiteNumber, login, CheckBox1->isChecked(), FileName,
                           &error))
        Prompt().ShowError(error);

    RunLog.Add(StoppedLine(Now()));
    RunLog.Add(QStringLiteral(" "));
    RunLog.SaveTo(LogPath());
}

void TForm1::ShowPage(QWidget* page)
{
    PageControl1->setCurrentWidget(page);
}

void TForm1::PageShown(int index)
{
    // Each page's showing handler.
    switch (index) {
    case 0:
        TabSheet1Show();
        break;
    case 1:
        TabSheet2Show();
        break;
    case 2:
        TabSheet3Show();
        break;
    case 3:
        TabSheet4Show();
        break;
    case 4:
        TabSheet5Show();
        break;
    case 6:
        TabSheet7Show();
        break;
    default:
        break;
    }
    FocusPage(PageControl1->widget(index));
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        Guard(&TForm1::FormShow)();
    }
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Guard(&TForm1::FormResize)();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FClosed) {
        event->accept();
        return;
    }
    if (!CloseWhenIdle) {
        // A question that fails keeps the window open, as a No would.
        bool canClose = true;
        bool asked = false;
        Guard([this, &canClose, &asked] {
            FormCloseQuery(canClose);
            asked = true;
        })();
        if (!asked || !canClose) {
            event->ignore();
            return;
        }
    }
    // Confirmed while a request or the import run is still on the stack: the close procedure
    // would release what they read. Stop the run from sending further records and close once
    // everything has returned, without asking again.
    if (IsBusy()) {
        event->ignore();
        if (CloseWhenIdle)
            return;
        CloseWhenIdle = true;
        if (ImportRun) {
            ImportRun->RequestStop();
            // A record whose post failed would otherwise wait for the watchdog and be sent again.
            Exchange->ExitPlease = true;
        }
        auto* idleCheck = new QTimer(this);
        idleCheck->setInterval(20);
        connect(idleCheck, &QTimer::timeout, this, Guard([this, idleCheck] {
            if (IsBusy())
                return;
            idleCheck->stop();
            idleCheck->deleteLater();
            close();
        }));
        idleCheck->start();
        return;
    }
    // A close procedure that fails half-way is reported, and the window closes all the same.
    FClosed = true;
    Guard(&TForm1::FormClose)();
    event->accept();
}
