#include "cli/CommandLine.h"

#include "cli/CliImportHost.h"

#include "core/Conversions.h"
#include "core/HandlerGuard.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "core/TextDecoder.h"
#include "core/Version.h"
#include "exchange/Credentials.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/HTTPSClient.h"
#include "exchange/ParallelPosts.h"
#include "exchange/Replies.h"
#include "importer/ImportRun.h"
#include "importer/PreCheck.h"
#include "importer/Preview.h"
#include "importer/RecordEncoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldNames.h"
#include "mapping/MappingFile.h"
#include "source/ColumnLetters.h"
#include "source/RowList.h"
#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <map>
#include <stdexcept>

namespace
{
QString Stars(const QString& secret)
{
    return QString(secret.size(), QLatin1Char('*'));
}

const char RefusedText[] = "Unable to connect: The account number, login name, or password you entered is not correct.";

// The connection settings could not be applied; their failure path has already said why.
class TConnectionNotConfigured : public std::runtime_error
{
public:
    TConnectionNotConfigured() : std::runtime_error("the connection settings could not be applied") {}
};
} // namespace

int WatchdogTickFrom(const QProcessEnvironment& env)
{
    // Only ever shortened: a slower watchdog would let a stuck run hang for longer.
    qint32 ms = 0;
    if (TryStrToInt(env.value(QStringLiteral("QIMPORT_WATCHDOG_TICK_MS")).trimmed(), ms) && ms >= 1 && ms < 1000)
        return ms;
    return 1000;
}

TCommandLine::TCommandLine(TCliEnvironment environment)
    : E(std::move(environment))
    , Out(E.Out)
    , Err(E.Err)
{
    if (!E.Now)
        E.Now = [] { return QDateTime::currentDateTime(); };
    if (E.Files.SettingsFile.isEmpty()) {
        // The wizard's settings file, so both front ends share the account and connection settings.
        E.Files.SettingsFile = SettingsPathFor(QDir(E.HostDirectory).filePath(ProgramFileName()));
        E.Files.LogFile = LogFilePath(E.HostDirectory);
        E.Files.BesideProgram = true;
    }
    WatchdogTickMs = WatchdogTickFrom(E.Env);
    OutFlushTimer.setSingleShot(true);
    OutFlushTimer.setInterval(100);
    QObject::connect(&OutFlushTimer, &QTimer::timeout, &OutFlushTimer, [this] { FlushOut(); });
}

TCommandLine::~TCommandLine() = default;

QString TCommandLine::MaskRecord(const QString& record, const QString& head, const QString& maskedHead)
{
    // The head is composed from the same values, so it always matches; if it ever did not, show
    // nothing of the record rather than risk the password.
    if (!record.startsWith(head))
        return maskedHead;
    return maskedHead + record.mid(head.size());
}

void TCommandLine::Print(const QString& text)
{
    // The progress bar shares the terminal: wipe it so a message starts on a clean line; the next
    // row draws it again.
    if (BarShown) {
        Err << '\r' << QString(60, QLatin1Char(' ')) << '\r';
        Err.flush();
        BarShown = false;
    }
    Out << text << '\n';
    // One write per line would cost a row of a fast import more than its own work: a file or
    // pipe gets the lines at most a tenth of a second late, and all of them before anything
    // else is said on standard error or the run ends.
    if (E.OutIsTerminal) {
        Out.flush();
    } else {
        OutPending = true;
        if (!OutFlushTimer.isActive())
            OutFlushTimer.start();
    }
}

void TCommandLine::FlushOut()
{
    OutFlushTimer.stop();
    if (!OutPending)
        return;
    OutPending = false;
    Out.flush();
}

void TCommandLine::PrintError(const QString& text)
{
    // Both streams often end in the same file: what standard output has comes first.
    FlushOut();
    if (BarShown) {
        Err << '\r' << QString(60, QLatin1Char(' ')) << '\r';
        BarShown = false;
    }
    Err << text << '\n';
    Err.flush();
}

