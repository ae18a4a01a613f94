// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/numbertext.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <random>

using engine::NumberText;

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void toDouble_data();
    void toDouble();
    void toDoubleRejects_data();
    void toDoubleRejects();
    void toSingle_data();
    void toSingle();
    void fromDoubleReadsBack_data();
    void fromDoubleReadsBack();
    void format_data();
    void format();
    void formatSingle_data();
    void formatSingle();
    void formatInteger();
    void singleToInt32_data();
    void singleToInt32();
    void slotDigitsMatchSlotText();
    void hugeAndHostileText();
};

// clang-format off
void TestNumberText::toDouble_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain integer") << "." << "12" << 12.0;
    QTest::newRow("blanks around") << "." << "  7.25\t" << 7.25;
    QTest::newRow("trailing separator") << "." << "3." << 3.0;
    QTest::newRow("leading separator") << "." << ".5" << 0.5;
    QTest::newRow("plus sign") << "." << "+4" << 4.0;
    QTest::newRow("minus sign") << "." << "-1.5" << -1.5;
    QTest::newRow("exponent") << "." << "1e3" << 1000.0;
    QTest::newRow("capital exponent with sign") << "." << "2.5E-2" << 0.025;
    QTest::newRow("leading zeros") << "." << "0005" << 5.0;
    QTest::newRow("underflow reads as zero") << "." << "1e-400" << 0.0;
    QTest::newRow("largest double") << "." << "1.7976931348623157e308" << std::numeric_limits<double>::max();
    QTest::newRow("comma locale") << "," << "12,5" << 12.5;
    QTest::newRow("comma locale trailing separator") << "," << "3," << 3.0;
    QTest::newRow("multi-byte separator") << QString::fromUtf8("\xd9\xab") << QString::fromUtf8("1\xd9\xab" "5") << 1.5;
    QTest::newRow("full-width digits and point") << "." << QString::fromUtf8("１２．５") << 12.5;
    QTest::newRow("full-width minus") << "." << QString::fromUtf8("－３") << -3.0;
    QTest::newRow("full-width plus and exponent") << "." << QString::fromUtf8("＋２ｅ３") << 2000.0;
    QTest::newRow("ideographic spaces around") << "." << QString::fromUtf8("\u3000" "8\u3000") << 8.0;
    QTest::newRow("full-width comma in comma locale") << "," << QString::fromUtf8("１，５") << 1.5;
}
// clang-format on

void TestNumberText::toDouble()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const NumberText numbers(separator.toStdString());
    const auto value = numbers.toDouble(text.toStdString());
    QVERIFY(value.has_value());
    QCOMPARE(*value, expected);
}

// clang-format off
void TestNumberText::toDoubleRejects_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "." << "";
    QTest::newRow("blanks only") << "." << "   ";
    QTest::newRow("lone minus") << "." << "-";
    QTest::newRow("lone separator") << "." << ".";
    QTest::newRow("sign and separator") << "." << "-.";
    QTest::newRow("two separators") << "." << "1.2.3";
    QTest::newRow("letters") << "." << "abc";
    QTest::newRow("trailing letter") << "." << "12a";
    QTest::newRow("exponent without digits") << "." << "1e";
    QTest::newRow("exponent sign without digits") << "." << "1e+";
    QTest::newRow("blank inside") << "." << "1 2";
    QTest::newRow("blank after sign") << "." << "- 2";
    QTest::newRow("two signs") << "." << "--2";
    QTest::newRow("beyond the double range") << "." << "1e400";
    QTest::newRow("huge exponent") << "." << "1e99999999999999999999";
    QTest::newRow("infinity word") << "." << "inf";
    QTest::newRow("nan word") << "." << "nan";
    QTest::newRow("hexadecimal") << "." << "0x10";
    QTest::newRow("full stop in comma locale") << "," << "1.5";
    QTest::newRow("group separator") << "." << "1,000";
    QTest::newRow("ideographic full stop is not a point") << "." << QString::fromUtf8("1。5");
}
// clang-format on

void TestNumberText::toDoubleRejects()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    const NumberText numbers(separator.toStdString());
    QVERIFY(!numbers.toDouble(text.toStdString()).has_value());
    QVERIFY(!numbers.toSingle(text.toStdString()).has_value());
}

