#include "workflow/CoilexVariant.h"

#include <QTest>

using vexlo::CoilexVariant;

class TestCoilexVariant : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rawTextsRoundTrip()
    {
        const QList<CoilexVariant> all = vexlo::allCoilexVariants();
        QCOMPARE(all, (QList{CoilexVariant::v4, CoilexVariant::pro, CoilexVariant::universal}));
        QStringList texts;
        for (const CoilexVariant variant : all) {
            texts << vexlo::id(variant);
            QCOMPARE(vexlo::coilexVariantFromRawValue(vexlo::rawValue(variant)), variant);
        }
        QCOMPARE(texts, (QStringList{"Coilex V4", "Coilex Pro", "Universell"}));
    }

    void otherTextsAreNoVariant_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("lower case") << QStringLiteral("coilex pro");
        QTest::newRow("trailing blank") << QStringLiteral("Coilex Pro ");
        QTest::newRow("empty") << QString();
        QTest::newRow("case name") << QStringLiteral("pro");
    }

    void otherTextsAreNoVariant()
    {
        QFETCH(QString, text);
        QVERIFY(!vexlo::coilexVariantFromRawValue(text));
    }
};

QTEST_GUILESS_MAIN(TestCoilexVariant)
#include "tst_coilexvariant.moc"
