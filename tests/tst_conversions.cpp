#include "core/apperror.h"
#include "core/conversions.h"
#include "core/value.h"

#include <QTest>
#include <cmath>

using namespace gudang;

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("whole") << "3" << 3.0;
        QTest::newRow("trailing letters") << "12a" << 12.0;
        QTest::newRow("decimal comma") << "2,5" << 2.5;
        QTest::newRow("second comma stops") << "2,5,1" << 2.5;
        QTest::newRow("point") << "2.5" << 2.5;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "5." << 5.0;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("negative") << "-2" << -2.0;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("double sign") << "--5" << 0.0;
        QTest::newRow("blanks anywhere") << " 1 2\t3\n" << 123.0;
        QTest::newRow("sign then blank") << "- 5" << -5.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("exponent D") << "1D2" << 100.0;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "4e" << 4.0;
        QTest::newRow("exponent sign without digits") << "4e+x" << 4.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex 16-bit wraps") << "&HFFFF" << -1.0;
        QTest::newRow("hex 17 bits") << "&H10000" << 65536.0;
        QTest::newRow("hex 32-bit wraps") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
        QTest::newRow("hex without digits") << "&H" << 0.0;
        QTest::newRow("ampersand alone") << "&12" << 0.0;
        QTest::newRow("zero") << "0" << 0.0;
        QTest::newRow("large") << "2147483648" << 2147483648.0;
        QTest::newRow("non-ascii stops") << "5٣" << 5.0;
        QTest::newRow("underflow") << "1e-400" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(gudang::leadingNumber(text), value);
    }

    void leadingNumberOverflowFails()
    {
        QVERIFY_THROWS_EXCEPTION(AppError, gudang::leadingNumber(QStringLiteral("1e400")));
        QVERIFY_THROWS_EXCEPTION(AppError, gudang::leadingNumber(QStringLiteral("&H123456789")));
    }

    // One way of showing numbers: grids and fields (all 15 significant digits), reports (two
    // decimals), thousands dots only when asked for.
    void formatNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown"); // grids and fields
        QTest::addColumn<QString>("report"); // report column "angka"
        QTest::addColumn<QString>("grouped"); // report column "ribuan"
        QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0,3"
                                 << "0,3"
                                 << "0,3";
        QTest::newRow("2.001") << 2.001 << "2,001"
                               << "2"
                               << "2";
        QTest::newRow("0.999") << 0.999 << "0,999"
                               << "1"
                               << "1";
        QTest::newRow("2.5") << 2.5 << "2,5"
                             << "2,5"
                             << "2,5";
        QTest::newRow("minus zero") << -0.0 << "0"
                                    << "0"
                                    << "0";
        QTest::newRow("rounds to minus zero") << -0.001 << "-0,001"
                                              << "0"
                                              << "0";
        QTest::newRow("a million") << 1e6 << "1000000"
                                   << "1000000"
                                   << "1.000.000";
        QTest::newRow("1,234,567") << 1234567.0 << "1234567"
                                   << "1234567"
                                   << "1.234.567";
        QTest::newRow("1e15") << 1e15 << "1000000000000000"
                              << "1000000000000000"
                              << "1.000.000.000.000.000";
        QTest::newRow("2^53") << 9007199254740992.0 << "9007199254740992"
                              << "9007199254740992"
                              << "9.007.199.254.740.992";
        QTest::newRow("above 2^63") << 1e19 << "10000000000000000000"
                                    << "10000000000000000000"
                                    << "10.000.000.000.000.000.000";
        QTest::newRow("negative") << -1234.5 << "-1234,5"
                                  << "-1234,5"
                                  << "-1.234,5";
        QTest::newRow("small fraction") << 0.000125 << "0,000125"
                                        << "0"
                                        << "0";
        QTest::newRow("goods-out number") << 1420.0 << "1420"
                                          << "1420"
                                          << "1.420";
    }
    void formatNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, shown);
        QFETCH(QString, report);
        QFETCH(QString, grouped);
        QCOMPARE(gudang::formatNumber(value), shown);
        QCOMPARE(gudang::formatNumber(value, 2), report);
        QCOMPARE(gudang::formatNumber(value, 2, true), grouped);
        QVERIFY(!gudang::formatNumber(value).contains(QLatin1Char('e')));
    }

    void wholeNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("2.5 to even") << 2.5 << 16 << false << qint64(2);
        QTest::newRow("3.5 to even") << 3.5 << 16 << false << qint64(4);
        QTest::newRow("-2.5 to even") << -2.5 << 16 << false << qint64(-2);
        QTest::newRow("-3.5 to even") << -3.5 << 16 << false << qint64(-4);
        QTest::newRow("2.4 down") << 2.4 << 16 << false << qint64(2);
        QTest::newRow("2.6 up") << 2.6 << 16 << false << qint64(3);
        QTest::newRow("16-bit max") << 32767.0 << 16 << false << qint64(32767);
        QTest::newRow("16-bit max rounds over") << 32767.5 << 16 << true << qint64(0);
        QTest::newRow("16-bit overflow") << 32768.0 << 16 << true << qint64(0);
        QTest::newRow("16-bit min") << -32768.0 << 16 << false << qint64(-32768);
        QTest::newRow("32-bit fits 32768") << 32768.0 << 32 << false << qint64(32768);
        QTest::newRow("32-bit overflow") << 2147483648.0 << 32 << true << qint64(0);
        QTest::newRow("nan") << std::nan("") << 32 << true << qint64(0);
    }
    void wholeNumber()
    {
        QFETCH(double, value);
        QFETCH(int, bits);
        QFETCH(bool, fails);
        QFETCH(qint64, expected);
        auto convert = [&]() -> qint64 {
            return bits == 16 ? qint64(wholeNumber16(value)) : qint64(wholeNumber32(value));
        };
        if (fails) {
            QVERIFY_THROWS_EXCEPTION(AppError, convert());
        } else {
            QCOMPARE(convert(), expected);
        }
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
