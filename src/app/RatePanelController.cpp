#include "app/RatePanelController.h"

#include "app/WebPages.h"
#include "platform/Desktop.h"
#include "platform/SettingsKeys.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RatePanelController::RatePanelController(QWidget *mainWindow, DesktopServices &desktop)
    : m_mainWindow(mainWindow), m_desktop(desktop)
{
}

RatePanelController::~RatePanelController()
{
    delete m_ratePanel;
}

QDialog *RatePanelController::ratePanel()
{
    if (m_ratePanel)
        return m_ratePanel;
    auto *panel = new QDialog(m_mainWindow);
    panel->setWindowModality(Qt::WindowModal);
    //% "Enjoying TwinSift?"
    panel->setWindowTitle(StringTable::text("RATE_PANEL_TITLE"));
    auto *layout = new QVBoxLayout(panel);
    //% "Did TwinSift help you free some space? A rating helps others find it."
    auto *text = new QLabel(StringTable::text("RATE_PANEL_TEXT"), panel);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(panel);
    //% "Later"
    QPushButton *later =
        buttons->addButton(StringTable::text("RATE_LATER_BUTTON"), QDialogButtonBox::RejectRole);
    //% "Rate Now"
    QPushButton *now = buttons->addButton(StringTable::text("RATE_NOW_BUTTON"), QDialogButtonBox::AcceptRole);
    later->setObjectName(QStringLiteral("later"));
    now->setObjectName(QStringLiteral("rateNow"));
    now->setDefault(true);
    QObject::connect(later, &QPushButton::clicked, panel, [this, later] { nextTime(later); });
    QObject::connect(now, &QPushButton::clicked, panel, [this, now] { rateMe(now); });
    layout->addWidget(buttons);
    m_ratePanel = panel;
    return panel;
}

void RatePanelController::showRatePanel()
{
    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.boolForKey(SettingsKeys::showedRatePanel))
        return;
    const qint64 count = defaults.integerForKey(SettingsKeys::appLaunchTimes) + 1;
    defaults.setInteger(count, SettingsKeys::appLaunchTimes);
    defaults.synchronize();
    if (count < 15 || count % 5 != 0)
        return;
    QDialog *panel = ratePanel();
    panel->exec();
    panel->hide();
}

void RatePanelController::nextTime(const QObject *)
{
    if (m_ratePanel)
        m_ratePanel->done(QDialog::Rejected);
}

void RatePanelController::rateMe(const QObject *)
{
    if (m_ratePanel)
        m_ratePanel->done(QDialog::Accepted);
    m_desktop.openWebPage(WebPages::rate());
    UserDefaults::standard().setBool(true, SettingsKeys::showedRatePanel);
    UserDefaults::standard().synchronize();
}
