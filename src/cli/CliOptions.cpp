#include "cli/CliOptions.h"

#include "core/Conversions.h"
#include "exchange/Connection.h"

namespace
{
enum class TOptionKind
{
    Flag,
    Value
};

struct TOptionSpec
{
    const char* Name;
    TOptionKind Kind;
};

const TOptionSpec KnownOptions[] = {
    {"--json", TOptionKind::Flag},        {"--headings", TOptionKind::Flag},
    {"--no-headings", TOptionKind::Flag}, {"--dry-run", TOptionKind::Flag},
    {"--mapping", TOptionKind::Value},    {"--site", TOptionKind::Value},
    {"--account", TOptionKind::Value},    {"--login", TOptionKind::Value},
    {"--password-file", TOptionKind::Value}, {"--host", TOptionKind::Value},
    {"--ca-file", TOptionKind::Value},
    {"--strict", TOptionKind::Flag},      {"--allow-unsent", TOptionKind::Flag},
    {"--follow-headings", TOptionKind::Flag},
    {"--results", TOptionKind::Value},    {"--no-results", TOptionKind::Flag},
    {"--resume", TOptionKind::Value},     {"--parallel", TOptionKind::Value},
};

const TOptionSpec* FindOption(const QString& name)
{
    for (const TOptionSpec& known : KnownOptions)
        if (name == QLatin1String(known.Name))
            return &known;
    return nullptr;
}

bool IsPasswordOption(const QString& arg)
{
    return arg == QLatin1String("--password") || arg.startsWith(QLatin1String("--password="));
}

QString PasswordRefusal()
{
    // The value is deliberately not repeated: it must not reach a terminal log either.
    return QStringLiteral("--password is not accepted: a password on the command line shows in the process list "
                          "and the shell history. Set QIMPORT_PASSWORD, use --password-file FILE, or type it at "
                          "the prompt.");
}

// Options that only make sense for some commands.
QString CheckApplies(const TCliOptions& o, const QStringList& seen)
{
    const bool isImport = o.Command == TCliCommand::Import;
    const bool isRows = o.Command == TCliCommand::Rows;
    const bool readsMapping = isImport || o.Command == TCliCommand::Check;
    for (const QString& name : seen) {
        const bool mappingOnly = name == QLatin1String("--mapping") || name == QLatin1String("--headings") ||
                                 name == QLatin1String("--no-headings") || name == QLatin1String("--follow-headings");
        if (mappingOnly && !readsMapping)
            return name + QStringLiteral(" does not apply to this command");
        if (mappingOnly)
            continue;
        const bool importOnly = name == QLatin1String("--site") || name == QLatin1String("--dry-run") ||
                                name == QLatin1String("--strict") || name == QLatin1String("--allow-unsent") ||
                                name == QLatin1String("--results") || name == QLatin1String("--no-results") ||
                                name == QLatin1String("--resume") || name == QLatin1String("--parallel");
        const bool rowsOnly = name == QLatin1String("--json");
        const bool exchangeOnly = name == QLatin1String("--account") || name == QLatin1String("--login") ||
                                  name == QLatin1String("--password-file") || name == QLatin1String("--host") ||
                                  name == QLatin1String("--ca-file");
        if ((importOnly && !isImport) || (rowsOnly && !isRows) || (exchangeOnly && isRows))
            return name + QStringLiteral(" does not apply to this command");
    }
    return QString();
}
} // namespace

