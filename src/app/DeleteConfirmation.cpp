#include "app/DeleteConfirmation.h"

#include "platform/StringTable.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

QMessageBox *askToDeletePermanently(QWidget *window, qint64 files, qint64 bytes)
{
    auto *box = new QMessageBox(window);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("TwinSift"));
    //% "Delete %n file(s) (%1) permanently?"
    box->setText(StringTable::text("CLEAN_CONFIRM_DELETE", files).arg(QLocale().formattedDataSize(bytes)));
    //% "They do not go to the trash. This cannot be undone."
    box->setInformativeText(StringTable::text("CLEAN_CONFIRM_DELETE_INFO"));
    //% "Delete Permanently"
    box->addButton(StringTable::text("CLEAN_CONFIRM_DELETE_BUTTON"), QMessageBox::AcceptRole);
    QPushButton *cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}
