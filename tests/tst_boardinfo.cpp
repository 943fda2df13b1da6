#include "devices/BoardInfo.h"

#include <QTest>

using vexlo::DetectedBoardKind;

Q_DECLARE_METATYPE(DetectedBoardKind)

class TestBoardInfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classify_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<DetectedBoardKind>("kind");

        const QString info = QStringLiteral("\nCrystal frequency: 40 MHz\nFlash size: 4MB\n");
        QTest::newRow("esp32 4.x") << QStringLiteral("Chip type:         esp32 (revision v3.1)")
                + info << DetectedBoardKind::esp32DevKit;
        QTest::newRow("esp32 rev") << QStringLiteral("Chip type: esp32 (rev 3.1)") + info
                                   << DetectedBoardKind::esp32DevKit;
        QTest::newRow("esp32s3") << QStringLiteral("Chip type: esp32s3 (rev 0.2)") + info
                                 << DetectedBoardKind::controlBoard;
        QTest::newRow("dash in name")
            << QStringLiteral("Chip type: esp32-c6\nMAC: 1") << DetectedBoardKind::controlBoard;
        QTest::newRow("upper case")
            << QStringLiteral("CHIP TYPE: ESP32C3\n") << DetectedBoardKind::controlBoard;
        QTest::newRow("tab before paren")
            << QStringLiteral("chip type:\tesp32(rev1)\n") << DetectedBoardKind::esp32DevKit;
        // A token that is no ESP32 falls through to the words of the whole text.
        QTest::newRow("other token, no words")
            << QStringLiteral("Chip type: XYZ\nFlash: 4MB") << DetectedBoardKind::unknown;
        QTest::newRow("other token, words")
            << QStringLiteral("Chip type: XYZ\nModule WROOM") << DetectedBoardKind::esp32DevKit;
        // No line feed after the chip line: the words decide.
        QTest::newRow("last line esp32")
            << QStringLiteral("Flash: 4MB\nChip type: esp32") << DetectedBoardKind::esp32DevKit;
        QTest::newRow("last line esp32s3")
            << QStringLiteral("Flash: 4MB\nChip type: esp32s3") << DetectedBoardKind::controlBoard;
        QTest::newRow("last line unknown chip")
            << QStringLiteral("Chip type: rp2040") << DetectedBoardKind::unknown;
        // CR LF is one character that is not a line feed: the chip line never ends, so the
        // words decide, here differently from what the token would have said.
        QTest::newRow("crlf") << QStringLiteral("Chip type: esp32s9\r\nFeatures: Xtensa\r\n")
                              << DetectedBoardKind::esp32DevKit;
        QTest::newRow("lf token wins") << QStringLiteral("Chip type: esp32s9\nFeatures: Xtensa\n")
                                       << DetectedBoardKind::controlBoard;
        QTest::newRow("empty chip line")
            << QStringLiteral("Chip type:   \nXtensa LX6") << DetectedBoardKind::esp32DevKit;
        QTest::newRow("no chip line, esp32-s2")
            << QStringLiteral("Detected ESP32-S2 chip") << DetectedBoardKind::controlBoard;
        QTest::newRow("no chip line, p4 before plain")
            << QStringLiteral("esp32 esp32p4") << DetectedBoardKind::controlBoard;
        QTest::newRow("wroom") << QStringLiteral("module: wroom") << DetectedBoardKind::esp32DevKit;
        QTest::newRow("lx6") << QStringLiteral("core lx6") << DetectedBoardKind::esp32DevKit;
        QTest::newRow("d-zero-wd")
            << QStringLiteral("ESP-D0WD-V3") << DetectedBoardKind::esp32DevKit;
        QTest::newRow("d-oh-wd is not it")
            << QStringLiteral("package DOWD") << DetectedBoardKind::unknown;
        QTest::newRow("nothing") << QString() << DetectedBoardKind::unknown;
        QTest::newRow("error text")
            << QStringLiteral("Error: serial port not found") << DetectedBoardKind::unknown;
    }

    void classify()
    {
        QFETCH(QString, output);
        QFETCH(DetectedBoardKind, kind);
        QCOMPARE(vexlo::classifyBoardInfo(output), kind);
    }

    void labels()
    {
        QCOMPARE(vexlo::label(DetectedBoardKind::unknown), QStringLiteral("\u2013"));
        QCOMPARE(vexlo::label(DetectedBoardKind::esp32DevKit), QStringLiteral("ESP32 DevKit"));
        QCOMPARE(vexlo::label(DetectedBoardKind::controlBoard), QStringLiteral("Control Board"));
    }

    void truncation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString marker = QStringLiteral("\n\u2026(truncated)\u2026");
        const QString ascii900 = QString(900, QLatin1Char('a'));
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("900 kept") << ascii900 << ascii900;
        QTest::newRow("901 cut") << ascii900 + QLatin1Char('b') << ascii900 + marker;
        QTest::newRow("2000 cut") << QString(2000, QLatin1Char('z'))
                                  << QString(900, QLatin1Char('z')) + marker;

        // Characters outside the BMP are two UTF-16 units but one character.
        const QString emoji = QStringLiteral("\U0001F600");
        QString emojis900, emojis901;
        for (int i = 0; i < 900; ++i)
            emojis900 += emoji;
        emojis901 = emojis900 + emoji;
        QTest::newRow("900 surrogate pairs kept") << emojis900 << emojis900;
        QTest::newRow("901 surrogate pairs cut") << emojis901 << emojis900 + marker;

        // An e with a combining accent is one user-perceived character of two code points.
        const QString accented = QStringLiteral("e\u0301");
        QString accented900;
        for (int i = 0; i < 900; ++i)
            accented900 += accented;
        QTest::newRow("combining kept") << accented900 << accented900;
        QTest::newRow("combining cut") << accented900 + QLatin1Char('x') << accented900 + marker;
        // A CR LF pair is one character as well.
        const QString crlf450 = QStringLiteral("\r\n").repeated(450);
        QTest::newRow("crlf pairs") << crlf450 + QStringLiteral("a") + crlf450
                                    << crlf450 + QStringLiteral("a") + crlf450.left(898) + marker;
    }

    void truncation()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(vexlo::truncatedForLog(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestBoardInfo)
#include "tst_boardinfo.moc"
