#pragma once

#include "browser/ViewInterfaces.h"

#include <QPointer>

class QWidget;

// The open panel of the source list: a dialog over the main window in which the user picks files and
// folders alike, several at once, by their native names (see BytePathDialog).
class SourceChooser : public OpenPanel
{
public:
    explicit SourceChooser(QWidget *window) : m_window(window) {}

    void beginSheetModal(const QString &message, std::function<void(QList<QByteArray>)> completion) override;

private:
    QPointer<QWidget> m_window;
};