TParsedCommandLine ParseCliArguments(const QStringList& args)
{
    TParsedCommandLine parsed;
    TCliOptions& o = parsed.Options;
    QStringList positional;
    QStringList seen;
    QString parallel;
    auto fail = [&](const QString& error) {
        parsed.Error = error;
        return parsed;
    };

    for (const QString& arg : args)
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.Command = TCliCommand::Help;
            return parsed;
        }

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (IsPasswordOption(arg))
            return fail(PasswordRefusal());
        if (!arg.startsWith(QLatin1String("--"))) {
            positional.append(arg);
            continue;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? arg : arg.left(equals);
        const TOptionSpec* known = FindOption(name);
        if (!known)
            return fail(QStringLiteral("Unknown option ") + name);
        QString value;
        if (known->Kind == TOptionKind::Flag) {
            if (equals >= 0)
                return fail(name + QStringLiteral(" takes no value"));
        } else if (equals >= 0) {
            value = arg.mid(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            return fail(name + QStringLiteral(" needs a value"));
        }
        seen.append(name);

        if (name == QLatin1String("--json"))
            o.Json = true;
        else if (name == QLatin1String("--headings"))
            o.Headings = true;
        else if (name == QLatin1String("--no-headings"))
            o.Headings = false;
        else if (name == QLatin1String("--dry-run"))
            o.DryRun = true;
        else if (name == QLatin1String("--strict"))
            o.Strict = true;
        else if (name == QLatin1String("--allow-unsent"))
            o.AllowUnsent = true;
        else if (name == QLatin1String("--follow-headings"))
            o.FollowHeadings = true;
        else if (name == QLatin1String("--mapping"))
            o.MappingFile = value;
        else if (name == QLatin1String("--site"))
            o.Site = value;
        else if (name == QLatin1String("--account"))
            o.Account = value;
        else if (name == QLatin1String("--login"))
            o.Login = value;
        else if (name == QLatin1String("--password-file"))
            o.PasswordFile = value;
        else if (name == QLatin1String("--results"))
            o.ResultsFile = value;
        else if (name == QLatin1String("--no-results"))
            o.NoResults = true;
        else if (name == QLatin1String("--resume"))
            o.ResumeFrom = value;
        else if (name == QLatin1String("--parallel"))
            parallel = value;
        else
            o.EndpointArgs << name << value;
    }

    if (positional.isEmpty())
        return fail(QStringLiteral("No command given"));
    const QString command = positional.takeFirst();
    if (command == QLatin1String("rows"))
        o.Command = TCliCommand::Rows;
    else if (command == QLatin1String("fields"))
        o.Command = TCliCommand::Fields;
    else if (command == QLatin1String("import"))
        o.Command = TCliCommand::Import;
    else if (command == QLatin1String("check"))
        o.Command = TCliCommand::Check;
    else
        return fail(QStringLiteral("Unknown command ") + command);

    const bool needsFile = o.Command != TCliCommand::Fields;
    if (needsFile) {
        if (positional.isEmpty())
            return fail(command + QStringLiteral(" needs a FILE"));
        o.FileName = positional.takeFirst();
    }
    if (!positional.isEmpty())
        return fail(QStringLiteral("Unexpected argument ") + positional.first());
    if (const QString error = CheckApplies(o, seen); !error.isEmpty())
        return fail(error);
    if (seen.contains(QLatin1String("--headings")) && seen.contains(QLatin1String("--no-headings")))
        return fail(QStringLiteral("--headings and --no-headings exclude each other"));
    if (seen.contains(QLatin1String("--results")) && o.NoResults)
        return fail(QStringLiteral("--results and --no-results exclude each other"));
    if (o.DryRun && (seen.contains(QLatin1String("--results")) || o.NoResults))
        return fail(QStringLiteral("a dry run writes no results file: --results and --no-results do not apply"));
    if (seen.contains(QLatin1String("--results")) && o.ResultsFile.isEmpty())
        return fail(QStringLiteral("--results needs a file name"));
    if (seen.contains(QLatin1String("--resume")) && o.ResumeFrom.isEmpty())
        return fail(QStringLiteral("--resume needs a results file"));
    if (o.Command == TCliCommand::Import && o.MappingFile.isEmpty())
        return fail(QStringLiteral("import needs --mapping MAPFILE"));
    if (o.Command == TCliCommand::Check && o.MappingFile.isEmpty())
        return fail(QStringLiteral("check needs --mapping MAPFILE"));
    if (seen.contains(QLatin1String("--parallel"))) {
        if (!TryStrToInt(parallel.trimmed(), o.Parallel) || o.Parallel < 1 || o.Parallel > MaxParallel)
            return fail(QStringLiteral("--parallel needs a number from 1 to %1, not ").arg(MaxParallel) + parallel);
    }
    if (o.Site) {
        qint32 number = 0;
        if (!TryStrToInt(o.Site->trimmed(), number) || number < 0)
            return fail(QStringLiteral("--site needs a site number, not ") + *o.Site);
        o.Site = QString::number(number);
    }
    return parsed;
}

