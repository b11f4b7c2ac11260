#include "analysis/CycleMeasure.h"
#include "analysis/RecordAnalysis.h"
#include "support/SyntheticRecord.h"

#include <QTest>

#include <cmath>

namespace {

struct Expected
{
    double positive;
    double negative;
    double zero;
};

bool near(double actual, double expected, double tolerance = 1e-6)
{
    return std::abs(actual - expected) <= tolerance * std::max(1.0, std::abs(expected));
}

// Angles are equal when they point the same way: 180 and −179.9999999 are.
bool sameAngle(double actual, double expected)
{
    return std::abs(std::remainder(actual - expected, 360.0)) < 1e-6;
}

QVector<SyntheticChannel> phases(double a, double angleA, double b, double angleB, double c,
                                 double angleC)
{
    return {{QStringLiteral("IA"), QStringLiteral("A"), {}, a, angleA},
            {QStringLiteral("IB"), QStringLiteral("A"), {}, b, angleB},
            {QStringLiteral("IC"), QStringLiteral("A"), {}, c, angleC},
            {QStringLiteral("3I0"), QStringLiteral("A"), {}, 0, 0}};
}

} // namespace

Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(QVector<SyntheticChannel>)

class TestRecordAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void symmetricalComponents_data();
    void symmetricalComponents();
    void anglesAreCountedFromTheReference();
    void harmonicsAndThd_data();
    void harmonicsAndThd();
    void cycleIsRoundedToWholeSamples();
    void phaseTriplesAreFound_data();
    void phaseTriplesAreFound();
    void digitalChangesInTimeOrder();
};

void TestRecordAnalysis::symmetricalComponents_data()
{
    QTest::addColumn<QVector<SyntheticChannel>>("channels");
    QTest::addColumn<Expected>("expected");

    QTest::newRow("balanced set") << phases(100, 0, 100, -120, 100, 120) << Expected{100, 0, 0};
    QTest::newRow("single-phase fault: each a third of Ia")
        << phases(300, -70, 0, 0, 0, 0) << Expected{100, 100, 100};
    QTest::newRow("phases swapped: negative sequence only")
        << phases(100, 0, 100, 120, 100, -120) << Expected{0, 100, 0};
    QTest::newRow("equal in phase: zero sequence only")
        << phases(50, 10, 50, 10, 50, 10) << Expected{0, 0, 50};
}

void TestRecordAnalysis::symmetricalComponents()
{
    QFETCH(QVector<SyntheticChannel>, channels);
    QFETCH(Expected, expected);

    channels[3].rms = 3 * expected.zero;
    const RecordAnalysis analysis(syntheticRecord(channels));
    QCOMPARE(analysis.triples().size(), 1);
    const PhaseTriple triple = analysis.triples().constFirst();
    QCOMPARE(triple.letter(), QStringLiteral("I"));
    QCOMPARE(triple.residual, 3);

    // Any moment a whole cycle after the start reads the same.
    for (const int sample : {80, 401, 799}) {
        const SequenceValues values =
            RecordAnalysis::sequence(triple, analysis.channelsAt(sample, 0));
        QVERIFY2(near(values.positive.magnitude, expected.positive, 1e-9),
                 qPrintable(QString::number(values.positive.magnitude)));
        QVERIFY(near(values.negative.magnitude, expected.negative, 1e-9));
        QVERIFY(near(values.zero.magnitude, expected.zero, 1e-9));
        QVERIFY(near(values.computedResidual.magnitude, 3 * expected.zero, 1e-9));
        QVERIFY(near(values.measuredResidual.magnitude, 3 * expected.zero, 1e-9));
        if (expected.positive > 0) {
            QVERIFY(near(values.unbalancePercent, 100 * expected.negative / expected.positive));
            // Counted from Ia, the components of a fault on A lie on Ia.
            QVERIFY(sameAngle(values.positive.angle, 0));
        } else {
            QVERIFY(std::isnan(values.unbalancePercent));
        }
    }
}