// clang-format off
void TestNumberText::toSingle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<float>("expected");

    QTest::newRow("tenth rounds to single") << "0.1" << true << 0.1f;
    QTest::newRow("largest single") << "3.4028234e38" << true << std::numeric_limits<float>::max();
    QTest::newRow("beyond the single range") << "3.5e38" << false << 0.0f;
    QTest::newRow("in double range but not single") << "1e300" << false << 0.0f;
    QTest::newRow("single underflow reads as zero") << "1e-50" << true << 0.0f;
    QTest::newRow("trailing separator") << "3." << true << 3.0f;
}
// clang-format on

void TestNumberText::toSingle()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(float, expected);
    const auto value = NumberText(".").toSingle(text.toStdString());
    QCOMPARE(value.has_value(), ok);
    if (ok)
        QCOMPARE(*value, expected);
}

// clang-format off
void TestNumberText::fromDoubleReadsBack_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("integer") << 5.0 << "5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero shows as zero") << -0.0 << "0";
    QTest::newRow("fifteen digits") << 0.178549309015 << "0.178549309015";
    QTest::newRow("rounded to fifteen digits") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("tension product") << 0.393701 * 0.453515 * 0.9807 << "0.175103307351011";
    QTest::newRow("small in exponent form") << 0.0000254 << "2.54E-05";
    QTest::newRow("large in exponent form") << 1e16 << "1E+16";
    QTest::newRow("largest fixed form") << 123456789012345.0 << "123456789012345";
    QTest::newRow("negative") << -5.6007 << "-5.6007";
    QTest::newRow("largest double cuts its last digit to read back")
        << std::numeric_limits<double>::max() << "1.79769313486231E+308";
    QTest::newRow("smallest denormal") << 4.9406564584124654e-324 << "4.94065645841247E-324";
}
// clang-format on

void TestNumberText::fromDoubleReadsBack()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    for (const char* sep : {".", ","}) {
        const NumberText numbers(sep);
        const std::string text = numbers.fromDouble(value);
        QCOMPARE(QString::fromStdString(text), QString(expected).replace('.', QLatin1String(sep)));
        const auto back = numbers.toDouble(text);
        QVERIFY(back.has_value());
        QCOMPARE(QString::fromStdString(numbers.fromDouble(*back)), QString::fromStdString(text));
    }
}

// clang-format off
void TestNumberText::format_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty stays empty") << "" << 5 << "";
    QTest::newRow("not a number gives empty") << "abc" << 5 << "";
    QTest::newRow("integer keeps the separator") << "5" << 5 << "5.";
    QTest::newRow("integer keeps the separator, six") << "5" << 6 << "5.";
    QTest::newRow("144") << "144" << 5 << "144.";
    QTest::newRow("short fraction untouched") << "5.6007" << 5 << "5.6007";
    QTest::newRow("1.00071608 to five") << "1.00071608" << 5 << "1.00072";
    QTest::newRow("1.00071608 to six") << "1.00071608" << 6 << "1.000716";
    QTest::newRow("below half of the last place") << "0.0000049" << 5 << "0.";
    QTest::newRow("0.000004 to five") << "0.000004" << 5 << "0.";
    QTest::newRow("half rounds up on the decimal value") << "0.000005" << 5 << "0.00001";
    QTest::newRow("half rounds away from zero when negative") << "-0.000005" << 5 << "-0.00001";
    QTest::newRow("negative rounding to zero drops its sign") << "-0.000001" << 5 << "0.";
    QTest::newRow("nine carries into the integer") << "9.999995" << 5 << "10.";
    QTest::newRow("carry through every digit") << "99999.999999" << 5 << "100000.";
    QTest::newRow("no group separators") << "123456789" << 5 << "123456789.";
    QTest::newRow("never exponent form, large") << "1E+20" << 5 << "100000000000000000000.";
    QTest::newRow("never exponent form, small") << "2.54E-05" << 5 << "0.00003";
    QTest::newRow("negative") << "-5.6007" << 5 << "-5.6007";
    QTest::newRow("trailing zeros dropped") << "2.50000" << 5 << "2.5";
    QTest::newRow("fifteen-digit slot rounds at its last shown place") << "0.00440296964451832" << 6 << "0.004403";
    QTest::newRow("leading zeros in fraction") << "0.0254" << 5 << "0.0254";
}
// clang-format on

void TestNumberText::format()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(NumberText(".").format(text.toStdString(), decimals)), expected);

    // The same row in a comma locale: only the separator differs.
    QString commaText = text;
    commaText.replace('.', ',');
    QString commaExpected = expected;
    commaExpected.replace('.', ',');
    QCOMPARE(QString::fromStdString(NumberText(",").format(commaText.toStdString(), decimals)), commaExpected);
}

