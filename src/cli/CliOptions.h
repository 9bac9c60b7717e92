#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Exit codes of qimport-cli; scripts key on them, so they never change meaning.
enum TExitCode : int
{
    ecOk = 0,
    ecFailure = 1,         // connection error and anything else not listed
    ecUsage = 2,           // bad arguments, missing credentials, a site that is not the account's
    ecInvalidFormat = 3,   // neither tab nor comma delimited
    ecEmptyFile = 4,       // delimited, but no row with any content
    ecUnreadableFile = 5,  // the file cannot be opened or read
    ecRefused = 6,         // the service refused the credentials
    ecOutdated = 7,        // the service no longer accepts this version
    ecMappingProblem = 8,  // the mapping file does not resolve against the field list
    ecGaveUp = 9,          // no reply after every resend: the run stopped
    ecNotAllImported = 10, // the run ended, but some rows failed or were not sent (see the results file)
    ecResumeRefused = 11,  // --resume: the source file changed since the results file, or that file is unusable
    ecFindings = 12,       // the check of every row found something (check; import --strict)
    ecInterrupted = 130    // stopped by SIGINT or SIGTERM
};

enum class TCliCommand
{
    None,
    Help,
    Rows,
    Fields,
    Import,
    Check
};

// The most record requests --parallel keeps in flight.
inline constexpr qint32 MaxParallel = 8;

struct TCliOptions
{
    TCliCommand Command = TCliCommand::None;
    QString FileName;
    QString MappingFile;
    bool Json = false;
    std::optional<bool> Headings; // unset: the settings file's choice
    std::optional<QString> Site;  // unset: "0"
    bool DryRun = false;
    bool Strict = false;         // import: refuse to send when the check finds anything
    bool AllowUnsent = false;    // import: go on although a column is mapped to a field never sent
    bool FollowHeadings = false; // map saved fields by their headings when the file's columns moved
    QString ResultsFile;  // --results: where the results go (replaced); empty: the default name
    bool NoResults = false;
    QString ResumeFrom;   // --resume: the results file of an earlier run
    qint32 Parallel = 1;  // --parallel: record requests in flight at once
    std::optional<QString> Account;
    std::optional<QString> Login;
    QString PasswordFile;
    // Kept so the endpoint is read the same way as the wizard reads it.
    QStringList EndpointArgs;
};

struct TParsedCommandLine
{
    TCliOptions Options;
    QString Error; // non-empty: a usage error to print before the short usage line
};

// args excludes the program name.
TParsedCommandLine ParseCliArguments(const QStringList& args);

QString CliHelpText();
QString CliUsageLine();