QString CliUsageLine()
{
    return QStringLiteral("Usage: qimport-cli rows FILE [--json] | fields | check FILE --mapping MAPFILE [options] |\n"
                          "       import FILE --mapping MAPFILE [options]\n"
                          "Try qimport-cli --help for more.\n");
}

QString CliHelpText()
{
    return QStringLiteral(
               "Usage:\n"
               "  qimport-cli rows FILE [--json]\n"
               "  qimport-cli fields [credentials] [endpoint]\n"
               "  qimport-cli check FILE --mapping MAPFILE [--headings | --no-headings] [--follow-headings]\n"
               "                    [credentials] [endpoint]\n"
               "  qimport-cli import FILE --mapping MAPFILE [--headings | --no-headings] [--follow-headings]\n"
               "                     [--site NUMBER] [--strict] [--allow-unsent] [--results FILE | --no-results]\n"
               "                     [--resume RESULTS] [--parallel N] [--dry-run] [credentials] [endpoint]\n"
               "  qimport-cli --help\n"
               "\n"
               "Quillmarsh Import Utility, command line: the same steps as the wizard, for recurring imports.\n"
               "\n"
               "Commands:\n"
               "  rows      print the rows of FILE as they would be imported, one line per row with the cells\n"
               "            separated by tabs (the heading row, if any, is the first line); the delimiter found\n"
               "            goes to standard error. --json prints each row as a JSON array of its cells.\n"
               "  fields    log in and print the field list: index, Tab, Box, Field, type, tab-separated.\n"
               "  check     load FILE, log in, fetch the field list, apply the mapping and check every data row\n"
               "            without sending any: letters changed or characters lost on the way to ASCII,\n"
               "            columns mapped to fields that are never sent, dates not in their column's format,\n"
               "            values that do not look like their field's type, more than 36 Flags, rows with no\n"
               "            cells, repeated rows. One finding per line on standard output, the summary line on\n"
               "            standard error.\n"
               "  import    load FILE, log in, fetch the field list, apply the mapping, check every row (summary\n"
               "            and findings on standard error), ask for the site list, send one record per data row\n"
               "            (resent when no reply comes), then tell the service the import is finished. The\n"
               "            service's messages and the summary lines go to standard output; notes (the results\n"
               "            file, rows not imported, a progress bar when it is a terminal) to standard error.\n"
               "            A row the service answers with an HTTP error is not imported and not sent again;\n"
               "            after 5 such rows in a row the run stops. Ctrl-C (or SIGTERM) stops after the\n"
               "            record in flight, still telling the service the import is finished; a second one\n"
               "            ends at once, keeping the log and the results so far.\n"
               "\n"
               "Check and import options:\n"
               "  --mapping MAPFILE    column mapping saved from the mapping page (lines of column letters,\n"
               "                       Tab, Box, Field and, for date fields, a date format, tab-separated)\n"
               "  --headings           the first row holds column headings and is not sent\n"
               "  --no-headings        every row is sent (default: on when the mapping file records\n"
               "                       headings, else File/ColHeadings of the settings file; the choice and\n"
               "                       where it came from go to standard error)\n"
               "  --follow-headings    when a saved heading now heads another column, map its field there\n"
               "                       (without it the run stops with code 8 and lists the moved headings);\n"
               "                       a field whose heading is gone is left unmapped\n"
               "\n"
               "Import options:\n"
               "  --strict             do not import when the check found anything (code 12)\n"
               "  --allow-unsent       import although a column is mapped to a field that is never sent\n"
               "                       (without it the run stops with code 8 before sending)\n"
               "  --site NUMBER        the Site every record belongs to (default 0, none); must be one of the\n"
               "                       account's Sites\n"
               "  --dry-run            stop after the field list and print every record request that would be\n"
               "                       sent, the password shown as '*' characters; nothing is imported\n"
               "  --results FILE       write the results file here (replacing FILE). Default: beside the\n"
               "                       source file as <name>-results-<yyyy-mm-dd-hhmmss>.csv, or in the run\n"
               "                       log's folder when that folder cannot be written. One CSV line per\n"
               "                       data row: Row, Outcome (imported, failed, not sent, skipped), HTTP\n"
               "                       status, Posts, Messages, then the row's cells\n"
               "  --no-results         write no results file\n"
               "  --resume RESULTS     send only the rows that RESULTS (a results file of an earlier run of\n"
               "                       FILE) does not list as imported; refused when those rows of FILE\n"
               "                       hold other cells now, or FILE has other rows\n"
               "  --parallel N         keep up to N record requests (1 to 8, default 1) in flight at once,\n"
               "                       on up to N connections, each with its own wait and resend; faster\n"
               "                       over a slow link. The records may then reach the service in another\n"
               "                       order than the file's, and the service must accept concurrent\n"
               "                       records from one account. Messages, the summary, the results file\n"
               "                       and the exit code stay in the file's order and as with 1; Ctrl-C\n"
               "                       lets every record in flight finish\n"
               "\n"
               "Credentials:\n"
               "  --account NUMBER     account number (default: Account/Number of the settings file)\n"
               "  --login NAME         login name (default: Account/Login of the settings file)\n"
               "  --password-file FILE read the password from the first line of FILE\n"
               "  The password is taken from --password-file, else the environment variable QIMPORT_PASSWORD,\n"
               "  else asked for without echo when standard input is a terminal. It is never accepted on the\n"
               "  command line (--password is refused) and never written to the log.\n"
               "\n"
               "Endpoint:\n") +
           EndpointHelpText() +
           QStringLiteral(
               "\n"
               "Connection settings (proxy, firewall, SSL) come from the wizard's settings file, and the run is\n"
               "added to the wizard's run log; both are named under \"Files in use\" below.\n"
               "\n"
               "Exit codes:\n"
               "  0  every row was imported (rows, fields: done; check: nothing found)\n"
               "  1  failure of another kind (no connection, no reply, a file that cannot be written...)\n"
               "  2  usage error: bad arguments, missing or malformed credentials, a --site that is not one of\n"
               "     the account's Sites\n"
               "  3  the source file is neither tab nor comma delimited\n"
               "  4  the source file holds no data\n"
               "  5  a file cannot be read\n"
               "  6  the service refused the account number, login name or password\n"
               "  7  the service no longer accepts this version of the utility\n"
               "  8  the mapping file does not resolve against the field list (every problem is listed), its\n"
               "     saved headings moved (without --follow-headings), or a column is mapped to a field that\n"
               "     is never sent (import without --allow-unsent)\n"
               "  9  the run gave up: no reply after every resend\n"
               "  10  the run ended, but some rows were not imported (failed, or not sent after 5 failures\n"
               "      in a row); the results file lists them, and --resume sends them again\n"
               "  11  --resume refused: FILE changed since the results file, or that file cannot be used\n"
               "  12  the check found something: check, and import with --strict (nothing was imported)\n"
               "  130  stopped by Ctrl-C (SIGINT) or SIGTERM\n");
}
