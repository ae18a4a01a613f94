// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/steps.h"
#include "engine/unitboxes.h"

#include <QTest>

#include <map>
#include <set>
#include <vector>

using engine::UnitBoxes;

namespace {

QString text(const UnitBoxes& boxes, int box)
{
    return QString::fromStdString(boxes.text(box));
}

void type(UnitBoxes& boxes, int box, const char* typed)
{
    boxes.setText(box, typed);
    boxes.keyUp(box);
}

// What each box's partners show after "1" is typed into it in a fresh
// window (full-stop separator), as engineers checked them by hand.
const std::map<int, std::map<int, QString>>& partnersOfOne()
{
    static const std::map<int, std::map<int, QString>> table = {
        {1, {{2, "5.6007"}, {3, "0.9807"}}},
        {2, {{1, "0.17855"}, {3, "0.1751"}}},
        {3, {{1, "1.02041"}, {2, "5.71501"}}},
        {6, {{5, "39.37"}, {4, "0.03937"}, {7, "0.02857"}}},
        {5, {{4, "0.001"}, {6, "0.0254"}, {7, "0.00073"}}},
        {4, {{6, "25.4"}, {5, "1000."}, {7, "0.7257"}}},
        {7, {{4, "1.37795"}, {5, "1377.95"}, {6, "35."}}},
        {8, {{9, "1000."}, {10, "3.281"}, {11, "39.37"}, {12, "39370."}}},
        {9, {{8, "0.001"}, {10, "0.00328"}, {11, "0.03937"}, {12, "39.37"}}},
        {10, {{8, "0.3048"}, {9, "304.8"}, {11, "12."}, {12, "12000."}}},
        {11, {{8, "0.0254"}, {9, "25.4"}, {10, "0.08333"}, {12, "1000."}}},
        {12, {{8, "0.00003"}, {9, "0.0254"}, {10, "0.00008"}, {11, "0.001"}}},
        {13, {{14, "144."}, {15, "0.0929"}, {16, "929.0304"}}},
        {14, {{13, "0.00694"}, {15, "0.00065"}, {16, "6.4516"}}},
        {15, {{13, "10.76391"}, {14, "1550.00304"}, {16, "10000."}}},
        {16, {{13, "0.00108"}, {14, "0.155"}, {15, "0.0001"}}},
        {17, {{18, "0.10764"}}},
        {18, {{17, "9.29031"}}},
        {19, {{20, "0.26418"}, {23, "60."}}},
        {20, {{19, "3.78532"}, {23, "227.11944"}}},
        {23, {{19, "0.01667"}, {20, "0.004403"}}},
        {21, {{22, "14.2233"}, {33, "0.981"}, {34, "0.0981"}, {35, "735.499"}}},
        {22, {{21, "0.07031"}, {33, "0.06897"}, {34, "0.0069"}, {35, "51.71073"}}},
        {33, {{21, "1.01937"}, {22, "14.49878"}, {34, "0.1"}, {35, "749.74414"}}},
        {34, {{21, "10.19368"}, {22, "144.98777"}, {33, "10."}, {35, "7497.44139"}}},
        {35, {{21, "0.00136"}, {22, "0.01934"}, {33, "0.00133"}, {34, "0.00013"}}},
        {24, {{27, "1.186"}}},
        {25, {{26, "1.095"}}},
        {28, {{29, "2.2133"}}},
        {30, {{31, "2.4506"}, {32, "4.71269"}}},
    };
    return table;
}

// Typed values that show every digit of every constant their rule uses: with
// these inputs, changing any one digit of any factor in the chain changes the
// text shown (with "1", a third of the factors hide their last digits behind
// the five decimals). The expected texts were worked out apart from the
// engine: each chain applied left to right in double precision, the product
// taken to 15 significant digits and rounded half away from zero in decimal.
struct DigitsRow {
    int source;
    const char* typed;
    std::map<int, QString> partners;
};

const std::vector<DigitsRow>& everyDigitShows()
{
    static const std::vector<DigitsRow> table = {
        {1, "123.456", {{2, "691.44002"}, {3, "121.0733"}}},
        {2, "123.456", {{1, "22.04298"}, {3, "21.61755"}}},
        {3, "123.456", {{1, "125.97574"}, {2, "705.55231"}}},
        {6, "123.456", {{5, "4860.46272"}, {4, "4.86046"}, {7, "3.52726"}}},
        {5, "1000", {{4, "1."}, {6, "25.4"}, {7, "0.7257"}}},
        {4, "123.456", {{6, "3135.7824"}, {5, "123456."}, {7, "89.59244"}}},
        {7, "123.456", {{4, "170.1162"}, {5, "170116.1952"}, {6, "4320.96"}}},
        {8, "123.456", {{9, "123456."}, {10, "405.05914"}, {11, "4860.46272"}, {12, "4860462.72"}}},
        {9, "123.456", {{8, "0.12346"}, {10, "0.40506"}, {11, "4.86046"}, {12, "4860.46272"}}},
        {10, "123.456", {{8, "37.62939"}, {9, "37629.3888"}, {11, "1481.472"}, {12, "1481472."}}},
        {11, "123.456", {{8, "3.13578"}, {9, "3135.7824"}, {10, "10.288"}, {12, "123456."}}},
        {12, "1000000", {{8, "25.4"}, {9, "25400."}, {10, "83.3333"}, {11, "1000."}}},
        {13, "123.456", {{14, "17777.664"}, {15, "11.46944"}, {16, "114694.37706"}}},
        {14, "1000", {{13, "6.9444"}, {15, "0.64516"}, {16, "6451.6"}}},
        {15, "123.456", {{13, "1328.86927"}, {14, "191357.17531"}, {16, "1234560."}}},
        {16, "1000", {{13, "1.07639"}, {14, "155."}, {15, "0.1"}}},
        {17, "123.456", {{18, "13.28868"}}},
        {18, "123.456", {{17, "1146.94488"}}},
        {19, "123.456", {{20, "32.61438"}, {23, "7407.36"}}},
        {20, "123.456", {{19, "467.32096"}, {23, "28039.25758"}}},
        {23, "1000", {{19, "16.66667"}, {20, "4.40297"}}},
        {21, "123.456", {{22, "1755.95172"}, {33, "121.11034"}, {34, "12.11103"}, {35, "90801.76454"}}},
        {22, "123.456", {{21, "8.67982"}, {33, "8.5149"}, {34, "0.85149"}, {35, "6383.99966"}}},
        {33, "123.456", {{21, "125.84709"}, {22, "1789.96098"}, {34, "12.3456"}, {35, "92560.41238"}}},
        {34, "123.456", {{21, "1258.47095"}, {22, "17899.60983"}, {33, "1234.56"}, {35, "925604.12379"}}},
        {35, "1000000", {{21, "1359.62116"}, {22, "19338.29958"}, {33, "1333.78835"}, {34, "133.37884"}}},
        {24, "123.456", {{27, "146.41882"}}},
        {25, "123.456", {{26, "135.18432"}}},
        {28, "123.456", {{29, "273.24516"}}},
        {30, "123.456", {{31, "302.54127"}, {32, "581.81014"}}},
    };
    return table;
}

} // namespace