// clang-format off
void TestNumberText::formatSingle_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("100 / 3 at seven digits") << 100.0f / 3.0f << "33.33333";
    QTest::newRow("1 / 3") << 1.0f / 3.0f << "0.333333";
    QTest::newRow("0.1 + 0.2 is 0.3 at seven digits") << 0.1f + 0.2f << "0.3";
    QTest::newRow("1234.5678 at seven digits") << 1234.5678f << "1234.568";
    QTest::newRow("whole number") << 3.0f << "3.";
    QTest::newRow("negative") << -3.0f << "-3.";
    QTest::newRow("tiny shows zero") << 0.0000001f << "0.";
}
// clang-format on

void TestNumberText::formatSingle()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(NumberText(".").format(value, 6)), expected);
}

void TestNumberText::formatInteger()
{
    const NumberText numbers(".");
    QCOMPARE(numbers.format(std::int32_t(0), 6), std::string("0."));
    QCOMPARE(numbers.format(std::int32_t(-3), 6), std::string("-3."));
    QCOMPARE(numbers.format(std::int32_t(2147483647), 6), std::string("2147483647."));
    QCOMPARE(numbers.format(std::int32_t(-2147483647 - 1), 6), std::string("-2147483648."));
    QCOMPARE(numbers.format(std::int32_t(1000), 5), std::string("1000."));
}

// clang-format off
void TestNumberText::singleToInt32_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("expected");

    QTest::newRow("2.5 to even 2") << 2.5f << true << 2;
    QTest::newRow("3.5 to even 4") << 3.5f << true << 4;
    QTest::newRow("-2.5 to even -2") << -2.5f << true << -2;
    QTest::newRow("7.5 to 8") << 7.5f << true << 8;
    QTest::newRow("6.5 to 6") << 6.5f << true << 6;
    QTest::newRow("0.4 to 0") << 0.4f << true << 0;
    QTest::newRow("lowest int32") << -2147483648.0f << true << int(-2147483647 - 1);
    QTest::newRow("largest single below 2^31") << 2147483520.0f << true << 2147483520;
    QTest::newRow("2^31 overflows") << 2147483648.0f << false << 0;
    QTest::newRow("3e9 overflows") << 3e9f << false << 0;
    QTest::newRow("below int32 overflows") << -2147483904.0f << false << 0;
    QTest::newRow("nan fails") << std::numeric_limits<float>::quiet_NaN() << false << 0;
    QTest::newRow("infinity fails") << std::numeric_limits<float>::infinity() << false << 0;
}
// clang-format on

void TestNumberText::singleToInt32()
{
    QFETCH(float, value);
    QFETCH(bool, ok);
    QFETCH(int, expected);
    const auto r = engine::singleToInt32(value);
    QCOMPARE(r.has_value(), ok);
    if (ok)
        QCOMPARE(*r, expected);
}

// The result slots keep a number's digits beside its text and show the digits;
// showing must give exactly what reading the slot text back would.
void TestNumberText::slotDigitsMatchSlotText()
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 20);
    const NumberText numbers(".");
    for (int i = 0; i < 20000; ++i) {
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        const auto digits = engine::DecimalDigits::of(value);
        const std::string slot = numbers.text(digits);
        for (int decimals : {5, 6}) {
            const std::string direct = numbers.format(digits, decimals);
            const std::string viaText = numbers.format(std::string_view(slot), decimals);
            if (direct != viaText)
                QFAIL(qPrintable(QStringLiteral("%1: %2 vs %3")
                                     .arg(QString::fromStdString(slot), QString::fromStdString(direct),
                                          QString::fromStdString(viaText))));
        }
    }
}

void TestNumberText::hugeAndHostileText()
{
    const NumberText numbers(".");
    const std::string longDigits(100000, '7');
    QVERIFY(!numbers.toDouble(longDigits).has_value()); // 7.77e99999: beyond range
    QVERIFY(numbers.toDouble("0." + longDigits).has_value());
    QCOMPARE(*numbers.toDouble(longDigits + "e-99990"), 7.7777777777777777e9);
    QVERIFY(!numbers
                 .toDouble(std::string("1\0"
                                       "2",
                                       3))
                 .has_value());
    QVERIFY(!numbers.toDouble("\xff\xfe\xef\xbc").has_value());
    QVERIFY(!numbers.toDouble("\xef\xbc\x90\xef").has_value());
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
