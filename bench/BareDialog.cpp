// The yardstick of StartupBench: the least a Qt Widgets program does to show a dialog (the
// application object and one dialog with a line of text), so the client's start-up can be set
// beside it on the same machine and display.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("BorvanKH"), &dialog));
    dialog.show();
    return app.exec();
}
