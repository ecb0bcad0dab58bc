// The yardstick of StartupBench: the least a Qt Widgets program does to show a dialog (the
// application object and one dialog with a line of text), so the client's start-up can be set
// beside it on the same machine and display. With --cjk the line is Chinese in Noto Sans CJK SC,
// the font the client picks for its Chinese texts, so the font's loading is on both sides.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <cstring>

int main(int argc, char** argv)
{
    bool cjk = argc > 1 && std::strcmp(argv[1], "--cjk") == 0;
    QApplication app(argc, argv);
    if (cjk) {
        QFont font = app.font();
        font.setFamilies({QStringLiteral("Noto Sans CJK SC")});
        app.setFont(font);
    }
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(cjk ? QStringLiteral("用户登录") : QStringLiteral("BorvanKH"), &dialog));
    dialog.show();
    return app.exec();
}
