#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// A dialog that chooses folders or files over the file system as bytes: it lists a folder by the
// native names of its entries and hands back native paths, so that a name that is not valid UTF-8 can
// be chosen like any other (Qt's own dialog decodes names to text and leaves such entries out). Folders
// come first, then files when files may be chosen; hidden entries are left out. Double click or Enter
// opens a folder; the path above the list can be typed.
class BytePathDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Choose { FilesAndFolders, Folder };

    BytePathDialog(Choose choose, QWidget *parent = nullptr);

    QByteArray folder() const { return m_folder; }
    void setFolder(const QByteArray &folder);
    // The entries selected; choosing a folder with none selected, the folder shown.
    QList<QByteArray> chosen() const;
    QListWidget *entries() const { return m_entries; }
    void setAcceptText(const QString &text);

private:
    void enterFolder(QListWidgetItem *item);

    const Choose m_choose;
    QByteArray m_folder;
    QLineEdit *m_path;
    QListWidget *m_entries;
    QPushButton *m_accept;
};
