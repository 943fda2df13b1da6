#include "MainWindow.h"

namespace vexlo {

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(tr("Vexlo Utility"));
    // The content has a fixed size and the window follows it, so it cannot be resized.
    setFixedSize(336, 338);
}

} // namespace vexlo
