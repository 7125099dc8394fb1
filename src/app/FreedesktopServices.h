#pragma once

#include "platform/Desktop.h"

// The desktop services of a freedesktop.org desktop: Qt's handler lookup for files and pages, and
// the file manager's D-Bus interface for revealing items.
class FreedesktopServices : public DesktopServices
{
public:
    bool openFile(const Url &url) override;
    bool openWebPage(const QUrl &url) override;
    // When no file browser answers over D-Bus, opens the folder of the first item instead.
    void revealItems(const QList<Url> &urls) override;
};
