#pragma once

#include "core/HandlerGuard.h"
#include "core/Prompt.h"
#include "core/RunLog.h"
#include "core/SetupRecord.h"
#include "exchange/Connection.h"
#include "exchange/Replies.h"
#include "importer/ImportRun.h"
#include "importer/ResultsFile.h"
#include "importer/RunLedger.h"
#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"

#include <QDateTime>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPainter;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStatusBar;
class QTableWidget;
class QTimer;
class TStatusPanel;
class TMessageListModel;
class TExchange;
class TImportRun;
struct TPreparedRecord;
class TPreCheck;
struct TPreCheckReport;
class TForm2;
class TForm3;
class TForm4;
class TForm5;

// What the main window takes from outside, so a test can build its own.
struct TForm1Options
{
    QString HostDirectory;             // empty -> GetExeDirectory()
    IPrompt* Prompt = nullptr;         // every box and question goes through it (required)
    std::function<QDateTime()> Clock;  // empty -> current local time
    QString SettingsPath;              // empty -> the settings file beside the program in HostDirectory
    QString LogPath;                   // empty -> Log.txt in HostDirectory
    TEndpointOptions Endpoint;         // endpoint host and optional CA file (--host, --ca-file)
    std::function<void(const QString& folder)> OpenFolder; // empty -> the desktop's file manager
};

// Position of a window of the given size when first shown: centred on the primary
// screen, but never left of or above the desktop's edge.
QPoint InitialWindowPosition(const QSize& primaryScreen, const QRect& desktop, const QSize& window);