class TestUnitBoxes : public QObject {
    Q_OBJECT

private slots:
    void everyStepIsChecked();
    void typingOne_data();
    void typingOne();
    void everyDigitOfTheConstants_data();
    void everyDigitOfTheConstants();
    void typedValues_data();
    void typedValues();
    void commaLocale_data();
    void commaLocale();
    void failedConversionShowsSlots();
    void staleSlotFromAnotherBox();
    void roundTripsThroughRoundedText();
    void clearKeepsSlots();
    void overflow();
    void groupsStayApart();
    void boxesWithoutRule();
    void anyBoxNumberIsSafe();
};

// Every step of the table has an expected value below, and every expected
// value is a step: nothing is left unchecked.
void TestUnitBoxes::everyStepIsChecked()
{
    std::set<std::pair<int, int>> inTable;
    for (const engine::Step& s : engine::allSteps())
        inTable.insert({s.source, s.target});
    std::set<std::pair<int, int>> expected;
    for (const auto& [source, partners] : partnersOfOne())
        for (const auto& [target, shown] : partners)
            expected.insert({source, target});
    QCOMPARE(inTable.size(), std::size_t(83));
    QVERIFY(inTable == expected);

    std::set<std::pair<int, int>> withDigits;
    for (const DigitsRow& row : everyDigitShows())
        for (const auto& [target, shown] : row.partners)
            withDigits.insert({row.source, target});
    QVERIFY(inTable == withDigits);
}

