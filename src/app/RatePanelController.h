#pragma once

#include <QDialog>
#include <QPointer>

class DesktopServices;
class QWidget;

// Asks the user now and then to rate TwinSift: the check counts its runs and shows the rate panel,
// window-modal over the main window, at the 15th check and every 5th after it, until the user chooses
// to rate. The application runs the check once per start, after the main window is on screen.
class RatePanelController
{
public:
    RatePanelController(QWidget *mainWindow, DesktopServices &desktop);
    ~RatePanelController();

    QWidget *mainWindow() const { return m_mainWindow; }
    void setMainWindow(QWidget *window) { m_mainWindow = window; }
    // Made on first use.
    QDialog *ratePanel();
    void setRatePanel(QDialog *panel) { m_ratePanel = panel; }

    // The check; returns once the panel, if it was shown, has been closed.
    void showRatePanel();
    void nextTime(const QObject *sender);
    void rateMe(const QObject *sender);

private:
    QPointer<QWidget> m_mainWindow;
    QPointer<QDialog> m_ratePanel;
    DesktopServices &m_desktop;
};