void TCommandLine::Interrupt()
{
    ++Interrupts;
    if (Interrupts == 1 || !E.Exit) {
        if (Interrupts == 1 && ActiveRun) {
            PrintError(QStringLiteral("Interrupted: stopping after the record in flight. Interrupt again to end "
                                      "at once."));
            RunLog.Add(QStringLiteral("Import stopped by an interrupt"));
        } else if (Interrupts == 1) {
            PrintError(QStringLiteral("Interrupted: ending."));
            RunLog.Add(QStringLiteral("Stopped by an interrupt"));
        }
        if (ActiveRun)
            ActiveRun->RequestStop();
        if (Exchange)
            Exchange->StopPlease = true;
        return;
    }
    // Ending at once, from inside a wait: account for every row, keep the log, go.
    PrintError(QStringLiteral("Interrupted again: ending now."));
    if (ActiveRun)
        ActiveRun->Abandon(Exchange ? Exchange->Posts : 0);
    Results.Close();
    RunLog.Add(QStringLiteral("Ended at once by a second interrupt"));
    StopLog();
    FlushOut();
    Err.flush();
    E.Exit(ecInterrupted);
}

QString TCommandLine::LogPath() const
{
    return E.Files.LogFile;
}

QString TCommandLine::SettingsPath() const
{
    return E.Files.SettingsFile;
}

void TCommandLine::StartLog()
{
    MakeFileFolders(E.Files);
    RunLog.LoadFrom(LogPath());
    RunLog.Add(StartedLine(E.Now()));
    RunLog.SaveTo(LogPath());
    LogStarted = true;
    RunLog.Add(QStringLiteral("Version: ") + GetFileVersionText(E.ExecutablePath));
}

void TCommandLine::StopLog()
{
    if (!LogStarted)
        return;
    RunLog.Add(StoppedLine(E.Now()));
    RunLog.Add(QStringLiteral(" "));
    RunLog.SaveTo(LogPath());
}

