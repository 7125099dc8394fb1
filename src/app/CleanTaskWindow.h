#pragma once

#include "clean/TaskWindow.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class CleanController;
class QRadioButton;
class ShownGroups;

// The clean task's window, over the main window: what to do with the copies (delete them for good, or
// move them into a folder), which copies (only from one source, only of one extension, keeping the
// newest or the oldest of each group), what that would remove, and the buttons that start a task and
// close the window. Every control writes its setting as soon as the user changes it; a task reads them
// when it starts.
class CleanTaskWindow : public QDialog, public TaskWindow
{
    Q_OBJECT
public:
    CleanTaskWindow(CleanController &clean, ShownGroups &shown, QWidget *parent);

    void beginSheet() override;
    void stopModal() override;
    void chooseFolder(const QString &message, std::function<void(QByteArray)> completion) override;

    // What a folder dialog would answer, for tests.
    void setFolderChooser(std::function<QByteArray(const QString &message)> chooser)
    {
        m_folderChooser = chooser;
    }

protected:
    void reject() override;

private:
    // Fills the controls from the settings and the shown groups, and says what a task would remove.
    void refresh();

    CleanController &m_clean;
    ShownGroups &m_shown;
    std::function<QByteArray(const QString &)> m_folderChooser;
    QRadioButton *m_delete;
    QRadioButton *m_move;
    QLabel *m_destination;
    QPushButton *m_chooseFolder;
    QCheckBox *m_folderRule;
    QComboBox *m_folder;
    QCheckBox *m_dateRule;
    QComboBox *m_date;
    QCheckBox *m_typeRule;
    QComboBox *m_type;
    QLabel *m_plan;
    QLabel *m_status;
    QPushButton *m_start;
};