void TestRecordAnalysis::anglesAreCountedFromTheReference()
{
    const ComtradeRecord record =
        syntheticRecord({{QStringLiteral("UA"), QStringLiteral("kV"), {}, 6.35, 30},
                         {QStringLiteral("IA"), QStringLiteral("A"), {}, 400, -30},
                         {QStringLiteral("IB"), QStringLiteral("A"), {}, 400, -150},
                         {QStringLiteral("Zero"), QStringLiteral("A"), {}, 0, 0}});
    const RecordAnalysis analysis(record);

    const QVector<ChannelAnalysis> fromVoltage = analysis.channelsAt(500, 0);
    QVERIFY(near(fromVoltage[0].phasor.angle, 0));
    QVERIFY(near(fromVoltage[0].phasor.magnitude, 6.35, 1e-9));
    QVERIFY(sameAngle(fromVoltage[1].phasor.angle, -60));
    // Half a turn is +180, never −180.
    QCOMPARE(fromVoltage[2].phasor.angle, 180.0);
    QVERIFY(near(fromVoltage[1].rms, 400, 1e-9));

    const QVector<ChannelAnalysis> fromIb = analysis.channelsAt(500, 2);
    QVERIFY(sameAngle(fromIb[1].phasor.angle, 120));
    QVERIFY(sameAngle(fromIb[0].phasor.angle, 180));
    // A reference without a fundamental gives no angles, but magnitudes.
    const QVector<ChannelAnalysis> fromNothing = analysis.channelsAt(500, 3);
    QVERIFY(std::isnan(fromNothing[1].phasor.angle));
    QVERIFY(near(fromNothing[1].phasor.magnitude, 400, 1e-9));
    // Less than a cycle of record before the sample: nothing is measured.
    QVERIFY(std::isnan(analysis.channelsAt(78, 0)[1].phasor.magnitude));
    QVERIFY(near(analysis.channelsAt(79, 0)[1].phasor.magnitude, 400, 1e-9));
}

void TestRecordAnalysis::harmonicsAndThd_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("second");
    QTest::addColumn<double>("thd");
    QTest::addColumn<int>("highestMeasured");

    QTest::newRow("20 % second harmonic, 80 a cycle") << 4000.0 << 20.0 << 20.0 << 15;
    QTest::newRow("pure sine") << 4000.0 << 0.0 << 0.0 << 15;
    // 20 samples a cycle measure orders below 10 only.
    QTest::newRow("20 % second harmonic, 20 a cycle") << 1000.0 << 20.0 << 20.0 << 9;
}

void TestRecordAnalysis::harmonicsAndThd()
{
    QFETCH(double, rate);
    QFETCH(double, second);
    QFETCH(double, thd);
    QFETCH(int, highestMeasured);

    SyntheticChannel inrush{QStringLiteral("IA"), QStringLiteral("A"), {}, 250, 40};
    inrush.secondPercent = second;
    const RecordAnalysis analysis(syntheticRecord({inrush}, {}, rate, int(rate / 5), 0));
    const ChannelAnalysis at = analysis.channelsAt(int(rate / 10), 0).constFirst();

    QCOMPARE(QString::number(at.harmonicPercent[0], 'f', 1), QString::number(second, 'f', 1));
    QVERIFY(near(at.thdPercent, thd, 1e-6));
    QVERIFY(near(at.phasor.magnitude, 250, 1e-9));
    const double peak = 250 * std::sqrt(2.0);
    QVERIFY(near(at.rms, peak * std::sqrt(1 + second * second / 1e4) / std::sqrt(2.0), 1e-9));
    for (int order = 3; order <= CycleMeasure::highestOrder; ++order) {
        const double percent = at.harmonicPercent[order - 2];
        QCOMPARE(std::isnan(percent), order > highestMeasured);
        if (!std::isnan(percent))
            QVERIFY2(percent < 1e-6, qPrintable(QString::number(order)));
    }
}

