#pragma once

#include <QString>

class MyTreeNode;
class RootNode;
class Url;

// What a scan tells its front end as it goes: the window's status bar and busy indicator, the
// command-line tool's progress line. A scan does not know its total in advance, so it reports what it
// has done and where it is, never a fraction.
//
// Called on the scan queue, often (once per file); an implementation must be quick, must not block
// and must not call back into the manager.
class ScanProgress
{
public:
    enum class Phase {
        // Listing folders.
        ReadingFolders,
        // Reading contents ahead of grouping, several files at once.
        ReadingContents,
        // Taking files in and placing them in groups.
        Grouping,
    };

    virtual ~ScanProgress() = default;

    virtual void scanStarted(const RootNode &root) { (void)root; }
    // The scan of the source ended, completely or because it was stopped.
    virtual void scanEnded(const RootNode &root) { (void)root; }
    // The folder or file at hand.
    virtual void at(Phase phase, const Url &url)
    {
        (void)phase;
        (void)url;
    }
    // The file was counted in its source and placed in a group.
    virtual void fileTakenIn(const RootNode &root, const MyTreeNode &file)
    {
        (void)root;
        (void)file;
    }
    // The walk could not look at the item (a folder that cannot be read or searched, a path too long
    // to use): what is in or below it is missing from the scan. reason is for people.
    virtual void itemSkipped(const Url &url, const QString &reason)
    {
        (void)url;
        (void)reason;
    }
};
