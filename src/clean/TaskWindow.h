#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The clean task's window, over the main window while the user sets up and runs tasks.
class TaskWindow
{
public:
    virtual ~TaskWindow() = default;
    // Shows the window, modal for the main window, and returns at once.
    virtual void beginSheet() = 0;
    // Closes it.
    virtual void stopModal() = 0;
    // Asks for a folder over the task window with the message and returns at once; completion runs
    // later with the native path chosen, and never when the user cancels.
    virtual void chooseFolder(const QString &message, std::function<void(QByteArray)> completion) = 0;
};
