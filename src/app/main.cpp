#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Quillmarsh Import Utility"));
    label.show();
    return app.exec();
}
