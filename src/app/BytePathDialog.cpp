#include "app/BytePathDialog.h"

#include "fs/DirectoryEntries.h"
#include "platform/StringTable.h"
#include "platform/Url.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int nameRole = Qt::UserRole;
constexpr int folderRole = Qt::UserRole + 1;

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

} // namespace

BytePathDialog::BytePathDialog(Choose choose, QWidget *parent) : QDialog(parent), m_choose(choose)
{
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    QStyle *style = QApplication::style();
    auto *up = new QToolButton(this);
    up->setIcon(style->standardIcon(QStyle::SP_FileDialogToParent));
    //% "Up"
    up->setToolTip(StringTable::text("FOLDER_UP_ACTION"));
    up->setAccessibleName(up->toolTip());
    auto *home = new QToolButton(this);
    home->setIcon(style->standardIcon(QStyle::SP_DirHomeIcon));
    //% "Home Folder"
    home->setToolTip(StringTable::text("HOME_FOLDER_ACTION"));
    home->setAccessibleName(home->toolTip());
    m_path = new QLineEdit(this);
    bar->addWidget(up);
    bar->addWidget(home);
    bar->addWidget(m_path, 1);
    layout->addLayout(bar);
    m_entries = new QListWidget(this);
    m_entries->setSelectionMode(choose == Choose::Folder ? QAbstractItemView::SingleSelection
                                                         : QAbstractItemView::ExtendedSelection);
    m_entries->setUniformItemSizes(true);
    layout->addWidget(m_entries, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    m_accept = buttons->button(QDialogButtonBox::Ok);
    resize(720, 480);

    connect(up, &QToolButton::clicked, this,
            [this] { setFolder(Url::fromAbsolutePath(m_folder).parent().path()); });
    connect(home, &QToolButton::clicked, this, [this] { setFolder(QFile::encodeName(QDir::homePath())); });
    connect(m_path, &QLineEdit::returnPressed, this,
            [this] { setFolder(QFile::encodeName(m_path->text())); });
    connect(m_entries, &QListWidget::itemActivated, this, &BytePathDialog::enterFolder);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setFolder(QFile::encodeName(QDir::homePath()));
}

void BytePathDialog::setFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QList<QByteArray> names;
    if (folder.isEmpty() || fd < 0 || readEntryNames(fd, &names) != 0) {
        if (fd >= 0)
            ::close(fd);
        // Not a folder that can be read: the path stays as typed, the list as it was.
        m_path->setText(Url::fromAbsolutePath(folder).displayPath());
        return;
    }
    struct Entry
    {
        QByteArray name;
        QString shown;
        bool isFolder;
    };
    QList<Entry> listed;
    for (const QByteArray &name : std::as_const(names)) {
        if (name.startsWith('.'))
            continue;
        struct stat status;
        if (::fstatat(fd, name.constData(), &status, 0) != 0)
            continue;
        const bool isFolder = S_ISDIR(status.st_mode);
        if (isFolder || m_choose == Choose::FilesAndFolders)
            listed.append({name, Url::fromAbsolutePath(joined(folder, name)).displayName(), isFolder});
    }
    ::close(fd);
    std::sort(listed.begin(), listed.end(), [](const Entry &a, const Entry &b) {
        if (a.isFolder != b.isFolder)
            return a.isFolder;
        return QString::localeAwareCompare(a.shown, b.shown) < 0;
    });
    m_folder = folder;
    m_path->setText(Url::fromAbsolutePath(folder).displayPath());
    m_entries->clear();
    QStyle *style = QApplication::style();
    const QIcon folderIcon = style->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style->standardIcon(QStyle::SP_FileIcon);
    for (const Entry &entry : std::as_const(listed)) {
        auto *item = new QListWidgetItem(entry.isFolder ? folderIcon : fileIcon, entry.shown, m_entries);
        item->setData(nameRole, entry.name);
        item->setData(folderRole, entry.isFolder);
    }
}

void BytePathDialog::setAcceptText(const QString &text)
{
    m_accept->setText(text);
}

QList<QByteArray> BytePathDialog::chosen() const
{
    QList<QByteArray> paths;
    for (const QListWidgetItem *item : m_entries->selectedItems())
        paths.append(joined(m_folder, item->data(nameRole).toByteArray()));
    if (paths.isEmpty() && m_choose == Choose::Folder)
        paths.append(m_folder);
    return paths;
}

void BytePathDialog::enterFolder(QListWidgetItem *item)
{
    if (item && item->data(folderRole).toBool())
        setFolder(joined(m_folder, item->data(nameRole).toByteArray()));
}
