#include "devices/BoardInfo.h"

#include <QTest>

using Kind = vexlo::DetectedBoardKind;
Q_DECLARE_METATYPE(Kind)

class TestBoardInfo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classify_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<Kind>("kind");
        const auto row = [](const char *name, const char *output, Kind kind) {
            QTest::newRow(name) << QString::fromUtf8(output) << kind;
        };
        row("esp32 4.x", "Chip type:         esp32 (revision v3.1)\nFlash size: 4MB\n",
            Kind::esp32DevKit);
        row("esp32s3", "Chip type: esp32s3 (rev 0.2)\nCrystal: 40 MHz\n", Kind::controlBoard);
        row("dash in name", "Chip type: esp32-c6\nMAC: 1", Kind::controlBoard);
        row("upper case", "CHIP TYPE: ESP32C3\n", Kind::controlBoard);
        row("tab before paren", "chip type:\tesp32(rev1)\n", Kind::esp32DevKit);
        // A token that is no ESP32, or a chip line without a line feed: the words decide.
        row("other token, no words", "Chip type: XYZ\nFlash: 4MB", Kind::unknown);
        row("other token, words", "Chip type: XYZ\nModule WROOM", Kind::esp32DevKit);
        row("last line esp32", "Flash: 4MB\nChip type: esp32", Kind::esp32DevKit);
        row("last line esp32s3", "Flash: 4MB\nChip type: esp32s3", Kind::controlBoard);
        row("last line unknown chip", "Chip type: rp2040", Kind::unknown);
        // CR LF is one character that is not a line feed: the chip line never ends.
        row("crlf", "Chip type: esp32s9\r\nFeatures: Xtensa\r\n", Kind::esp32DevKit);
        row("lf token wins", "Chip type: esp32s9\nFeatures: Xtensa\n", Kind::controlBoard);
        row("empty chip line", "Chip type:   \nXtensa LX6", Kind::esp32DevKit);
        row("no chip line, esp32-s2", "Detected ESP32-S2 chip", Kind::controlBoard);
        row("p4 before plain", "esp32 esp32p4", Kind::controlBoard);
        row("wroom", "module: wroom", Kind::esp32DevKit);
        row("d-zero-wd", "ESP-D0WD-V3", Kind::esp32DevKit);
        row("d-oh-wd is not it", "package DOWD", Kind::unknown);
        row("error text", "Error: serial port not found", Kind::unknown);
    }

    void classify()
    {
        QFETCH(QString, output);
        QFETCH(Kind, kind);
        QCOMPARE(vexlo::classifyBoardInfo(output), kind);
    }

    void truncation_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("cut");
        QTest::newRow("900 kept") << QStringLiteral("a") << 900 << false;
        QTest::newRow("901 cut") << QStringLiteral("a") << 901 << true;
        // Surrogate pairs, combining accents and CR LF pairs are one character each.
        QTest::newRow("surrogates kept") << QStringLiteral("\U0001F600") << 900 << false;
        QTest::newRow("surrogates cut") << QStringLiteral("\U0001F600") << 901 << true;
        QTest::newRow("combining cut") << QStringLiteral("e\u0301") << 901 << true;
        QTest::newRow("crlf cut") << QStringLiteral("\r\n") << 2000 << true;
    }

    void truncation()
    {
        QFETCH(QString, unit);
        QFETCH(int, count);
        QFETCH(bool, cut);
        const QString text = unit.repeated(count);
        QCOMPARE(vexlo::truncatedForLog(text),
                 cut ? unit.repeated(900) + QStringLiteral("\n\u2026(truncated)\u2026") : text);
    }
};

QTEST_GUILESS_MAIN(TestBoardInfo)
#include "tst_boardinfo.moc"
