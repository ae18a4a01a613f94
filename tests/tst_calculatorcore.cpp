// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/calculatorcore.h"

#include <QStringList>
#include <QTest>

#include <limits>

namespace {

using Operation = CalculatorCore::Operation;

// A sequence is written as the user would press it, tokens separated by
// blanks: a number such as "7.5" presses its keys one by one ("." is the
// point key), "+ - * / 余数 整除 CE =" are the other keys, and "[text]" is
// text the user types or pastes into the display in place of what it held.
void press(CalculatorCore& core, const QString& sequence)
{
    static const QHash<QString, Operation> operators = {
        {"+", Operation::Add},    {"-", Operation::Subtract},     {"*", Operation::Multiply},
        {"/", Operation::Divide}, {"余数", Operation::Remainder}, {"整除", Operation::IntegerDivide},
    };
    const QStringList tokens = sequence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (token == "=") {
            core.pressEquals();
        } else if (token == "CE") {
            core.pressClearEntry();
        } else if (operators.contains(token)) {
            core.pressOperator(operators.value(token));
        } else if (token.startsWith('[') && token.endsWith(']')) {
            core.setDisplay(token.mid(1, token.size() - 2).toStdString());
        } else {
            for (const QChar key : token) {
                if (key == '.')
                    core.pressPoint();
                else if (key.isDigit())
                    core.pressDigit(key.toLatin1());
                else
                    QFAIL(qPrintable("unknown key in " + token));
            }
        }
    }
}

} // namespace

class TestCalculatorCore : public QObject {
    Q_OBJECT

private slots:
    void display_data();
    void display();
    void commaLocale_data();
    void commaLocale();
    void storedValues_data();
    void storedValues();
};

// clang-format off
void TestCalculatorCore::display_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("shown");

    // Digits and the point are appended as they come.
    QTest::newRow("digits append") << "1 2" << "12";
    QTest::newRow("leading zero kept") << "0 5" << "05";
    QTest::newRow("second point appended") << "1 . . 5" << "1..5";
    QTest::newRow("digit after a result") << "1 + 2 = 4" << "3.4";
    QTest::newRow("result with a digit is the next operand") << "1 + 2 = 4 + 1 =" << "4.4";

    // The four operations and the result pattern.
    QTest::newRow("1 + 2") << "1 + 2 =" << "3.";
    QTest::newRow("2 - 5 is negative") << "2 - 5 =" << "-3.";
    QTest::newRow("6 * 7") << "6 * 7 =" << "42.";
    QTest::newRow("1 / 3 six decimals") << "1 / 3 =" << "0.333333";
    QTest::newRow("100 / 3 seven digits") << "100 / 3 =" << "33.33333";
    QTest::newRow("0.1 + 0.2 in single") << "0.1 + 0.2 =" << "0.3";
    QTest::newRow("1234.5678 + 0 seven digits") << "1234.5678 + 0 =" << "1234.568";
    QTest::newRow("0.0000001 + 0 rounds to 0.") << "0.0000001 + 0 =" << "0.";
    QTest::newRow("typed exponent") << "[1e3] + 1 =" << "1001.";
    QTest::newRow("operand held in single") << "16777217 整除 1 =" << "16777216.";

    // "=" repeats the operation with the same first operand.
    QTest::newRow("1 + 2 = =") << "1 + 2 = =" << "4.";
    QTest::newRow("1 + 2 = = =") << "1 + 2 = = =" << "5.";
    QTest::newRow("10 - 3 =") << "10 - 3 =" << "7.";
    QTest::newRow("10 - 3 = =") << "10 - 3 = =" << "3.";
    QTest::newRow("10 - 3 = = =") << "10 - 3 = = =" << "7.";

    // What operators, CE and an idle "=" leave behind.
    QTest::newRow("CE keeps operation and first operand") << "8 - 5 CE 3 =" << "5.";
    QTest::newRow("nothing pending leaves the display") << "5 =" << "5";
    QTest::newRow("operator on empty display keeps 0") << "+ 5 =" << "5.";
    QTest::newRow("second operator replaces the code") << "9 + - 4 =" << "5.";
    QTest::newRow("operator empties the display") << "9 +" << "";
    QTest::newRow("= on empty display fails") << "9 + =" << "";
    QTest::newRow("abc on an operator keeps first operand") << "5 + [abc] - 3 =" << "2.";
    QTest::newRow("abc on = changes nothing") << "5 + [abc] =" << "abc";
    QTest::newRow("abc on a fresh =") << "[abc] =" << "abc";
    QTest::newRow("two points do not read") << "1 + 1..5 =" << "1..5";

    // Single-precision failures leave the display as it was.
    QTest::newRow("2 / 0 fails") << "2 / 0 =" << "0";
    QTest::newRow("0 / 0 fails") << "0 / 0 =" << "0";
    QTest::newRow("-1 / 0 fails") << "[-1] / 0 =" << "0";
    QTest::newRow("3e38 * 10 overflows") << "[3e38] * 10 =" << "10";
    QTest::newRow("3e38 + 3e38 overflows") << "[3e38] + [3e38] =" << "3e38";
    QTest::newRow("-3e38 - 3e38 overflows") << "[-3e38] - [3e38] =" << "3e38";
    QTest::newRow("typed 1e39 does not read") << "1 + [1e39] =" << "1e39";
    QTest::newRow("underflow is zero") << "[1e-30] * [1e-30] =" << "0.";

    // Remainder and integer division on rounded 32-bit integers.
    QTest::newRow("7 整除 2") << "7 整除 2 =" << "3.";
    QTest::newRow("7 余数 2") << "7 余数 2 =" << "1.";
    QTest::newRow("7.5 整除 2 rounds up to 8") << "7.5 整除 2 =" << "4.";
    QTest::newRow("6.5 整除 2 rounds down to 6") << "6.5 整除 2 =" << "3.";
    QTest::newRow("2.5 rounds to 2") << "2.5 整除 1 =" << "2.";
    QTest::newRow("-2.5 rounds to -2") << "[-2.5] 整除 1 =" << "-2.";
    QTest::newRow("7 余数 0.4 divisor rounds to 0") << "7 余数 0.4 =" << "0.4";
    QTest::newRow("7 整除 0 fails") << "7 整除 0 =" << "0";
    QTest::newRow("7 余数 -2 takes the dividend's sign") << "7 余数 [-2] =" << "1.";
    QTest::newRow("-7 余数 2 takes the dividend's sign") << "[-7] 余数 2 =" << "-1.";
    QTest::newRow("-7 整除 2 truncates") << "[-7] 整除 2 =" << "-3.";
    QTest::newRow("整除 repeats with =") << "100 整除 3 = =" << "3.";

    // The 32-bit limits.
    QTest::newRow("-2147483648 整除 -1 overflows") << "[-2147483648] 整除 [-1] =" << "-1";
    QTest::newRow("-2147483648 余数 -1 overflows") << "[-2147483648] 余数 [-1] =" << "-1";
    QTest::newRow("-2147483648 整除 1") << "[-2147483648] 整除 1 =" << "-2147483648.";
    QTest::newRow("2147483520 shown exactly") << "2147483520 整除 1 =" << "2147483520.";
    QTest::newRow("2147483647 reads as 2^31 and fails") << "2147483647 整除 1 =" << "1";
    QTest::newRow("3e9 dividend fails") << "[3e9] 余数 7 =" << "7";
    QTest::newRow("3e9 divisor fails") << "5 整除 [3e9] =" << "3e9";
}
// clang-format on