int TCommandLine::Run(const QStringList& args)
{
    const TParsedCommandLine parsed = ParseCliArguments(args);
    if (!parsed.Error.isEmpty()) {
        PrintError(QStringLiteral("qimport-cli: ") + parsed.Error);
        Err << CliUsageLine();
        Err.flush();
        return ecUsage;
    }
    Options = parsed.Options;
    if (Options.Command == TCliCommand::Help) {
        Out << CliHelpText() << '\n' << FileLocationsHelpText(E.Files);
        Out.flush();
        return ecOk;
    }

    StartLog();
    const TLoadedSettings loaded = ReadSettingsFile(SettingsPath());
    Setup = loaded.Setup;
    ColHeadings = loaded.ColHeadings;

    int code = ecFailure;
    try {
        switch (Options.Command) {
        case TCliCommand::Rows:
            code = RunRows();
            break;
        case TCliCommand::Fields:
            code = RunFields();
            break;
        case TCliCommand::Import:
            code = RunImport();
            break;
        case TCliCommand::Check:
            code = RunCheck();
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        // A failure a step passes on ends the run, as the wizard's catch-all ends the action.
        PrintError(QString::fromUtf8(e.what()));
        code = ecFailure;
    }
    StopLog();
    FlushOut();
    return code;
}

int TCommandLine::RunRows()
{
    if (const int code = LoadSource(); code != ecOk)
        return code;
    for (const QString& line : SourceLines) {
        if (!Options.Json) {
            Print(line);
            continue;
        }
        QJsonArray cells;
        for (const QString& cell : SplitSourceRow(line))
            cells.append(cell);
        Print(QString::fromUtf8(QJsonDocument(cells).toJson(QJsonDocument::Compact)));
    }
    return ecOk;
}

int TCommandLine::RunFields()
{
    for (auto step : {&TCommandLine::ReadPassword, &TCommandLine::StartExchange, &TCommandLine::Login,
                      &TCommandLine::FetchFieldList}) {
        if (const int code = (this->*step)(); code != ecOk)
            return code;
        if (Interrupts > 0)
            return ecInterrupted;
    }
    for (int i = 0; i < CatalogueSize; ++i) {
        if (!FieldCatalogue.IsInUse(i))
            continue;
        Print(QStringList{QString::number(i), FieldCatalogue.TabNames.NameOf(i).value_or(QString()),
                          FieldCatalogue.BoxNames.NameOf(i).value_or(QString()),
                          FieldCatalogue.FieldNames.NameOf(i).value_or(QString()),
                          FieldTypeName(FieldCatalogue.Entries[size_t(i)].FieldType)}
                  .join(QLatin1Char('\t')));
    }
    return ecOk;
}

int TCommandLine::RunImport()
{
    // The wizard's order, except that the files are read first: a missing or undelimited file
    // is found before anything is asked of the service, and so is a results file that cannot be
    // resumed from. Every row is checked before the first record goes out.
    for (auto step : {&TCommandLine::LoadSource, &TCommandLine::ReadMappingFile, &TCommandLine::CheckResume,
                      &TCommandLine::ReadPassword, &TCommandLine::StartExchange, &TCommandLine::Login,
                      &TCommandLine::FetchFieldList, &TCommandLine::ApplyMapping, &TCommandLine::CheckRows}) {
        if (const int code = (this->*step)(); code != ecOk)
            return code;
        if (Interrupts > 0)
            return ecInterrupted;
    }
    if (Options.DryRun)
        return DryRun();
    if (const int code = ChooseSite(); code != ecOk)
        return code;
    if (Interrupts > 0)
        return ecInterrupted;
    return SendRecords();
}

int TCommandLine::RunCheck()
{
    for (auto step : {&TCommandLine::LoadSource, &TCommandLine::ReadMappingFile, &TCommandLine::ReadPassword,
                      &TCommandLine::StartExchange, &TCommandLine::Login, &TCommandLine::FetchFieldList,
                      &TCommandLine::ApplyMapping}) {
        if (const int code = (this->*step)(); code != ecOk)
            return code;
        if (Interrupts > 0)
            return ecInterrupted;
    }
    return CheckRows();
}

int TCommandLine::ReadPassword()
{
    const QString account = Options.Account.value_or(FormatAccountNumber(Setup.Account));
    const QString login = Options.Login.value_or(Setup.Email);
    // Both checks always run, so both messages may show.
    bool valid = true;
    if (DigitsOnly(account).size() != 9) {
        PrintError(QStringLiteral("Unable to connect: The account number is not valid."));
        valid = false;
    }
    if (!IsEmailAddress(login)) {
        PrintError(QStringLiteral("Unable to connect: The login name is not valid"));
        valid = false;
    }
    if (!valid)
        return ecUsage;
    AccountNumber = DigitsOnly(account);
    LoginName = TrimControl(login);

    if (!Options.PasswordFile.isEmpty()) {
        QStringList lines;
        QString error;
        if (!ReadTextFileLines(Options.PasswordFile, lines, nullptr, &error)) {
            PrintError(QStringLiteral("Unable to read the password file ") + Options.PasswordFile + QStringLiteral(": ") +
                       error);
            return ecUnreadableFile;
        }
        Password = TrimControl(lines.value(0));
        return ecOk;
    }
    const QString fromEnv = E.Env.value(QStringLiteral("QIMPORT_PASSWORD"));
    if (!fromEnv.isEmpty()) {
        Password = TrimControl(fromEnv);
        return ecOk;
    }
    const std::optional<QString> typed = E.ReadSecret ? E.ReadSecret(QStringLiteral("Password: ")) : std::nullopt;
    if (!typed && Interrupts > 0)
        return ecInterrupted;
    if (!typed) {
        PrintError(QStringLiteral("No password: set QIMPORT_PASSWORD, use --password-file FILE, or run on a terminal "
                                  "to be asked for it."));
        return ecUsage;
    }
    Password = TrimControl(*typed);
    return ecOk;
}

bool TCommandLine::ConfigureConnection()
{
    try {
        ApplyConnectionSettings(Exchange->HTTPS1, Setup, Endpoint, RunLog);
    } catch (const THTTPSError& e) {
        RunLog.Add(QStringLiteral(" Exception in http initialization"));
        PrintError(QStringLiteral("Unable to apply the connection settings: ") + e.Message());
        Exchange->Waiting = false;
        Exchange->WaitTicks = 0;
        Exchange->ResponseText.clear();
        return false;
    }
    // A shortened watchdog shortens the client's 60-second limit in proportion, so the client still
    // gives up before the watchdog's 91st tick, as it does at full length.
    if (WatchdogTickMs < 1000)
        Exchange->HTTPS1.SetTimeoutMs(60 * WatchdogTickMs);
    return true;
}

int TCommandLine::StartExchange()
{
    Endpoint = EndpointOptionsFrom(Options.EndpointArgs, E.Env);
    Exchange = std::make_unique<TExchange>(RunLog, [this] { RunLog.SaveTo(LogPath()); });
    Exchange->OnReply = [this](quint16 waitFor, const QString& reply) { DispatchReply(waitFor, reply); };
    Exchange->ConfigureConnection = [this] {
        if (!ConfigureConnection())
            throw TConnectionNotConfigured();
    };
    Exchange->ShowTimeoutError = [this](const QString& text) { PrintError(text); };
    auto* watchdog = new QTimer(Exchange.get());
    watchdog->setInterval(WatchdogTickMs);
    // Nothing leaves the tick through Qt: a failure ends the tick and is said here, unless
    // it is the connection settings' own, whose failure path has already said why.
    QObject::connect(watchdog, &QTimer::timeout, Exchange.get(), Bounded([this] {
                         if (ParallelPosts)
                             ParallelPosts->Tick();
                         Exchange->Timer1Timer();
                     }, [this] {
                         try {
                             throw;
                         } catch (const TConnectionNotConfigured&) {
                         } catch (...) {
                             PrintError(CurrentFailureMessage());
                         }
                     }));
    watchdog->start();
    return ConfigureConnection() ? ecOk : ecFailure;
}

int TCommandLine::PostOnce(const QString& text, quint16 replyCode, bool* answered)
{
    *answered = false;
    try {
        Exchange->PostRequest(text, replyCode, false);
    } catch (const THTTPSError& e) {
        PrintError(e.Message());
        return ecFailure;
    }
    if (!*answered) {
        PrintError(QStringLiteral("No reply from the service."));
        return ecFailure;
    }
    // An error page is no verdict, no catalogue and no site list.
    if (IsHttpError(Exchange->ReplyStatus)) {
        const QString message = HttpErrorMessage(replyCode, Exchange->ReplyStatus);
        RunLog.Add(message);
        PrintError(message);
        return ecFailure;
    }
    return ecOk;
}

void TCommandLine::ListRecordReply(int status, const QString& reply)
{
    // An error page is not an answer: the row failed and is not counted.
    if (IsHttpError(status))
        return;
    const TReplyMessages added = ListedMessages.AddReply(reply);
    for (const QString& message : added.Added)
        Print(message);
    if (const QString note = added.LogLine(); !note.isEmpty())
        RunLog.Add(note);
    ++RecordsImported;
}

void TCommandLine::DispatchReply(quint16 waitFor, const QString& reply)
{
    switch (waitFor) {
    case rcLogin:
        LoginAnswered = true;
        LoginReply = reply;
        break;
    case rcFieldList:
        FieldListAnswered = true;
        if (!IsHttpError(Exchange->ReplyStatus))
            LoadFieldCatalogue(reply, FieldCatalogue);
        break;
    case rcSiteList:
        SiteListAnswered = true;
        SiteReply = reply;
        break;
    case rcRecord:
        RecordAnswer.Answered = true;
        RecordAnswer.HttpStatus = Exchange->ReplyStatus;
        RecordAnswer.Text = reply;
        ListRecordReply(Exchange->ReplyStatus, reply);
        break;
    default:
        break;
    }
}

int TCommandLine::Login()
{
    RunLog.Add(QStringLiteral("Quillmarsh account : ") + AccountNumber);
    if (const int code = PostOnce(LoginRequest(AccountNumber, LoginName, Password), rcLogin, &LoginAnswered);
        code != ecOk)
        return code;
    switch (LoginVerdict(LoginReply)) {
    case TLoginVerdict::Accepted:
        RunLog.Add(QStringLiteral("Quillmarsh account credentials validated"));
        return ecOk;
    case TLoginVerdict::Outdated:
        RunLog.Add(QStringLiteral("Outdated import utility version"));
        PrintError(QStringLiteral("Unable to connect: ") + ExpiredVersionMessage());
        return ecOutdated;
    case TLoginVerdict::Rejected:
        break;
    }
    RunLog.Add(QStringLiteral("Invalid Quillmarsh account credentials"));
    PrintError(QString::fromLatin1(RefusedText));
    return ecRefused;
}

int TCommandLine::FetchFieldList()
{
    ResetColumnMap(ColumnMap);
    const QString request = FieldListRequest(AccountNumber, LoginName, Password, 2);
    return PostOnce(request, rcFieldList, &FieldListAnswered);
}

int TCommandLine::LoadSource()
{
    const TSourceLoad load = LoadSourceLines(Options.FileName, SourceLines, SourceDelimiter, RunLog, LogPath());
    switch (load.Status) {
    case TSourceStatus::Loaded:
        PrintError(SourceDelimiter == QLatin1Char('\t') ? QStringLiteral("Tab delimiters found")
                                                        : QStringLiteral("Comma delimiters found"));
        return ecOk;
    case TSourceStatus::Invalid:
        PrintError(InvalidFormatMessage());
        return ecInvalidFormat;
    case TSourceStatus::Empty:
        PrintError(EmptyFileMessage());
        return ecEmptyFile;
    case TSourceStatus::Unreadable:
        break;
    }
    PrintError(UnreadableFileMessage(Options.FileName, load.Error));
    return ecUnreadableFile;
}

int TCommandLine::ReadMappingFile()
{
    QFile file(Options.MappingFile);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("Unable to read the mapping file ") + Options.MappingFile + QStringLiteral(": ") +
                   file.errorString());
        return ecUnreadableFile;
    }
    MappingText = DecodeText(file.readAll());

    // An option wins; a mapping saved from a file with headings expects them; else the wizard's choice.
    QString from;
    if (Options.Headings) {
        from = *Options.Headings ? QStringLiteral("--headings") : QStringLiteral("--no-headings");
    } else if (MappingRecordsHeadings(MappingText)) {
        Options.Headings = true;
        from = QStringLiteral("the mapping file records headings");
    } else {
        Options.Headings = ColHeadings;
        from = QStringLiteral("File/ColHeadings of the settings file");
    }
    PrintError((*Options.Headings ? QStringLiteral("First row read as column headings (")
                                  : QStringLiteral("First row read as data (")) +
               from + QLatin1Char(')'));
    return ecOk;
}

