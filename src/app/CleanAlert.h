#pragma once

#include "clean/CleanFrontEnd.h"

#include <QPointer>
#include <QWidget>

// Asks the user, over the main window, what to do when a removal of the clean task fails, and says
// when sending a file to the trash failed and which files an undo could not put back.
class CleanAlert : public CleanFrontEnd
{
public:
    explicit CleanAlert(QWidget *window) : m_window(window) {}

    AlertAnswer answerFailure(const MyTreeNode &file, const Error &error) override;
    void reportTrashFailure(const MyTreeNode &file, const Error &error) override;
    void reportUndoFailures(const QList<FileFailure> &failures) override;

private:
    QPointer<QWidget> m_window;
};