void TestRecordAnalysis::cycleIsRoundedToWholeSamples()
{
    // 1000 samples a second of a 60 Hz line: 16.7 samples a cycle, 17 taken.
    QVector<double> times;
    for (int i = 0; i < 100; ++i)
        times.append(i * 1000.0);
    QCOMPARE(CycleMeasure::cycleStart(times, 50, 60), 34);
    // 62.5 Hz: 16 samples exactly.
    QCOMPARE(CycleMeasure::cycleStart(times, 50, 62.5), 35);
    QCOMPARE(CycleMeasure::cycleStart(times, 15, 62.5), 0);
    QCOMPARE(CycleMeasure::cycleStart(times, 14, 62.5), -1);
}

void TestRecordAnalysis::phaseTriplesAreFound_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("phaseFields");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QString>("found");

    const QStringList none{"", "", "", ""};
    const QStringList amperes{"A", "A", "A", "A"};
    QTest::newRow("the relay's own names")
        << QStringList{"PhaseA", "PhaseB", "PhaseC", "3I0"} << none << amperes << "I:0,1,2;3";
    QTest::newRow("phase field, any names")
        << QStringList{"L1 current", "x", "y", "z"} << QStringList{"A", "B", "C", "N"} << amperes
        << "I:0,1,2;3";
    QTest::newRow("lower case and Cyrillic letters")
        << QStringList{"Uc", "Uа", "Ub", "Ux"} << none << QStringList{"kV", "kV", "kV", "kV"}
        << "U:1,2,0;-1";
    QTest::newRow("line voltages are no triple")
        << QStringList{"Uab", "Ubc", "Uca", "U0"} << none << QStringList{"V", "V", "V", "V"} << "";
    QTest::newRow("a phase missing")
        << QStringList{"IA", "IB", "IB2", "3I0"} << none << amperes << "";
    QTest::newRow("two circuits apart")
        << QStringList{"I1A", "I2A", "I1B", "I1C"} << none << amperes << "I:0,2,3;-1";
    QTest::newRow("a unit that is neither")
        << QStringList{"PA", "PB", "PC", "P0"} << none << QStringList{"W", "W", "W", "W"} << "";
}

void TestRecordAnalysis::phaseTriplesAreFound()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, phaseFields);
    QFETCH(QStringList, units);
    QFETCH(QString, found);

    QVector<ComtradeAnalogChannel> channels(names.size());
    for (int i = 0; i < names.size(); ++i) {
        channels[i].name = names[i];
        channels[i].phase = phaseFields[i];
        channels[i].unit = units[i];
    }
    QStringList described;
    for (const PhaseTriple& triple : SequenceComponents::findTriples(channels)) {
        described << QStringLiteral("%1:%2,%3,%4;%5")
                         .arg(triple.letter())
                         .arg(triple.phase[0])
                         .arg(triple.phase[1])
                         .arg(triple.phase[2])
                         .arg(triple.residual);
    }
    QCOMPARE(described.join(QLatin1Char(' ')), found);
}

void TestRecordAnalysis::digitalChangesInTimeOrder()
{
    const ComtradeRecord record = syntheticRecord({}, {{QStringLiteral("PICKUP"), 410, 600},
                                                       {QStringLiteral("TRIP"), 410, -1},
                                                       {QStringLiteral("CB"), -1, -1},
                                                       {QStringLiteral("EARLY"), 100, 420}});
    const DigitalChanges changes(record);

    QVector<QVector<int>> seen;
    for (const DigitalChange& change : changes.all())
        seen.append({change.sample, change.channel, change.from, change.to});
    QCOMPARE(seen,
             (QVector<QVector<int>>{
                 {100, 3, 0, 1}, {410, 0, 0, 1}, {410, 1, 0, 1}, {420, 3, 1, 0}, {600, 0, 1, 0}}));
    QCOMPARE(RecordAnalysis::timeMs(record, 410), 2.5);

    QCOMPARE(changes.nearestChange(0), 100);
    QCOMPARE(changes.nearestChange(414), 410);
    QCOMPARE(changes.nearestChange(415), 410);
    QCOMPARE(changes.nearestChange(416), 420);
    QCOMPARE(changes.nearestChange(10000), 600);
    QCOMPARE(DigitalChanges(syntheticRecord({})).nearestChange(5), -1);
}

QTEST_GUILESS_MAIN(TestRecordAnalysis)
#include "tst_recordanalysis.moc"