// clang-format off
void TestUnitBoxes::typingOne_data()
{
    QTest::addColumn<int>("source");
    for (const auto& [source, partners] : partnersOfOne())
        QTest::addRow("1 typed into Text%d", source) << source;
}
// clang-format on

void TestUnitBoxes::typingOne()
{
    QFETCH(int, source);
    UnitBoxes boxes(".");
    boxes.setText(source, "1");
    const engine::ChangedBoxes changed = boxes.keyUp(source);

    const auto& partners = partnersOfOne().at(source);
    QCOMPARE(std::size_t(changed.count), partners.size());
    // The rule writes its partners in its own step order, all of them.
    std::vector<int> order;
    for (const engine::Step& s : engine::rule(source))
        order.push_back(s.target);
    QCOMPARE(std::vector<int>(changed.begin(), changed.end()), order);
    for (const auto& [target, shown] : partners)
        QCOMPARE(text(boxes, target), shown);
    QCOMPARE(text(boxes, source), QString("1"));
}

// clang-format off
void TestUnitBoxes::everyDigitOfTheConstants_data()
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < everyDigitShows().size(); ++i) {
        const DigitsRow& row = everyDigitShows()[i];
        QTest::addRow("%s typed into Text%d", row.typed, row.source) << int(i);
    }
}
// clang-format on

void TestUnitBoxes::everyDigitOfTheConstants()
{
    QFETCH(int, row);
    const DigitsRow& expected = everyDigitShows()[std::size_t(row)];
    UnitBoxes boxes(".");
    type(boxes, expected.source, expected.typed);
    for (const auto& [target, shown] : expected.partners)
        QCOMPARE(text(boxes, target), shown);
}

// clang-format off
void TestUnitBoxes::typedValues_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("shown");

    QTest::newRow("35 um is 0.99999 oz, not 1") << 6 << "35" << 7 << "0.99999";
    QTest::newRow("144 square inch is 0.99999 square ft") << 14 << "144" << 13 << "0.99999";
    QTest::newRow("10 ASD") << 18 << "10" << 17 << "92.90313";
    QTest::newRow("LPH to GPM shows six decimals") << 23 << "250" << 20 << "1.100742";
    QTest::newRow("LPH to LPM keeps five") << 23 << "250" << 19 << "4.16667";
    QTest::newRow("0.5 MPa in kgf/cm2") << 34 << "0.5" << 21 << "5.09684";
    QTest::newRow("0.5 MPa in PSI") << 34 << "0.5" << 22 << "72.49388";
    QTest::newRow("0.5 MPa in bar keeps the separator") << 34 << "0.5" << 33 << "5.";
    QTest::newRow("0.5 MPa in mmHg") << 34 << "0.5" << 35 << "3748.72069";
    QTest::newRow("760 mmHg in kgf/cm2") << 35 << "760" << 21 << "1.03331";
    QTest::newRow("760 mmHg in PSI") << 35 << "760" << 22 << "14.69711";
    QTest::newRow("760 mmHg in bar") << 35 << "760" << 33 << "1.01368";
    QTest::newRow("760 mmHg in MPa") << 35 << "760" << 34 << "0.10137";
    QTest::newRow("2 kgf/cm2 in PSI") << 21 << "2" << 22 << "28.4466";
    QTest::newRow("2 kgf/cm2 in mmHg") << 21 << "2" << 35 << "1470.998";
    QTest::newRow("14.2233 PSI is 1. kgf/cm2") << 22 << "14.2233" << 21 << "1.";
    QTest::newRow("2.5 kA.h of copper") << 24 << "2.5" << 27 << "2.965";
    QTest::newRow("12 kA.h of nickel") << 25 << "12" << 26 << "13.14";
    QTest::newRow("100 A.h of gold") << 30 << "100" << 31 << "245.06";
    QTest::newRow("100 A.h of gold salt") << 30 << "100" << 32 << "471.26923";
    QTest::newRow("tiny charge shows 0.") << 24 << "0.000004" << 27 << "0.";
    QTest::newRow("negative input converts") << 1 << "-1" << 2 << "-5.6007";
    QTest::newRow("trailing separator reads as integer") << 1 << "1." << 3 << "0.9807";
    QTest::newRow("full-width input from an IME") << 21 << "\xef\xbc\x92" << 22 << "28.4466";
    QTest::newRow("exponent input") << 9 << "1e3" << 8 << "1.";
    QTest::newRow("underflow to zero is accepted") << 9 << "1e-400" << 8 << "0.";
}
// clang-format on

