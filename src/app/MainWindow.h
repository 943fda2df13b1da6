#pragma once

#include "devices/SerialPortMonitor.h"

#include <QWidget>

namespace vexlo {

// The program's single window. It owns the port monitor, which lives as long as the window.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    SerialPortMonitor &portMonitor() { return m_portMonitor; }

private:
    SerialPortMonitor m_portMonitor;
};

} // namespace vexlo
