#include "app/CleanAlert.h"

#include "platform/StringTable.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// The alert's warning, its text, and the failure's description below it.
QMessageBox *alertFor(QWidget *window, const Error &error)
{
    auto *box = new QMessageBox(window);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("TwinSift"));
    //% "A file could not be removed."
    box->setText(StringTable::text("HANDLE_ERROR_MESSAGE"));
    box->setInformativeText(error.localizedDescription());
    box->setWindowModality(Qt::WindowModal);
    return box;
}

} // namespace

AlertAnswer CleanAlert::answerFailure(const MyTreeNode &, const Error &error)
{
    QMessageBox *box = alertFor(m_window, error);
    //% "Stop"
    QPushButton *quitButton = box->addButton(StringTable::text("QUIT_BUTTON_INFO"), QMessageBox::RejectRole);
    //% "Continue"
    QPushButton *continueButton =
        box->addButton(StringTable::text("CONTINUE_BUTTON_INFO"), QMessageBox::AcceptRole);
    //% "Continue Without Asking"
    box->addButton(StringTable::text("CONTINUE_ALL_BUTTON_INFO"), QMessageBox::AcceptRole);
    // Enter after an unexpected failure must not go on removing files.
    box->setDefaultButton(quitButton);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    box->deleteLater();
    if (clicked == quitButton || !clicked)
        return AlertAnswer::Quit;
    return clicked == continueButton ? AlertAnswer::Continue : AlertAnswer::ContinueAll;
}

void CleanAlert::reportTrashFailure(const MyTreeNode &, const Error &error)
{
    QMessageBox *box = alertFor(m_window, error);
    box->addButton(StringTable::text("QUIT_BUTTON_INFO"), QMessageBox::AcceptRole);
    box->exec();
    box->deleteLater();
}

void CleanAlert::removed(const MyTreeNode &, const Url &)
{
    ++m_handled;
}

void CleanAlert::failed(const MyTreeNode &file, const Error &error)
{
    // Most reasons name the file already; the others get its path in front.
    const QString description = error.localizedDescription();
    const QString reason = description.contains(file.filePath())
                               ? description
                               //% "%1: %2"
                               : StringTable::text("CLEAN_FAILURE_LINE").arg(file.filePath(), description);
    {
        std::lock_guard lock(m_failuresMutex);
        m_failures << reason;
    }
    ++m_handled;
}

void CleanAlert::resetCounts()
{
    std::lock_guard lock(m_failuresMutex);
    m_failures.clear();
    m_handled = 0;
}

QStringList CleanAlert::failures() const
{
    std::lock_guard lock(m_failuresMutex);
    return m_failures;
}

void CleanAlert::reportUndoFailures(const QList<FileFailure> &failures)
{
    QStringList reasons;
    for (const FileFailure &failure : failures)
        reasons << failure.error.localizedDescription();
    auto *box = new QMessageBox(m_window);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("TwinSift"));
    //% "%n file(s) could not be put back."
    box->setText(StringTable::text("UNDO_FAILURES_MESSAGE", failures.size()));
    box->setInformativeText(reasons.mid(0, 10).join(QLatin1Char('\n')));
    box->setDetailedText(reasons.join(QLatin1Char('\n')));
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
