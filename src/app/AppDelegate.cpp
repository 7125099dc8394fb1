#include "app/AppDelegate.h"

#include "app/ApplicationLifecycle.h"
#include "app/FreedesktopServices.h"
#include "app/MainWindow.h"
#include "app/RatePanelController.h"
#include "app/SourceListView.h"
#include "app/WebPages.h"
#include "app/WindowSettings.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>

AppDelegate::AppDelegate(std::unique_ptr<DesktopServices> desktop)
    : m_desktop(desktop ? std::move(desktop) : std::make_unique<FreedesktopServices>()),
      m_window(std::make_unique<MainWindow>(*m_desktop)),
      m_rateController(std::make_unique<RatePanelController>(m_window.get(), *m_desktop))
{
    if (auto *freedesktop = dynamic_cast<FreedesktopServices *>(m_desktop.get()))
        freedesktop->setFailureReporter(
            [window = m_window.get()](const QString &text) { window->showNotice(text); });
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
    UserDefaults::standard().registerDefaults(WindowSettings::registeredDefaults());
    m_window->publishScanRules();
    m_window->show();
    // The last run's sources, scanned anew.
    const QStringList protectedUris = MainWindow::rememberedProtection();
    openPaths(MainWindow::rememberedSources());
    m_window->protectSources(protectedUris);
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
    openWebPage(WebPages::help());
}

void AppDelegate::checkProduct(const QObject *)
{
    openWebPage(WebPages::products());
}

void AppDelegate::openWebPage(const QUrl &url)
{
    if (m_desktop->openWebPage(url))
        return;
    // The address, selectable, for a browser the desktop does not know of.
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("TwinSift"),
                                //% "No web browser could be started. The page is at %1"
                                StringTable::text("NO_WEB_BROWSER").arg(url.toString()), QMessageBox::Ok,
                                m_window.get());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->open();
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close)
        windowWillClose();
    return QObject::eventFilter(watched, event);
}
