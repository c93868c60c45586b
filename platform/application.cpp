#include "platform/application.h"

#include "base/errors.h"
#include "platform/programending.h"

#include <QLibraryInfo>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTranslator>

#include <atomic>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

QString &titleStorage()
{
    static QString title = u"Brenvik Timer"_s;
    return title;
}

std::function<void(const QString &)> &titleListener()
{
    static std::function<void(const QString &)> listener;
    return listener;
}

Application::ErrorPresenter &errorPresenter()
{
    static Application::ErrorPresenter presenter;
    return presenter;
}

// Qt's warnings and failures go to standard error, so a start that fails says
// why; debug and info chatter stays quiet.
void consoleMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    // Said on every start under su or sudo; Qt then makes the folder itself.
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set"_s))
        return;
    const QByteArray line = "brenvik-timer: " + message.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setQuitOnLastWindowClosed(false);
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::German, QLocale::Germany), u"qtbase"_s, u"_"_s,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    watchProgramEnding();
    // Also an exit() that comes without a quit request.
    connect(this, &QCoreApplication::aboutToQuit, this, [] { setProgramEnding(true); });
}

Application::~Application() = default;

void Application::installMessageHandler()
{
    qInstallMessageHandler(consoleMessageHandler);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

QString Application::title()
{
    return titleStorage();
}

void Application::setTitle(const QString &title)
{
    titleStorage() = title;
    if (titleListener())
        titleListener()(title);
}

void Application::setTitleListener(std::function<void(const QString &)> listener)
{
    titleListener() = std::move(listener);
}

QString Application::errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void Application::reportException(const std::exception &error)
{
    if (dynamic_cast<const EAbort *>(&error))
        return;
    QString message;
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        message = own->message();
    else
        message = QString::fromLocal8Bit(error.what());
    const QString text = errorReportText(message);
    if (errorPresenter()) {
        errorPresenter()(title(), text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title(), text, QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(u"OK"_s);
    box.exec();
}

void Application::reportException(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (...) {
        reportCurrentException();
    }
}

void Application::reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        reportException(error);
    } catch (...) {
        reportException(std::runtime_error("Unbekannter Fehler"));
    }
}

void Application::setErrorPresenter(ErrorPresenter presenter)
{
    errorPresenter() = std::move(presenter);
}

} // namespace platform