void TestUnitBoxes::typedValues()
{
    QFETCH(int, source);
    QFETCH(QString, typed);
    QFETCH(int, target);
    QFETCH(QString, shown);
    UnitBoxes boxes(".");
    type(boxes, source, typed.toUtf8().constData());
    QCOMPARE(text(boxes, target), shown);
}

// clang-format off
void TestUnitBoxes::commaLocale_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("slot");

    QTest::newRow("comma: 1 kgf/cm") << 1 << "1" << 2 << "5,6007" << "5,6007";
    QTest::newRow("comma: integer keeps the comma") << 11 << "1" << 12 << "1000," << "1000";
    QTest::newRow("comma: decimal input") << 24 << "2,5" << 27 << "2,965" << "2,965";
    QTest::newRow("comma: six-decimal flow step") << 23 << "1" << 20 << "0,004403" << "0,00440296964451832";
    QTest::newRow("comma: exponent slot") << 12 << "1" << 8 << "0,00003" << "2,54E-05";
}
// clang-format on

void TestUnitBoxes::commaLocale()
{
    QFETCH(int, source);
    QFETCH(QString, typed);
    QFETCH(int, target);
    QFETCH(QString, shown);
    QFETCH(QString, slot);
    UnitBoxes boxes(",");
    type(boxes, source, typed.toUtf8().constData());
    QCOMPARE(text(boxes, target), shown);
    QCOMPARE(QString::fromStdString(boxes.slot(target)), slot);

    // A full stop is no separator here: the rule fails and shows the slots.
    type(boxes, source, "7.5");
    QCOMPARE(text(boxes, target), shown);
}

void TestUnitBoxes::failedConversionShowsSlots()
{
    UnitBoxes boxes(".");
    // A letter in a fresh window empties the partners: their slots are empty.
    boxes.setText(21, "3");
    type(boxes, 30, "x");
    QCOMPARE(text(boxes, 31), QString());
    QCOMPARE(text(boxes, 32), QString());
    QCOMPARE(boxes.slot(31), std::string());

    // Typing 1.5 converts every intermediate text; a lone minus then fails
    // and leaves the partners as they were.
    type(boxes, 1, "1");
    type(boxes, 1, "1.");
    QCOMPARE(text(boxes, 2), QString("5.6007"));
    type(boxes, 1, "1.5");
    QCOMPARE(text(boxes, 2), QString("8.40105"));
    type(boxes, 1, "-");
    QCOMPARE(text(boxes, 2), QString("8.40105"));
    QCOMPARE(text(boxes, 3), QString("1.47105"));
    // Backspace to empty keeps the last values.
    type(boxes, 1, "");
    QCOMPARE(text(boxes, 2), QString("8.40105"));

    // Deleting the gold charge keeps both results.
    type(boxes, 30, "1");
    type(boxes, 30, "");
    QCOMPARE(text(boxes, 31), QString("2.4506"));
    QCOMPARE(text(boxes, 32), QString("4.71269"));
}

// Type 1 into Text1, then 2 over Text3, then empty Text1: Text2 comes back
// from Result2 as last written by Text3's rule, and Text3's own "2" is
// overwritten with the value Text1's rule last computed for it.
void TestUnitBoxes::staleSlotFromAnotherBox()
{
    UnitBoxes boxes(".");
    type(boxes, 1, "1");
    QCOMPARE(text(boxes, 3), QString("0.9807"));
    type(boxes, 3, "2");
    QCOMPARE(text(boxes, 1), QString("2.04082"));
    QCOMPARE(text(boxes, 2), QString("11.43002"));
    type(boxes, 1, "");
    QCOMPARE(text(boxes, 2), QString("11.43002"));
    QCOMPARE(text(boxes, 3), QString("0.9807"));
}