int TCommandLine::ApplyMapping()
{
    // The columns the mapping page would offer for this file.
    const int columnCount = SampleGridColumns(0, SampleGridRows(SourceLines, MaxSampleGridRows)) - 1;
    const QStringList headings = Options.Headings.value_or(ColHeadings) && !SourceLines.isEmpty()
                                     ? SplitSourceRow(SourceLines.first()).mid(0, columnCount)
                                     : QStringList();
    const TMappingLoad load =
        ResolveMappingFile(MappingText, FieldCatalogue, columnCount, headings, Options.FollowHeadings);
    for (const THeadingChange& change : load.Changes) {
        const QString line = DescribeHeadingChange(change);
        PrintError(line);
        RunLog.Add(QLatin1Char(' ') + line + (Options.FollowHeadings ? QStringLiteral(" (followed)") : QString()));
    }
    if (!load.Changes.isEmpty() && !Options.FollowHeadings) {
        PrintError(QStringLiteral("The file's headings differ from those saved in the mapping file ") +
                   Options.MappingFile +
                   QStringLiteral(". Run again with --follow-headings to map each field to the column that has "
                                  "its heading now, with --no-headings if the file has no heading row, or save the "
                                  "mapping again."));
        return ecMappingProblem;
    }
    for (const TMappingProblem& problem : load.Problems)
        PrintError(DescribeProblem(problem));
    if (!load.Problems.isEmpty())
        return ecMappingProblem;
    if (load.Entries.isEmpty()) {
        PrintError(QStringLiteral("The mapping file ") + Options.MappingFile + QStringLiteral(" maps no column."));
        return ecMappingProblem;
    }
    for (const QString& note : load.Notes)
        PrintError(note);
    ApplyMappingEntries(load.Entries, ColumnMap);
    for (const QString& line : TranslationTableLines(ColumnMap, FieldCatalogue.Entries))
        RunLog.Add(line);
    return ecOk;
}

