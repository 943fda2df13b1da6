#pragma once

#include <QByteArray>
#include <QString>

// A simulated board: the program under test opens the terminal side by its path (or a symlink to
// it), and the test reads what arrives on the controlling side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return m_controller >= 0; }
    QString terminalPath() const { return m_terminalPath; }
    int terminalDescriptor() const { return m_terminal; }
    int controllerDescriptor() const { return m_controller; }
    // Reads what has arrived, waiting up to the bound for the first byte and then until the
    // line goes quiet.
    QByteArray readAvailable(int boundMs = 1000);

private:
    int m_controller = -1;
    int m_terminal = -1;
    QString m_terminalPath;
};
