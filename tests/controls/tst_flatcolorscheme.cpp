#include "controls/flatcolorscheme.h"
#include "controls/flatdraw.h"

#include <QColor>
#include <QTest>

// The scheme decides when a control repaints: every setter must say whether
// anything changed, and the advanced colours follow the base only when on.
class tst_FlatColorScheme : public QObject
{
    Q_OBJECT

private slots:
    void settersReportChange_data();
    void settersReportChange();
    void percentagesAreClamped();
    void parentFollowedUnderAdvColors_data();
    void parentFollowedUnderAdvColors();
};

enum Setter { Base, Focused, Down, Border, AdvFocused, AdvDown, AdvBorder, ParentOff };

static bool write(FlatColorScheme &scheme, int setter, const QColor &colour, int percentage)
{
    switch (setter) {
    case Base: return scheme.setBase(colour);
    case Focused: return scheme.setFocused(colour);
    case Down: return scheme.setDown(colour);
    case Border: return scheme.setBorder(colour);
    case AdvFocused: return scheme.setAdvFocused(percentage);
    case AdvDown: return scheme.setAdvDown(percentage);
    case AdvBorder: return scheme.setAdvBorder(percentage);
    case ParentOff: return scheme.setParentColor(false, Qt::gray);
    }
    return false;
}

void tst_FlatColorScheme::settersReportChange_data()
{
    QTest::addColumn<int>("setter");
    QTest::newRow("Color") << int(Base);
    QTest::newRow("ColorFocused") << int(Focused);
    QTest::newRow("ColorDown") << int(Down);
    QTest::newRow("ColorBorder") << int(Border);
    QTest::newRow("AdvColorFocused") << int(AdvFocused);
    QTest::newRow("AdvColorDown") << int(AdvDown);
    QTest::newRow("AdvColorBorder") << int(AdvBorder);
    QTest::newRow("ParentColor") << int(ParentOff);
}

void tst_FlatColorScheme::settersReportChange()
{
    QFETCH(int, setter);
    FlatColorScheme scheme(FlatColorScheme::Buttons, QColor(235, 234, 225));
    QVERIFY(write(scheme, setter, Qt::red, 33));
    QVERIFY2(!write(scheme, setter, Qt::red, 33), "the same value again changes nothing");
}

void tst_FlatColorScheme::percentagesAreClamped()
{
    FlatColorScheme scheme(FlatColorScheme::Buttons, QColor(235, 234, 225));
    QVERIFY(scheme.setAdvFocused(150));
    QCOMPARE(scheme.advFocused(), 100);
    QVERIFY(!scheme.setAdvFocused(100));
    QVERIFY(scheme.setAdvBorder(-5));
    QCOMPARE(scheme.advBorder(), 0);
}

void tst_FlatColorScheme::parentFollowedUnderAdvColors_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("relinked");
    QTest::addColumn<bool>("downDerived");
    QTest::newRow("buttons: linked to the parent again") << int(FlatColorScheme::Buttons) << true << true;
    QTest::newRow("edits: no pressed colour, link left") << int(FlatColorScheme::Edits) << false << false;
}

void tst_FlatColorScheme::parentFollowedUnderAdvColors()
{
    QFETCH(int, kind);
    QFETCH(bool, relinked);
    QFETCH(bool, downDerived);
    const QColor parent(40, 90, 160);
    FlatColorScheme scheme(FlatColorScheme::Kind(kind), QColor(Qt::white));
    QVERIFY(scheme.setUseAdvColors(true, Qt::white));
    QVERIFY(scheme.parentColor());
    QVERIFY(scheme.setBase(Qt::red)); // unlinks
    QVERIFY(scheme.followParent(parent));
    QCOMPARE(scheme.base(), parent);
    QCOMPARE(scheme.parentColor(), relinked);
    QCOMPARE(scheme.focused(), AdvancedColor(parent, QColor(), 10, Flat::Lighten));
    QCOMPARE(scheme.border(), AdvancedColor(parent, QColor(), 50, Flat::Darken));
    QCOMPARE(scheme.down() == AdvancedColor(parent, QColor(), 10, Flat::Darken), downDerived);
    QVERIFY2(!scheme.followParent(parent), "the same parent colour again changes nothing");

    // Without advanced colours an unlinked base stays as written.
    QVERIFY(scheme.setUseAdvColors(false, parent));
    QVERIFY(scheme.setBase(Qt::red));
    QVERIFY(!scheme.followParent(Qt::blue));
    QCOMPARE(scheme.base(), QColor(Qt::red));
}

QTEST_MAIN(tst_FlatColorScheme)
#include "tst_flatcolorscheme.moc"
