#pragma once

#include "cli/CliOptions.h"
#include "core/Paths.h"
#include "core/RunLog.h"
#include "core/SetupRecord.h"
#include "exchange/Connection.h"
#include "exchange/Replies.h"
#include "importer/ImportRun.h"
#include "importer/ResultsFile.h"
#include "importer/RunLedger.h"
#include "mapping/ColumnMapping.h"
#include "mapping/FieldCatalogue.h"

#include <QChar>
#include <QDateTime>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;
class TExchange;
class TParallelPosts;

// What the command line gets from its surroundings, so a test can run it in-process.
struct TCliEnvironment
{
    QString HostDirectory;  // the program's folder
    TFileLocations Files;   // empty paths: the wizard's settings file and Log.txt in HostDirectory
    QString ExecutablePath; // its version record gives the "Version: " line
    QProcessEnvironment Env;
    QIODevice* Out = nullptr;
    QIODevice* Err = nullptr;
    bool ErrIsTerminal = false;
    // Standard output is a terminal: each line goes at once; else lines are gathered briefly.
    bool OutIsTerminal = false;
    // Asks for the password without echo; none when there is no terminal to ask on.
    std::function<std::optional<QString>(const QString& prompt)> ReadSecret;
    std::function<QDateTime()> Now;
    // Ends the process at once with the code (a second interrupt); none in-process,
    // where a second interrupt only stops as the first does.
    std::function<void(int code)> Exit;
};

// The three commands, each following the wizard's road with the same libraries.
class TCommandLine
{
public:
    explicit TCommandLine(TCliEnvironment environment);
    ~TCommandLine();

    // args excludes the program name; returns the exit code.
    int Run(const QStringList& args);

    // SIGINT or SIGTERM, delivered between events. The first stops the import the way
    // the wizard's Stop does (or ends before it begins); the second ends at once after
    // saving the log and the results so far.
    void Interrupt();

    // Written to standard output in place of the password.
    static QString MaskRecord(const QString& record, const QString& head, const QString& maskedHead);

private:
    int RunRows();
    int RunFields();
    int RunImport();
    int RunCheck();

    friend class TCliImportHost;

    // Each step returns ecOk or the exit code to end with.
    int ReadPassword(); // the account number and login name first, then the password
    int StartExchange();
    int Login();
    int FetchFieldList();
    int LoadSource();
    int ReadMappingFile(); // also settles whether the first row holds headings
    int ApplyMapping();
    int CheckRows(); // the check of every row; check prints it, import decides on it
    int ChooseSite();
    int SendRecords();
    int DryRun();
    int CheckResume();
    int OpenResults();

    bool ConfigureConnection();
    void DispatchReply(quint16 waitFor, const QString& reply);
    // A record's reply as listed: the service's messages once each, the count of records imported.
    void ListRecordReply(int status, const QString& reply);
    int PostOnce(const QString& text, quint16 replyCode, bool* answered);
    void StartLog();
    void StopLog();
    QString LogPath() const;
    QString SettingsPath() const;

    void Print(const QString& text);
    void PrintError(const QString& text);
    // Writes out what Print gathered.
    void FlushOut();

    TCliEnvironment E;
    QTextStream Out;
    QTextStream Err;
    QTimer OutFlushTimer;
    bool OutPending = false;
    TCliOptions Options;

    TRunLog RunLog;
    bool LogStarted = false;
    SetupRecord Setup;
    bool ColHeadings = true;
    TEndpointOptions Endpoint;
    std::unique_ptr<TExchange> Exchange;
    int WatchdogTickMs = 1000;
    bool BarShown = false; // a progress bar is on the terminal's last line

    QString AccountNumber;
    QString LoginName;
    QString Password;
    QString SiteNumber = QStringLiteral("0");

    QString LoginReply;
    bool LoginAnswered = false;
    QString SiteReply;
    bool FieldListAnswered = false;
    bool SiteListAnswered = false;
    TCatalogue FieldCatalogue;
    TColumnMap ColumnMap{};
    QStringList SourceLines;
    QChar SourceDelimiter;
    QString MappingText;
    qint32 RecordsImported = 0;
    TMessageList ListedMessages;
    qint32 ComposedCount = 0; // records composed by a dry run

    TRunLedger Ledger;
    TRunLedger Previous; // the rows of the results file given to --resume
    TResultsFile Results;
    TRecordReply RecordAnswer; // the reply to the record being sent
    TParallelPosts* ParallelPosts = nullptr; // --parallel: the records in flight, while a run goes
    TImportRun* ActiveRun = nullptr;
    int Interrupts = 0;
};

// Milliseconds per watchdog tick: 1000 unless QIMPORT_WATCHDOG_TICK_MS (for tests) asks for less.
int WatchdogTickFrom(const QProcessEnvironment& env);
// The message shown when the service no longer accepts this version.
QString ExpiredVersionMessage();