int TCommandLine::CheckRows()
{
    const TPreCheckReport report =
        PreCheckRows(SourceLines, Options.Headings.value_or(ColHeadings), ColumnMap, FieldCatalogue);
    const QString summary = report.SummaryLine();
    RunLog.Add(QStringLiteral("Check: ") + summary);
    const QStringList lines = report.Lines();
    if (Options.Command == TCliCommand::Check) {
        // Standard output holds the findings alone, so a script can count or filter them.
        for (const QString& line : lines)
            Print(line);
        PrintError(summary);
        return report.IsClean() ? ecOk : ecFindings;
    }

    PrintError(summary);
    for (const QString& line : lines)
        PrintError(line);
    const QList<int> unsent = report.UnsentColumns();
    if (!unsent.isEmpty() && !Options.AllowUnsent) {
        QStringList letters;
        for (const int column : unsent)
            letters.append(ColumnLetters(column));
        PrintError(letters.size() == 1
                       ? QStringLiteral("Nothing was imported: column ") + letters.first() +
                             QStringLiteral(" is mapped to a field that is never sent. Skip it in the mapping, or "
                                            "give --allow-unsent to import the other columns.")
                       : QStringLiteral("Nothing was imported: columns ") + letters.join(QStringLiteral(", ")) +
                             QStringLiteral(" are mapped to fields that are never sent. Skip them in the mapping, "
                                            "or give --allow-unsent to import the other columns."));
        return ecMappingProblem;
    }
    if (Options.Strict && !report.IsClean()) {
        PrintError(QStringLiteral("Nothing was imported: the check found the above (--strict)."));
        return ecFindings;
    }
    return ecOk;
}

