#include "tests/fakes/fakescreenreader.h"

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

namespace {

QPlatformAccessibility *bridge()
{
    QPlatformIntegration *integration = QGuiApplicationPrivate::platformIntegration();
    return integration ? integration->accessibility() : nullptr;
}

} // namespace

FakeScreenReader::FakeScreenReader()
{
    if (QPlatformAccessibility *b = bridge())
        b->setActive(true);
}

FakeScreenReader::~FakeScreenReader()
{
    if (QPlatformAccessibility *b = bridge())
        b->setActive(false);
}

bool FakeScreenReader::listening() const
{
    return QAccessible::isActive();
}