// A key release in a box that shows a computed value converts that rounded
// text, with the other direction's constants.
void TestUnitBoxes::roundTripsThroughRoundedText()
{
    UnitBoxes boxes(".");
    type(boxes, 1, "1");
    boxes.keyUp(2); // Tab into Text2 (5.6007)
    QCOMPARE(text(boxes, 1), QString("1."));
    boxes.keyUp(3); // Tab into Text3 (0.9807)
    QCOMPARE(text(boxes, 1), QString("1.00072"));
    QCOMPARE(text(boxes, 2), QString("5.60471"));

    type(boxes, 8, "1");
    QCOMPARE(text(boxes, 10), QString("3.281"));
    boxes.keyUp(10);
    QCOMPARE(text(boxes, 8), QString("1.00005"));

    type(boxes, 22, "14.2233");
    QCOMPARE(boxes.slot(21), std::string("0.9999975531"));
    type(boxes, 21, "1");
    QCOMPARE(text(boxes, 22), QString("14.2233"));
}

void TestUnitBoxes::clearKeepsSlots()
{
    UnitBoxes boxes(".");
    type(boxes, 25, "12");
    type(boxes, 1, "1");
    boxes.clear();
    for (int box = 1; box <= UnitBoxes::kBoxCount; ++box)
        QCOMPARE(text(boxes, box), QString());
    QCOMPARE(boxes.slot(26), std::string("13.14"));
    // A letter after the clear brings back the value from before it.
    type(boxes, 25, "a");
    QCOMPARE(text(boxes, 26), QString("13.14"));
    boxes.keyUp(1); // empty source: partners refill from their slots
    QCOMPARE(text(boxes, 2), QString("5.6007"));
}

void TestUnitBoxes::overflow()
{
    UnitBoxes boxes(".");
    type(boxes, 8, "1");
    // Beyond the double range: every partner keeps its slot.
    type(boxes, 8, "1e400");
    QCOMPARE(text(boxes, 9), QString("1000."));
    QCOMPARE(text(boxes, 12), QString("39370."));
    // An overflow inside one chain fails that step only.
    type(boxes, 8, "1e305");
    QCOMPARE(boxes.slot(9), std::string("1E+308"));
    QCOMPARE(boxes.slot(12), std::string("39370"));
    QCOMPARE(text(boxes, 12), QString("39370."));
    QVERIFY(text(boxes, 9).startsWith("1000000000"));
    QVERIFY(text(boxes, 9).endsWith("0."));
    QCOMPARE(text(boxes, 9).size(), qsizetype(310));
    // The largest double itself converts where the chain stays in range.
    type(boxes, 9, "1.7976931348623157e308");
    QCOMPARE(boxes.slot(8), std::string("1.79769313486232E+305"));
}

void TestUnitBoxes::groupsStayApart()
{
    for (const engine::Step& first : engine::allSteps()) {
        UnitBoxes boxes(".");
        for (int box = 1; box <= UnitBoxes::kBoxCount; ++box)
            boxes.setText(box, "sentinel");
        boxes.setText(first.source, "3");
        std::set<int> targets;
        for (int changed : boxes.keyUp(first.source))
            targets.insert(changed);
        for (int box = 1; box <= UnitBoxes::kBoxCount; ++box) {
            if (box == first.source || targets.count(box))
                continue;
            QCOMPARE(text(boxes, box), QString("sentinel"));
            QCOMPARE(boxes.slot(box), std::string());
        }
    }
}

void TestUnitBoxes::boxesWithoutRule()
{
    UnitBoxes boxes(".");
    type(boxes, 24, "1");
    for (int resultBox : {26, 27, 29, 31, 32}) {
        boxes.setText(resultBox, "5");
        QVERIFY(boxes.keyUp(resultBox).empty());
    }
    QCOMPARE(boxes.slot(27), std::string("1.186"));
    QCOMPARE(text(boxes, 27), QString("5"));
    for (int inputBox : {24, 25, 28, 30})
        QCOMPARE(boxes.slot(inputBox), std::string());
}

void TestUnitBoxes::anyBoxNumberIsSafe()
{
    UnitBoxes boxes(".");
    for (int box : {0, -1, 36, 1000, INT_MIN, INT_MAX}) {
        boxes.setText(box, "1");
        QVERIFY(boxes.keyUp(box).empty());
        QCOMPARE(boxes.text(box), std::string());
        QCOMPARE(boxes.slot(box), std::string());
    }
    for (int box = 1; box <= UnitBoxes::kBoxCount; ++box)
        QCOMPARE(text(boxes, box), QString());
}

QTEST_GUILESS_MAIN(TestUnitBoxes)
#include "tst_unitboxes.moc"
