#pragma once

#include <QString>

// Directory of the running executable, without a trailing separator.
QString GetExeDirectory();
// The program's own file name on this platform: "QIMPORT.EXE" on Windows, "qimport" elsewhere.
QString ProgramFileName();
