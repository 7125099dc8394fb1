#pragma once

#include "clean/CleanTaskOptions.h"
#include "clean/TaskWindow.h"
#include "model/DupGroup.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

class CleanAlert;
class CleanController;
class CleanPreviewModel;
class QComboBox;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class ShownGroups;

// The clean task's window, over the main window: what to do with the copies (delete them for good,
// send them to the trash, or move them into a folder), which copies (only from one source, only of one
// extension, keeping the file added last or first in each group), a preview of each group's file that
// stays and files that go, and the buttons that start a task and close the window. Every control writes
// its setting as soon as the user changes it; a task reads them when it starts.
//
// Enter never starts a removal: no button is a default one, and deleting for good asks once more.
// While a task runs the window counts its files and offers Stop; the failures stay listed after the
// alerts that announced them have closed.
class CleanTaskWindow : public QDialog, public TaskWindow
{
    Q_OBJECT
public:
    // alert: the front end the controller's tasks answer to, whose counts the window shows.
    CleanTaskWindow(CleanController &clean, ShownGroups &shown, std::shared_ptr<CleanAlert> alert,
                    QWidget *parent);
    ~CleanTaskWindow() override;

    void beginSheet() override;
    void stopModal() override;
    void chooseFolder(const QString &message, std::function<void(QByteArray)> completion) override;

    // What a folder dialog would answer, for tests.
    void setFolderChooser(std::function<QByteArray(const QString &message)> chooser)
    {
        m_folderChooser = chooser;
    }
    // The plan of a task started now, as the preview lists it.
    CleanPreviewModel &preview() const { return *m_preview; }

protected:
    void reject() override;

private:
    // Fills the controls from the settings and the shown groups.
    void refresh();
    // Plans anew on the next turn of a short timer, so that a burst of changes plans once.
    void schedulePreview();
    void updatePreview();
    // Start is offered when the plan removes something, a move has its folder and no task runs.
    void updateStart();
    // Asks once more before deleting for good, then runs the plan the preview shows.
    void start();
    void run(const QList<DupGroup::Ptr> &groups, const CleanTaskOptions &options);
    // Follows a task from its start to its end: the count of its files, Stop, what failed.
    void taskStateChanged();
    void showProgress();

    CleanController &m_clean;
    ShownGroups &m_shown;
    std::shared_ptr<CleanAlert> m_alert;
    std::function<QByteArray(const QString &)> m_folderChooser;
    QRadioButton *m_delete;
    QRadioButton *m_trash;
    QRadioButton *m_move;
    QLabel *m_destination;
    QPushButton *m_chooseFolder;
    QComboBox *m_date;
    QCheckBox *m_folderRule;
    QComboBox *m_folder;
    QCheckBox *m_typeRule;
    QComboBox *m_type;
    CleanPreviewModel *m_preview;
    QLabel *m_plan;
    QProgressBar *m_progress;
    QPushButton *m_stop;
    QLabel *m_failureTitle;
    QPlainTextEdit *m_failures;
    QLabel *m_status;
    QPushButton *m_start;
    QTimer m_previewTimer;
    QTimer m_progressTimer;
    // The files the last task started here planned to remove.
    qint64 m_plannedFiles = 0;
};
