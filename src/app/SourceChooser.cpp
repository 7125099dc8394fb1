#include "app/SourceChooser.h"

#include "platform/StringTable.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>

namespace {

class FilesAndFoldersDialog : public QFileDialog
{
public:
    explicit FilesAndFoldersDialog(QWidget *parent) : QFileDialog(parent)
    {
        setOption(DontUseNativeDialog);
        setFileMode(ExistingFiles);
        // Several files and folders are selected together in the dialog's own views.
        for (QAbstractItemView *view : findChildren<QAbstractItemView *>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }

    QList<QByteArray> chosen;

    void accept() override
    {
        chosen.clear();
        for (QAbstractItemView *view : findChildren<QAbstractItemView *>(QStringLiteral("listView")) +
                                           findChildren<QAbstractItemView *>(QStringLiteral("treeView"))) {
            if (!view->isVisible())
                continue;
            for (const QModelIndex &index : view->selectionModel()->selectedRows())
                chosen.append(QFile::encodeName(index.data(QFileSystemModel::FilePathRole).toString()));
        }
        // Nothing selected in the lists: the name typed in, as the dialog takes it.
        if (chosen.isEmpty()) {
            QFileDialog::accept();
            return;
        }
        QDialog::accept();
    }
};

} // namespace

void SourceChooser::beginSheetModal(const QString &message, std::function<void(QList<QByteArray>)> completion)
{
    auto *dialog = new FilesAndFoldersDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(message);
    dialog->setLabelText(QFileDialog::LookIn, message);
    //% "Add"
    dialog->setLabelText(QFileDialog::Accept, StringTable::text("ADD_SOURCES_BUTTON"));
    dialog->setDirectory(QDir::home());
    QObject::connect(dialog, &QDialog::accepted, dialog, [dialog, completion = std::move(completion)] {
        QList<QByteArray> paths = dialog->chosen;
        if (paths.isEmpty()) {
            for (const QString &file : dialog->selectedFiles())
                paths.append(QFile::encodeName(file));
        }
        completion(paths);
    });
    dialog->open();
}
