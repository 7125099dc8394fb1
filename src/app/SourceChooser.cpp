#include "app/SourceChooser.h"

#include "app/BytePathDialog.h"
#include "platform/StringTable.h"

void SourceChooser::beginSheetModal(const QString &message, std::function<void(QList<QByteArray>)> completion)
{
    auto *dialog = new BytePathDialog(BytePathDialog::Choose::FilesAndFolders, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(message);
    //% "Add"
    dialog->setAcceptText(StringTable::text("ADD_SOURCES_BUTTON"));
    QObject::connect(dialog, &QDialog::accepted, dialog,
                     [dialog, completion = std::move(completion)] { completion(dialog->chosen()); });
    dialog->open();
}
