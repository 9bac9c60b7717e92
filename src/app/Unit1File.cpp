#include "app/Unit1.h"

void TForm1::ConnectFilePage() {}
void TForm1::TabSheet3Show() {}
void TForm1::RadioButton1Click(QRadioButton*) {}
void TForm1::Button4Click() {}
void TForm1::Button13Click() {}
void TForm1::Edit4Exit() {}
void TForm1::LoadFieldCatalogue(const QString&) {}
void TForm1::LoadSourceFile() {}
void TForm1::FillSampleGrid(int) {}
