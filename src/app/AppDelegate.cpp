#include "app/AppDelegate.h"

#include "app/ApplicationLifecycle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMainWindow>

AppDelegate::AppDelegate() : m_window(std::make_unique<QMainWindow>())
{
    m_window->setWindowTitle(QStringLiteral("TwinSift"));
    m_window->resize(960, 640);
    m_window->setCentralWidget(new QLabel(QObject::tr("Drop folders here to find duplicates."), m_window.get()));
    m_window->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { applicationShouldTerminate(); });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    ApplicationLifecycle::registerDefaultsAndTransformers();
    m_window->show();
}

void AppDelegate::performClose()
{
    QCoreApplication::quit();
}

void AppDelegate::windowWillClose()
{
    performClose();
}

bool AppDelegate::applicationShouldTerminate()
{
    if (!m_terminating) {
        m_terminating = true;
        ApplicationLifecycle::shutDown();
    }
    return true;
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}
