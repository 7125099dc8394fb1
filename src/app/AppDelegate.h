#pragma once

#include <QObject>

#include <memory>

class QMainWindow;
class QWidget;

// The application shell: runs the start-up steps once the event loop is about to start, and the
// shutdown steps when the main window closes or the application quits.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    QMainWindow *window() const { return m_window.get(); }

    void applicationDidFinishLaunching();
    // Quitting by any road (menu, shortcut, window close) runs the shutdown steps once.
    void performClose();
    void windowWillClose();
    bool applicationShouldTerminate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<QMainWindow> m_window;
    bool m_terminating = false;
};
