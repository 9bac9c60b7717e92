#include "app/Unit1.h"

void TForm1::ConnectCredentialsPage() {}
void TForm1::TabSheet2Show() {}
void TForm1::Edit1Change() {}
void TForm1::Button2Click() {}
void TForm1::Button19Click() {}
