#include "app/Unit1.h"

void TForm1::ConnectImportPage() {}
void TForm1::TabSheet7Show() {}
void TForm1::Button20Click() {}
void TForm1::RunImport() {}
void TForm1::Button18Click() {}
void TForm1::SendRecord(const QStringList&) {}
