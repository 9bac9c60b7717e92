#pragma once

#include "core/RunLog.h"
#include "core/SetupRecord.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class THTTPSClient;

// Where the import endpoint lives; a private endpoint may bring its own CA bundle.
struct TEndpointOptions
{
    QString Host;
    QString CAFile;
    bool operator==(const TEndpointOptions&) const = default;
};

inline constexpr char DefaultEndpointHost[] = "import.quillmarsh.com";

// "--host HOST[:PORT]" / "--host=..." and "--ca-file PATH" / "--ca-file=...",
// else QIMPORT_HOST and QIMPORT_CA_FILE, else the service's own host.
TEndpointOptions EndpointOptionsFrom(const QStringList& args, const QProcessEnvironment& env);
QString EndpointHelpText();

// scheme://host/ex/import.dll
QString EndpointURL(bool useSSL, const QString& host);

// Applies the connection settings to the client and writes what it applied to
// the log (passwords as one '*' per character). Settings from an earlier call
// never linger. Throws (THTTPSError) when the client refuses a value; the
// caller runs its failure path.
void ApplyConnectionSettings(THTTPSClient& client, const SetupRecord& setup, const QString& endpointHost,
                             TRunLog& log);
// The same, with the endpoint's CA bundle (when given) taking the place of the settings' one.
void ApplyConnectionSettings(THTTPSClient& client, const SetupRecord& setup, const TEndpointOptions& endpoint,
                             TRunLog& log);