void TestCalculatorCore::display()
{
    QFETCH(QString, sequence);
    QFETCH(QString, shown);

    CalculatorCore core;
    press(core, sequence);
    QCOMPARE(QString::fromStdString(core.display()), shown);
}

// The point key writes the locale's separator, so that decimal entry works
// where the separator is a comma, and results read back on the next "=".
// clang-format off
void TestCalculatorCore::commaLocale_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("shown");

    QTest::newRow("point key writes a comma") << "1 . 5" << "1,5";
    QTest::newRow("1,5 + 1") << "1.5 + 1 =" << "2,5";
    QTest::newRow("7,5 整除 2 rounds up") << "7.5 整除 2 =" << "4,";
    QTest::newRow("0,1 + 0,2") << "0.1 + 0.2 =" << "0,3";
    QTest::newRow("1 / 3") << "1 / 3 =" << "0,333333";
    QTest::newRow("2 - 5") << "2 - 5 =" << "-3,";
    QTest::newRow("typed 2,5 * 2") << "[2,5] * 2 =" << "5,";
    QTest::newRow("repeated = reads the comma result") << "0.5 + 1 = =" << "2,";
    QTest::newRow("digit after a comma result") << "1 + 2 = 4 + 1 =" << "4,4";
    QTest::newRow("two commas do not read") << "1 + 1..5 =" << "1,,5";
}
// clang-format on

void TestCalculatorCore::commaLocale()
{
    QFETCH(QString, sequence);
    QFETCH(QString, shown);

    CalculatorCore core(",");
    press(core, sequence);
    QCOMPARE(QString::fromStdString(core.display()), shown);
}

// clang-format off
void TestCalculatorCore::storedValues_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<int>("code");
    QTest::addColumn<float>("first");
    QTest::addColumn<float>("second");

    QTest::newRow("fresh") << "" << 0 << 0.0f << 0.0f;
    QTest::newRow("idle = stores the second operand") << "5 =" << 0 << 0.0f << 5.0f;
    QTest::newRow("last operator wins") << "9 + - 4 =" << 2 << 9.0f << 4.0f;
    QTest::newRow("abc keeps the first operand") << "5 + [abc] -" << 2 << 5.0f << 0.0f;
    QTest::newRow("CE touches no value") << "8 - 5 CE" << 2 << 8.0f << 0.0f;
    QTest::newRow("failed division stores the divisor") << "2 / 0 =" << 4 << 2.0f << 0.0f;
    QTest::newRow("unreadable = keeps the second operand") << "1 + 2 = [abc] =" << 1 << 1.0f
                                                            << 2.0f;
    QTest::newRow("repeated = keeps the first operand") << "1 + 2 = =" << 1 << 1.0f << 3.0f;
    QTest::newRow("each operator has its code") << "整除" << 6 << 0.0f << 0.0f;
    QTest::newRow("int32 overflow stores the operands")
        << "[-2147483648] 余数 [-1] =" << 5 << -2147483648.0f << -1.0f;
}
// clang-format on

void TestCalculatorCore::storedValues()
{
    QFETCH(QString, sequence);
    QFETCH(int, code);
    QFETCH(float, first);
    QFETCH(float, second);

    CalculatorCore core;
    press(core, sequence);
    QCOMPARE(int(core.pendingCode()), code);
    QCOMPARE(core.firstOperand(), first);
    QCOMPARE(core.secondOperand(), second);

    // The window starting afresh empties the display and nothing else.
    core.resetDisplay();
    QVERIFY(core.display().empty());
    QCOMPARE(int(core.pendingCode()), code);
    QCOMPARE(core.firstOperand(), first);
    QCOMPARE(core.secondOperand(), second);
}

QTEST_GUILESS_MAIN(TestCalculatorCore)
#include "tst_calculatorcore.moc"
