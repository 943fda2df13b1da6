#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexlo Utility"));

    vexlo::MainWindow window;
    window.show();
    return QApplication::exec();
}