int TCommandLine::ChooseSite()
{
    if (const int code = PostOnce(SiteListRequest(AccountNumber, LoginName, Password), rcSiteList, &SiteListAnswered);
        code != ecOk)
        return code;
    const QString wanted = Options.Site.value_or(QStringLiteral("0"));
    if (wanted != QLatin1String("0")) {
        const QList<TSiteEntry> sites = ParseSiteList(SiteReply);
        bool found = false;
        QStringList offered;
        for (const TSiteEntry& site : sites) {
            found = found || QString::number(site.Number) == wanted;
            offered.append(QString::number(site.Number) + QStringLiteral(" ") + site.Name);
        }
        if (!found) {
            PrintError(QStringLiteral("Site ") + wanted + QStringLiteral(" is not one of the account's Sites") +
                       (offered.isEmpty() ? QStringLiteral(" (the account has none).")
                                          : QStringLiteral(": ") + offered.join(QStringLiteral(", "))));
            return ecUsage;
        }
    }
    if (SiteNumber != wanted) {
        SiteNumber = wanted;
        RunLog.Add(QStringLiteral("SiteNumber changed to ") + SiteNumber + QStringLiteral(" (--site)"));
    }
    return ecOk;
}

int TCommandLine::CheckResume()
{
    if (Options.ResumeFrom.isEmpty())
        return ecOk;
    QString error;
    if (!LoadResultsForResume(Options.ResumeFrom, Options.FileName, SourceLines, Options.Headings.value_or(ColHeadings),
                              Previous, &error)) {
        PrintError(error + QStringLiteral(" No record was sent."));
        return ecResumeRefused;
    }
    RunLog.Add(QStringLiteral("Resuming from ") + Options.ResumeFrom);
    PrintError(QStringLiteral("Resuming from %1: %2 rows were not imported there and are sent now.")
                   .arg(Options.ResumeFrom)
                   .arg(Previous.NotImported()));
    return ecOk;
}

