#pragma once

#include "platform/Desktop.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <memory>

class MainWindow;
class RatePanelController;
class SourceListView;

// The application shell: makes the main window, runs the start-up steps once the event loop is about
// to start and the shutdown steps when the main window closes or the application quits, opens the
// help and product pages, and checks once per start whether to ask for a rating.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // The desktop's services, or a test's fake.
    explicit AppDelegate(std::unique_ptr<DesktopServices> desktop = {});
    ~AppDelegate() override;

    MainWindow *window() const { return m_window.get(); }
    SourceListView *sourceTable() const;
    RatePanelController &rateController() const { return *m_rateController; }

    void applicationDidFinishLaunching();
    // Adds the paths as sources, as a drop on the source list does: the paths given on the command line.
    void openPaths(const QList<QByteArray> &paths);
    // Quitting by any road (menu, shortcut, window close) runs the shutdown steps once.
    void performClose(const QObject *sender = nullptr);
    void windowWillClose();
    bool applicationShouldTerminate();
    void help(const QObject *sender);
    void checkProduct(const QObject *sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens the page in the web browser, or shows its address when none starts.
    void openWebPage(const QUrl &url);

    std::unique_ptr<DesktopServices> m_desktop;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<RatePanelController> m_rateController;
    bool m_terminating = false;
};
