#include "app/AppDelegate.h"

#include "app/ApplicationLifecycle.h"
#include "app/FreedesktopServices.h"
#include "app/MainWindow.h"
#include "app/RatePanelController.h"
#include "app/SourceListView.h"
#include "app/WebPages.h"
#include "platform/SettingsKeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

AppDelegate::AppDelegate(std::unique_ptr<DesktopServices> desktop)
    : m_desktop(desktop ? std::move(desktop) : std::make_unique<FreedesktopServices>()),
      m_window(std::make_unique<MainWindow>(*m_desktop)),
      m_rateController(std::make_unique<RatePanelController>(m_window.get(), *m_desktop))
{
    m_window->installEventFilter(this);
    connect(m_window->quitAction(), &QAction::triggered, this,
            [this] { performClose(m_window->quitAction()); });
    connect(m_window->helpAction(), &QAction::triggered, this, [this] { help(m_window->helpAction()); });
    connect(m_window->productsAction(), &QAction::triggered, this,
            [this] { checkProduct(m_window->productsAction()); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { applicationShouldTerminate(); });
}

AppDelegate::~AppDelegate() = default;

SourceListView *AppDelegate::sourceTable() const
{
    return m_window->sourceTable();
}

void AppDelegate::applicationDidFinishLaunching()
{
    sourceTable()->setAcceptDrops(true);
    SettingsKeys::registerDefaults();
    m_window->publishScanRules();
    m_window->show();
    // Once the window is on screen, so the panel has a window to sit on.
    QTimer::singleShot(0, this, [this] { m_rateController->showRatePanel(); });
}

void AppDelegate::openPaths(const QList<QByteArray> &paths)
{
    if (!paths.isEmpty())
        m_window->sourceList().tableView_acceptDrop_row_dropOperation(sourceTable(), paths, -1,
                                                                      SourceList::DropOperation::Above);
}

void AppDelegate::performClose(const QObject *)
{
    QCoreApplication::quit();
}

void AppDelegate::windowWillClose()
{
    m_window->saveLayout();
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

void AppDelegate::help(const QObject *)
{
    m_desktop->openWebPage(WebPages::help());
}

void AppDelegate::checkProduct(const QObject *)
{
    m_desktop->openWebPage(WebPages::products());
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}
