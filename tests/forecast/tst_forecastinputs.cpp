#include "tests/support/TestMain.h"

#include "forecast/ForecastInputs.h"

using namespace forecast;

namespace
{
constexpr int kNone = -1;

RouteModel routeOf(char letter)
{
    RouteModel r;
    r.letter = letter;
    return r;
}

template <std::size_t N> std::array<QString, N> textsOf(const QStringList& list)
{
    std::array<QString, N> texts;
    for (std::size_t i = 0; i < N && int(i) < list.size(); ++i)
        texts[i] = list[int(i)];
    return texts;
}

// The only refused field, or kNone; -2 when several are.
template <std::size_t N> int refusedField(const std::array<QString, N>& refusals)
{
    int found = kNone;
    for (std::size_t i = 0; i < N; ++i)
        if (!refusals[i].isEmpty())
            found = found == kNone ? int(i) : -2;
    return found;
}
} // namespace

class TestForecastInputs : public QObject
{
    Q_OBJECT

private slots:
    void regimenEntry_data();
    void regimenEntry();
    void levelEntry_data();
    void levelEntry();
};

void TestForecastInputs::regimenEntry_data()
{
    QTest::addColumn<char>("letter");
    // infusion time, post level, post time, trough, peak, average
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("refused");
    QTest::addColumn<bool>("complete");
    QTest::newRow("infusion, post time 0")
        << 'D' << QStringList{"1", "20", "0", "5"} << kNone << true;
    QTest::newRow("trough above the post level")
        << 'D' << QStringList{"1", "20", "0.5", "25"} << int(kDesiredTrough) << false;
    QTest::newRow("trough equal to the peak")
        << 'O' << QStringList{"", "", "", "10", "10"} << int(kDesiredTrough) << false;
    QTest::newRow("peak 0") << 'I' << QStringList{"", "", "", "1", "0"} << int(kDesiredPeak)
                            << false;
    QTest::newRow("a lone point") << 'C' << QStringList{"", "", "", "", "", "."}
                                  << int(kDesiredAverage) << false;
    QTest::newRow("empty is incomplete, not refused")
        << 'O' << QStringList{"", "", "", "", "10"} << kNone << false;
    // 1e307 would overflow the dose per 24 h.
    QTest::newRow("average past the largest level")
        << 'C' << QStringList{"", "", "", "", "", "1" + QString(307, '0')} << int(kDesiredAverage)
        << false;
    // A dose over 1e-300 h would overflow the infusion rate.
    QTest::newRow("infusion below the shortest")
        << 'D' << QStringList{"1e-300", "20", "0.5", "5"} << int(kDesiredInfusionTime) << false;
    QTest::newRow("post time past the longest time")
        << 'D' << QStringList{"1", "20", "10001", "5"} << int(kDesiredPostTime) << false;
    QTest::newRow("fields of other routes are ignored")
        << 'C' << QStringList{"x", "", "", "", "", "12"} << kNone << true;
}

void TestForecastInputs::regimenEntry()
{
    QFETCH(char, letter);
    QFETCH(QStringList, texts);
    QFETCH(int, refused);
    QFETCH(bool, complete);
    const RegimenEntry e = readRegimenEntry(routeOf(letter), textsOf<kRegimenFieldCount>(texts));
    QCOMPARE(refusedField(e.refusals), refused);
    QCOMPARE(e.complete, complete);
}

void TestForecastInputs::levelEntry_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<bool>("uneven");
    // dose, interval, infusion time, post time, rate
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("dayRow"); // clock time, dose; refused: either
    QTest::addColumn<int>("refused");
    QTest::addColumn<bool>("dayRefused");
    QTest::addColumn<bool>("complete");
    QTest::newRow("infusion") << 'D' << false << QStringList{"500", "8", "1", "0.5"}
                              << QStringList{} << kNone << false << true;
    QTest::newRow("infusion without a post time")
        << 'D' << false << QStringList{"500", "8", "1"} << QStringList{} << kNone << false << true;
    QTest::newRow("infusion as long as the interval")
        << 'D' << false << QStringList{"500", "8", "8", "0.5"} << QStringList{}
        << int(kInfusionTime) << false << false;
    QTest::newRow("infusion below the shortest")
        << 'D' << false << QStringList{"500", "8", "1e-300", "0.5"} << QStringList{}
        << int(kInfusionTime) << false << false;
    QTest::newRow("negative dose")
        << 'O' << false << QStringList{"-5", "12"} << QStringList{} << int(kDose) << false << false;
    QTest::newRow("interval below the shortest")
        << 'O' << false << QStringList{"300", "0.001"} << QStringList{} << int(kInterval) << false
        << false;
    QTest::newRow("uneven dose past the largest dose")
        << 'O' << true << QStringList{} << QStringList{"8", "1e308"} << kNone << true << false;
    QTest::newRow("uneven day") << 'O' << true << QStringList{} << QStringList{"8", "200"} << kNone
                                << false << true;
    QTest::newRow("uneven clock time past the day")
        << 'O' << true << QStringList{} << QStringList{"25", "200"} << kNone << true << false;
    QTest::newRow("uneven without a dose")
        << 'I' << true << QStringList{} << QStringList{"", ""} << kNone << false << false;
}

void TestForecastInputs::levelEntry()
{
    QFETCH(char, letter);
    QFETCH(bool, uneven);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, dayRow);
    QFETCH(int, refused);
    QFETCH(bool, dayRefused);
    QFETCH(bool, complete);
    QVector<DayRowText> rows;
    if (!dayRow.isEmpty())
        rows.append({dayRow[0], dayRow[1]});
    const LevelEntry e =
        readLevelEntry(routeOf(letter), uneven, textsOf<kLevelFieldCount>(texts), rows);
    QCOMPARE(refusedField(e.refusals), refused);
    QCOMPARE(!rows.isEmpty() && !(e.dayRefusals[0].clockHour + e.dayRefusals[0].dose).isEmpty(),
             dayRefused);
    QCOMPARE(e.complete, complete);
}

TALVORA_TEST_MAIN(TestForecastInputs)
#include "tst_forecastinputs.moc"