int TCommandLine::OpenResults()
{
    if (Options.NoResults)
        return ecOk;
    const QStringList cellHeadings = ResultsCellHeadings(SourceLines, Options.Headings.value_or(ColHeadings));
    if (!Options.ResultsFile.isEmpty()) {
        // Replacing the file being resumed from would lose its rows if this run were killed.
        const QFileInfo results(Options.ResultsFile);
        if (!Options.ResumeFrom.isEmpty() && results.exists() &&
            results.canonicalFilePath() == QFileInfo(Options.ResumeFrom).canonicalFilePath()) {
            PrintError(QStringLiteral("--results must name another file than --resume: ") + Options.ResultsFile +
                       QStringLiteral(" is kept as it is."));
            return ecUsage;
        }
        if (!Results.Create(Options.ResultsFile, cellHeadings, true)) {
            PrintError(QStringLiteral("Unable to write the results file ") + Options.ResultsFile +
                       QStringLiteral(": ") + Results.Error());
            return ecFailure;
        }
    } else {
        // Else where the run log goes: beside the program, or the user's own folder for an installed copy.
        const TResultsPlace place = CreateResultsFile(Results, Options.FileName, QFileInfo(LogPath()).absolutePath(),
                                                      E.Now(), cellHeadings);
        if (place.FellBack)
            PrintError(QStringLiteral("The folder of ") + Options.FileName +
                       QStringLiteral(" cannot be written to (") + place.SourceDirError +
                       QStringLiteral("); the results file goes to the program's folder, beside its run log."));
        if (!place.Created) {
            PrintError(QStringLiteral("Unable to write a results file: ") + place.Error +
                       QStringLiteral(". Name one with --results FILE, or use --no-results."));
            return ecFailure;
        }
    }
    RunLog.Add(QStringLiteral("Results file: ") + Results.Path());
    PrintError(QStringLiteral("Results file: ") + QDir::toNativeSeparators(Results.Path()));
    return ecOk;
}

int TCommandLine::SendRecords()
{
    RecordsImported = 0;
    if (const int code = OpenResults(); code != ecOk)
        return code;
    TCliImportHost host(*this, false, QString());
    TImportRun run(host, Ledger);
    run.SetResultsFile(Results.IsOpen() ? &Results : nullptr);
    // Nothing here reads a row's messages after the results file has them.
    run.SetMessagesKept(false);
    // Records go from the event loop even one at a time: no wait of its own per post, which
    // costs a run of small records more than their own work on a fast link. With one in flight
    // the requests, their order and their resends are those of the one-at-a-time exchange.
    TParallelPosts posts(*Exchange);
    host.SetPosts(&posts);
    run.SetParallel(&host, Options.Parallel);
    ParallelPosts = &posts;
    if (Options.Parallel > 1)
        RunLog.Add(QStringLiteral("Records in flight at once: up to %1").arg(Options.Parallel));
    ActiveRun = &run;
    struct TRunGuard
    {
        TCommandLine& C;
        ~TRunGuard()
        {
            C.ActiveRun = nullptr;
            C.ParallelPosts = nullptr;
            C.Results.Close();
        }
    } guard{*this};
    Exchange->StopPlease = false;
    bool closingFailed = false;
    try {
        run.Run(SourceLines, Options.Headings.value_or(ColHeadings), Options.ResumeFrom.isEmpty() ? nullptr : &Previous);
    } catch (const THTTPSError& e) {
        // The closing request could not be posted: no summary, as in the wizard.
        PrintError(e.Message());
        closingFailed = true;
    }
    RunLog.Add(QStringLiteral("Import run: %1 rows imported, %2 failed, %3 not sent")
                   .arg(Ledger.Count(TRowOutcome::Imported))
                   .arg(Ledger.Count(TRowOutcome::Failed))
                   .arg(Ledger.Count(TRowOutcome::NotSent)));
    if (!Results.Error().isEmpty()) {
        RunLog.Add(QStringLiteral(" Results file incomplete: ") + Results.Error());
        PrintError(QStringLiteral("The results file ") + Results.Path() + QStringLiteral(" is incomplete: ") +
                   Results.Error());
    }
    if (Interrupts > 0)
        return ecInterrupted;
    // A run that gave up keeps saying so.
    if (Exchange->ExitPlease)
        return ecGaveUp;
    if (closingFailed)
        return ecFailure;
    return Ledger.NotImported() > 0 ? ecNotAllImported : ecOk;
}

int TCommandLine::DryRun()
{
    SiteNumber = Options.Site.value_or(QStringLiteral("0"));
    const QString maskedHead = QStringLiteral("AC=") + AccountNumber + QStringLiteral("&EL=") + LoginName +
                               QStringLiteral("&EP=") + Stars(Password) + QStringLiteral("&RT=31&SI=") + SiteNumber;
    TCliImportHost host(*this, true, maskedHead);
    TImportRun run(host, Ledger);
    run.Run(SourceLines, Options.Headings.value_or(ColHeadings), Options.ResumeFrom.isEmpty() ? nullptr : &Previous);
    PrintError(QString::number(ComposedCount) + QStringLiteral(" records would be sent (dry run)"));
    return ecOk;
}