// The main window: the wizard of eight pages.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int FormWidth = 1000;
    static constexpr int FormHeight = 750;
    static constexpr int MinWidth = 500;
    static constexpr int MinHeight = 420;

    explicit TForm1(const TForm1Options& options);
    ~TForm1() override;

    // --- Components ---
    QStackedWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet7 = nullptr;
    QWidget* TabSheet8 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;  // "Records imported: " ...
    TStatusPanel* StatusPanel1 = nullptr; // the SSL padlock
    QLabel* StatusPanel2 = nullptr;  // always empty
    QTimer* Timer1 = nullptr;        // one-second watchdog; started by the exchange

    // Start page
    QLabel* Image1 = nullptr; // logo
    QLabel* Label23 = nullptr;
    QLabel* Label21 = nullptr; // notice labels
    QLabel* Label22 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button12 = nullptr;
    QLabel* Image9 = nullptr; // padlock, hidden

    // Credentials page
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* Button19 = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label24 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    // File page
    QLabel* Image3 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button13 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label9 = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Master records"
    QGroupBox* GroupBox3 = nullptr; // "Child records"
    QList<QRadioButton*> RecordKindButtons; // RadioButton1..RadioButton17, in order
    QProgressBar* Gauge2 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;

    // Mapping page
    QLabel* Image4 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Button22 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label16 = nullptr;
    QRadioButton* RadioButton20 = nullptr;
    QRadioButton* RadioButton21 = nullptr;
    QLabel* Label30 = nullptr;
    QLabel* Label31 = nullptr;
    QLabel* Label32 = nullptr;
    QListWidget* ListBox4 = nullptr;
    QListWidget* ListBox5 = nullptr;
    QListWidget* ListBox6 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLabel* Image7 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label33 = nullptr;
    QFrame* Panel2 = nullptr; // bottom bar
    QPushButton* Button9 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button11 = nullptr;
    QLabel* Image11 = nullptr;       // hidden holder of the general picture
    QPushButton* Button23 = nullptr; // "Save mapping..."
    QPushButton* Button24 = nullptr; // "Load mapping..."
    QPushButton* Button25 = nullptr; // "Match by headings"
    void Button23Click();
    void Button24Click();
    void Button25Click();

    // Test page
    QLabel* Image5 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QPushButton* Button17 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
    QLabel* Label34 = nullptr;       // summary line of the check of every row
    QListWidget* ListBox7 = nullptr; // its findings; choosing one previews its row
    QTimer* Timer2 = nullptr;        // runs the check a slice of rows at a time

    // Site page
    QLabel* Image6 = nullptr;
    QLabel* Label25 = nullptr;
    QRadioButton* RadioButton18 = nullptr;
    QRadioButton* RadioButton19 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button15 = nullptr;
    QPushButton* Button14 = nullptr;

    // Import page
    QLabel* Image8 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    QPushButton* Button20 = nullptr;
    QListView* ListBox3 = nullptr;
    TMessageListModel* ImportMessages = nullptr; // the lines ListBox3 shows
    QProgressBar* Gauge3 = nullptr;
    QPushButton* Button18 = nullptr;
    QPushButton* Button16 = nullptr;
    QPushButton* Button26 = nullptr; // "Stop", enabled while a run goes

    // Final page
    QLabel* Image10 = nullptr;
    QLabel* Label26 = nullptr;
    QLabel* Image12 = nullptr; // the mailbox picture
    QPushButton* Button21 = nullptr;
    QLabel* Label35 = nullptr;       // where the results file is, and the counts
    QPushButton* Button27 = nullptr; // "Open its folder"
    QPushButton* Button28 = nullptr; // "Import the rows that were not imported"

    // --- State ---
    quint16 FileType = 0;
    QString FileName;
    QString AccountNumber;
    QString LoginName;
    QString Password; // memory only: never written to a file or the log
    // The account number as the settings file held it; nine digits keep a leading zero.
    QString StoredAccountNumber;
    QString SiteNumber;
    QString Version;
    QString HostDirectory;
    qint32 RecordsImported = 0;
    qint32 CRow = 0;
    bool ShownMes = false;
    bool ShownMes2 = false;
    SetupRecord Setup;

    TRunLog RunLog;
    QStringList SourceLines;
    QChar SourceDelimiter;
    // The catalogue of destination fields with the Tab, Box and Field name lists.
    TCatalogue FieldCatalogue;
    TColumnMap ColumnMap;
    qint32 TestRow = 0;

    // The exchange with the service: WaitFor, Waiting, WaitTicks, ResponseText,
    // Retry, RetryCount, ExitPlease, and the client HTTPS1 with the encoder MIME1.
    TExchange* Exchange = nullptr;
    TEndpointOptions Endpoint;

    // The auxiliary windows, created after this one.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    void AttachWindows(TForm2* form2, TForm3* form3, TForm4* form4, TForm5* form5);

    IPrompt& Prompt() const { return *FPrompt; }
    QDateTime Now() const { return FClock(); }
    QString SettingsPath() const { return FSettingsPath; }
    QString LogPath() const;

    // --- Handlers ---
    void FormCreate();
    void FormShow();
    void FormResize();
    // Paints one panel of the status bar; only panel 1 (the SSL indicator) is drawn here.
    void StatusBar1DrawPanel(QPainter& painter, int panel, const QRect& rect);
    void TabSheet1Show();
    void Button1Click();
    void Button12Click();
    void Button21Click();
    void FormCloseQuery(bool& canClose);
    void FormClose();

    // Exchange glue (Unit1Exchange.cpp)
    bool ConfigureConnection();
    void PostRequest(const QString& text, quint16 replyCode, bool retrying);
    QString encodeString(const QString& iString) const;
    void Timer1Timer();
    void HTTPS1StartTransfer(int direction);
    void HTTPS1Transfer(int direction, qint64 bytesTransferred, int percentDone, const QString& text);
    void HTTPS1EndTransfer(int direction);
    void HTTPS1Error(int errorCode, const QString& description);
    // The branch of the reply dispatch for the awaited reply code.
    void DispatchReply(quint16 waitFor, const QString& reply);
    void AddServerMessages(const QString& reply);

    // Credentials page (Unit1Credentials.cpp)
    void TabSheet2Show();
    void Edit1Change();
    void Button2Click();
    void Button19Click();

    // Site choice (Unit1Site.cpp)
    void Button6Click();
    bool LoadSiteList(const QString& reply);
    void SiteSelectionClick();
    void ComboBox1Change();
    void Button15Click();

    // File page (Unit1File.cpp)
    void TabSheet3Show();
    void RadioButton1Click(QRadioButton* sender);
    void Button4Click();
    void Button13Click();
    void Edit4Exit();
    void LoadFieldCatalogue(const QString& text);
    void LoadSourceFile();
    void FillSampleGrid(int n);

    // Mapping page (Unit1Mapping.cpp)
    void TabSheet4Show();
    void StringGrid1Click();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();
    void ComboBox2Change();
    void RadioButton20Click();
    void RadioButton20MouseUp();
    void Button9Click();
    void Button22Click();
    void Image7Click();
    void Label30MouseEnter();
    void Label31MouseEnter();
    void Label32MouseEnter();
    void ListBox5MouseMove();
    void ListBox6MouseMove();
    void WMEnterSizeMove();

    // Test page (Unit1Test.cpp)
    void Button10Click();
    void TabSheet5Show();
    void Button8Click();
    void Button17Click();
    // The check of every row, started when the page is entered from the mapping page.
    void StartPreCheck();
    void Timer2Timer();
    void ShowPreCheck(const TPreCheckReport& report);
    void ListBox7Click();
    std::shared_ptr<TPreCheck> PreCheck; // the check in progress or last done

    // Import and final pages (Unit1Import.cpp)
    void TabSheet7Show();
    void Button20Click();
    void RunImport();
    void Button18Click();
    void Button26Click();
    void Button27Click();
    void Button28Click();
    void SendRecord(const QStringList& rowList);
    // The same for a record composed and encoded while the last reply was awaited.
    void SendPreparedRecord(const TPreparedRecord& prepared);
    // Every row of the last run and its outcome; the results file it was written to.
    TRunLedger Ledger;
    TResultsFile Results;
    TResultsPlace ResultsPlace;
    // The reply to the record being sent, as the reply dispatch received it.
    TRecordReply RecordAnswer;
    // The final page's account of the last run: where its results file is, and the counts.
    void ShowResults();
    // The run in progress (null outside Start), and a close confirmed while a run or a
    // request was still on the stack: the window closes once they have returned.
    TImportRun* ImportRun = nullptr;
    // The service messages listed in ListBox3. During a run, new ones wait in
    // PendingMessages and reach the list, with the count, in one batch at most ten
    // times a second: a line at a time would make the window lay out and repaint
    // after every row, which made a long run slower row by row.
    TMessageList ListedMessages;
    QStringList PendingMessages;
    void ShowRunProgress();
    bool CloseWhenIdle = false;
    bool IsBusy() const;

    // Makes a page the active one and runs its showing handler.
    void ShowPage(QWidget* page);

    // The button Return presses on the current page (Unit1Access.cpp).
    QPushButton* MainButton() const;

    // A handler of this window for connect (or any other caller from Qt): a failure
    // it lets out ends it and is shown in an error box, never passed through Qt.
    //     connect(Button2, &QPushButton::clicked, this, Guard(&TForm1::Button2Click));
    template <typename R, typename... A>
    auto Guard(R (TForm1::*method)(A...))
    {
        return Guarded(FPrompt, this, method);
    }
    template <typename F>
    auto Guard(F handler)
    {
        return Guarded(FPrompt, std::move(handler));
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadSettings();
    void PageShown(int index);
    // The run behind Start and behind the final page's second chance: previous
    // names the rows imported already, which are not sent again.
    void ImportRows(const TRunLedger* previous);
    void OpenResultsFile();
    // The answer to the login check, field list or site list was an HTTP error.
    void ReportHttpError(quint16 waitFor, int status);

    // Signal wiring of each page's controls, one per page file.
    void ConnectExchange();
    void ConnectCredentialsPage();
    void ConnectSitePage();
    void ConnectFilePage();
    void ConnectMappingPage();
    void ConnectTestPage();
    void ConnectImportPage();

    // Control construction, one per page (Unit1Layout.cpp).
    void CreateControls();
    void CreateStartPage();
    void CreateCredentialsPage();
    void CreateFilePage();
    void CreateMappingPage();
    void CreateTestPage();
    void CreateSitePage();
    void CreateImportPage();
    void CreateFinalPage();
    void CreateStatusBar();
    // Accessible names, label buddies and the keyboard order (Unit1Access.cpp).
    void CreateAccessibility();
    void ApplyReadingOrder();
    // Puts the focus on a shown page's first control unless it is on the page already.
    void FocusPage(QWidget* page);

    // Detaches every handler from this window before its members go (the destructor).
    void DisconnectHandlers();

    IPrompt* FPrompt = nullptr;
    std::function<QDateTime()> FClock;
    QObject* FMappingHook = nullptr; // the mapping page's event hook
    std::function<void(const QString&)> FOpenFolder;
    QString FSettingsPath;
    QString FLogPath;
    bool FShown = false;
    bool FClosed = false;
};
