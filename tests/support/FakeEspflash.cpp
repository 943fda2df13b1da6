#include "FakeEspflash.h"

#include <QFile>
#include <QTest>

FakeEspflash::FakeEspflash()
{
    QVERIFY2(m_dir.isValid(), "no temporary directory");
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), toolPath()));
}

void FakeEspflash::setScenario(const QStringList &lines)
{
    QFile file(filePath(QStringLiteral("espflash.scenario")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
}

QStringList FakeEspflash::calls() const
{
    QFile file(filePath(QStringLiteral("espflash.calls")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void FakeEspflash::removeTool()
{
    QVERIFY(QFile::remove(toolPath()));
}
