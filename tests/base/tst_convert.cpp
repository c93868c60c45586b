#include "base/convert.h"
#include "base/errors.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_Convert : public QObject
{
    Q_OBJECT

private slots:
    void converts_data();
    void converts();
    void rejects_data();
    void rejects();
};

void tst_Convert::converts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << u"42"_s << 42;
    QTest::newRow("leading blanks") << u"   7"_s << 7;
    QTest::newRow("plus sign") << u"+5"_s << 5;
    QTest::newRow("minus sign") << u"-5"_s << -5;
    QTest::newRow("leading zeros") << u"007"_s << 7;
    QTest::newRow("dollar hex") << u"$A"_s << 10;
    QTest::newRow("x hex") << u"x1f"_s << 31;
    QTest::newRow("X hex") << u"XFF"_s << 255;
    QTest::newRow("0x hex") << u"0x10"_s << 16;
    QTest::newRow("0X hex lower digits") << u"0Xab"_s << 171;
    QTest::newRow("negative hex") << u"-$10"_s << -16;
    QTest::newRow("int max") << u"2147483647"_s << 2147483647;
    QTest::newRow("int min") << u"-2147483648"_s << int(-2147483648LL);
    QTest::newRow("hex full pattern") << u"$FFFFFFFF"_s << -1;
    QTest::newRow("hex sign bit") << u"$80000000"_s << int(-2147483648LL);
    QTest::newRow("lone zero") << u"0"_s << 0;
}

void tst_Convert::converts()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(StrToInt(text), value);
}

void tst_Convert::rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("only blanks") << u"  "_s;
    QTest::newRow("only sign") << u"-"_s;
    QTest::newRow("trailing blank") << u"12 "_s;
    QTest::newRow("decimal point") << u"1.5"_s;
    QTest::newRow("comma") << u"1,5"_s;
    QTest::newRow("letters") << u"zwölf"_s;
    QTest::newRow("tab before") << u"\t5"_s;
    QTest::newRow("above int max") << u"2147483648"_s;
    QTest::newRow("below int min") << u"-2147483649"_s;
    QTest::newRow("huge") << u"99999999999999999999999"_s;
    QTest::newRow("hex over 32 bits") << u"$100000000"_s;
    QTest::newRow("bare dollar") << u"$"_s;
    QTest::newRow("bare 0x") << u"0x"_s;
    QTest::newRow("hex digit in decimal") << u"1A"_s;
    QTest::newRow("blank after sign") << u"- 5"_s;
}

void tst_Convert::rejects()
{
    QFETCH(QString, text);
    QVERIFY(!tryStrToInt(text));
    try {
        StrToInt(text);
        QFAIL("no exception");
    } catch (const EConvertError &e) {
        QCOMPARE(e.message(), u"'%1' ist kein gültiger Integerwert"_s.arg(text));
    }
}

QTEST_APPLESS_MAIN(tst_Convert)
#include "tst_convert.moc"
