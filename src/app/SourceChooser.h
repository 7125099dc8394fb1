#pragma once

#include "browser/ViewInterfaces.h"

#include <QPointer>

class QWidget;

// The open panel of the source list: a file dialog over the main window in which the user picks
// files and folders alike, several at once. (Qt's own dialog picks either files or folders; this
// one takes whatever is selected when the user presses Open.)
class SourceChooser : public OpenPanel
{
public:
    explicit SourceChooser(QWidget *window) : m_window(window) {}

    void beginSheetModal(const QString &message, std::function<void(QList<QByteArray>)> completion) override;

private:
    QPointer<QWidget> m_window;
};
