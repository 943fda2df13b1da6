#include "LogCapture.h"
#include "PseudoTerminal.h"
#include "flasher/SerialVariant.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>
#include <thread>

using vexlo::CoilexVariant;
using vexlo::writeVariant;

Q_DECLARE_METATYPE(CoilexVariant)

class TestSerialVariant : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesOnTheWire_data()
    {
        QTest::addColumn<CoilexVariant>("variant");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("v4") << CoilexVariant::v4 << QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n");
        QTest::newRow("pro") << CoilexVariant::pro << QByteArray("{\"SET\":{\"VAR\":\"PRO\"}}\n");
    }

    void linesOnTheWire()
    {
        QFETCH(CoilexVariant, variant);
        QFETCH(QByteArray, bytes);
        PseudoTerminal board;
        QVERIFY(board.isOpen());
        LogCapture log;
        QVERIFY(writeVariant(board.terminalPath(), variant, log.sink()));
        QCOMPARE(board.readAvailable(), bytes);
        QCOMPARE(bytes.size(), 22);
        QVERIFY(log.lines.isEmpty());
    }

    void lineSettingsAreRaw115200_8N1()
    {
        PseudoTerminal board;
        // Start from cooked settings at another speed with parity, so every change shows.
        termios before{};
        QCOMPARE(tcgetattr(board.terminalDescriptor(), &before), 0);
        before.c_cflag |= PARENB | CSTOPB;
        before.c_lflag |= ICANON | ECHO;
        cfsetispeed(&before, B9600);
        cfsetospeed(&before, B9600);
        QCOMPARE(tcsetattr(board.terminalDescriptor(), TCSANOW, &before), 0);

        QVERIFY(writeVariant(board.terminalPath(), CoilexVariant::v4, [](const QString &) {}));
        termios after{};
        QCOMPARE(tcgetattr(board.terminalDescriptor(), &after), 0);
        QCOMPARE(cfgetispeed(&after), speed_t(B115200));
        QCOMPARE(cfgetospeed(&after), speed_t(B115200));
        QCOMPARE(after.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(after.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
        QCOMPARE(after.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(after.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(after.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(after.c_cc[VMIN], cc_t(0));
        QCOMPARE(after.c_cc[VTIME], cc_t(0));
        // Raw output: the line feed goes out as it is, without a carriage return before it.
        QCOMPARE(board.readAvailable().right(2), QByteArray("}\n"));
    }

    void universalSendsNothingAndOpensNothing()
    {
        LogCapture log;
        QVERIFY(writeVariant(QStringLiteral("/dev/vexlo-no-such-port"), CoilexVariant::universal,
                             log.sink()));
        QVERIFY(log.lines.isEmpty());
    }

    void failuresAreNamed()
    {
        LogCapture log;
        const QString missing = QStringLiteral("/dev/vexlo-no-such-port");
        QVERIFY(!writeVariant(missing, CoilexVariant::v4, log.sink()));
        QCOMPARE(
            log.lines,
            QStringList{"serial: Failed to open " + missing + " \u2014 No such file or directory"});

        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("ttyUSB0"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        log.lines.clear();
        QVERIFY(!writeVariant(plain, CoilexVariant::pro, log.sink()));
        QCOMPARE(log.lines, QStringList{"serial: Failed to configure " + plain + " at 115200"});
        QCOMPARE(QFileInfo(plain).size(), 0);
    }

    // A port that takes nothing for a moment (output suspended) still gets the whole line.
    void aStalledPortThatResumesGetsTheWholeLine()
    {
        PseudoTerminal board;
        QCOMPARE(tcflow(board.terminalDescriptor(), TCOOFF), 0);
        std::thread resume([&board] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            tcflow(board.terminalDescriptor(), TCOON);
        });
        LogCapture log;
        QElapsedTimer clock;
        clock.start();
        const bool written = writeVariant(board.terminalPath(), CoilexVariant::v4, log.sink());
        resume.join();
        QVERIFY(written);
        QVERIFY(clock.elapsed() >= 150);
        QCOMPARE(board.readAvailable(), QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n"));
        QVERIFY(log.lines.isEmpty());
    }

    // A port that never takes the line is a failure, reported within the bound.
    void aPortThatStaysStalledFails()
    {
        PseudoTerminal board;
        QCOMPARE(tcflow(board.terminalDescriptor(), TCOOFF), 0);
        LogCapture log;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!writeVariant(board.terminalPath(), CoilexVariant::pro, log.sink()));
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(log.lines,
                 QStringList{"serial: Write failed on " + board.terminalPath()
                             + " \u2014 Resource temporarily unavailable"});
        tcflow(board.terminalDescriptor(), TCOON);
        QVERIFY(board.readAvailable(200).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSerialVariant)
#include "tst_serialvariant.moc"
