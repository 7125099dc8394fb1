// Grouping decisions of DupGroup on real files: the stages, what is stored, ordering, and the
// cases where one file must never become its own duplicate.
#include "model/DupGroup.h"
#include "model/FingerprintSource.h"
#include "model/MyTreeNode.h"
#include "support/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

class TestDupGroup : public QObject
{
    Q_OBJECT

    TemporaryTree m_dir;
    Url m_root;

    Url file(const QByteArray &name, const QByteArray &content)
    {
        const Url url = m_root.child(name);
        TestFs::writeFile(url, content);
        return url;
    }

    MyTreeNode::Ptr node(const Url &url)
    {
        MyTreeNode::Ptr made = MyTreeNode::initWithURL(url);
        if (!made)
            qFatal("no node for %s", url.c_str());
        return made;
    }

    // Gives a file a distinct modification and (where supported) birth order.
    static void pause() { QTest::qWait(15); }

    // Whole contents compared for files below 20 MiB, as with the registered defaults.
    FingerprintSource m_reads{PreciseLevel(true, 20 << 20)};
    using Result = DupGroup::AddResult;

    Result add(const DupGroup::Ptr &group, const MyTreeNode::Ptr &node)
    {
        return group->addChild(node, m_reads);
    }
    // Accounted for: joined, or the same file as a member.
    bool takes(const DupGroup::Ptr &group, const MyTreeNode::Ptr &node)
    {
        return add(group, node) != Result::Refused;
    }

private Q_SLOTS:
    void initTestCase() { m_root = m_dir.url(); }

    void workedExample()
    {
        // A, B, C of 100 bytes (A and C alike), D of 8,292 bytes shares their bucket.
        const MyTreeNode::Ptr a = node(file("A", QByteArray(100, 'x')));
        const MyTreeNode::Ptr b = node(file("B", QByteArray(100, 'y')));
        const MyTreeNode::Ptr c = node(file("C", QByteArray(100, 'x')));
        const MyTreeNode::Ptr d = node(file("D", QByteArray(8292, 'x')));

        const DupGroup::Ptr g1 = DupGroup::init();
        QVERIFY(takes(g1, a));
        QVERIFY(!a->fileMD5() && !g1->fileMD5()); // nothing read for a lone file

        QVERIFY(!takes(g1, b));
        QVERIFY(a->fileMD5() && b->fileMD5());
        QCOMPARE(g1->fileMD5(), a->fileMD5());
        QVERIFY(!a->preciseFileMD5() && !b->preciseFileMD5()); // quick fingerprints already differ
        const DupGroup::Ptr g2 = DupGroup::init();
        QVERIFY(takes(g2, b));
        QCOMPARE(g2->fileMD5(), b->fileMD5());

        QVERIFY(takes(g1, c));
        QCOMPARE(g1->fileNumber(), 2);
        QCOMPARE(g1->childs().size(), 2);
        QVERIFY(g1->preciseFileMD5().has_value());
        QCOMPARE(g1->preciseFileMD5(), a->preciseFileMD5());
        QCOMPARE(c->dupGroup(), g1);
        QVERIFY(g1->fileImage().has_value()); // a second member brings the icon

        QVERIFY(!takes(g1, d));
        QVERIFY(!takes(g2, d));
        QVERIFY(!d->fileMD5()); // refused on size alone
        QCOMPARE(g1->allFileExt(), QStringList({"N/A", "N/A"}));
        g1->delChild(a);
        g1->delChild(c);
        g2->delChild(b);
    }

    void membersStayInAddedDateOrder()
    {
        const Url first = file("first.txt", "same content");
        pause();
        const Url second = file("second.txt", "same content");
        pause();
        const Url third = file("third.txt", "same content");
        const MyTreeNode::Ptr n1 = node(first), n2 = node(second), n3 = node(third);
        QVERIFY(n1->addedDateKey() < n3->addedDateKey());

        const DupGroup::Ptr group = DupGroup::init();
        QVERIFY(takes(group, n3));
        QVERIFY(takes(group, n1));
        QVERIFY(takes(group, n2));
        QCOMPARE(group->childs(), QList<MyTreeNode::Ptr>({n1, n2, n3}));
        // The group's fingerprints came from its first member at the time (n3).
        QCOMPARE(group->fileMD5(), n3->fileMD5());
        QVERIFY(takes(group, n2)); // already a member: nothing changes
        QCOMPARE(group->fileNumber(), 3);

        group->delChild(n2);
        QCOMPARE(group->childs(), QList<MyTreeNode::Ptr>({n1, n3}));
        QVERIFY(!n2->dupGroup());
        group->delChild(n2); // not a member any more
        QCOMPARE(group->fileNumber(), 2);
        group->setIsSelected(false);
        QVERIFY(group->fileImage().has_value()); // shown, so it has its picture
        group->delChild(n1);
        group->delChild(n3);
        // Emptied: fingerprints, size and type forgotten, check box and picture kept.
        QCOMPARE(group->fileNumber(), 0);
        QVERIFY(!group->fileMD5() && !group->preciseFileMD5() && !group->fileExt());
        QCOMPARE(group->fileSize(), 0);
        QVERIFY(!group->isSelected());
        QVERIFY(group->fileImage().has_value());
        QVERIFY(group->allFileExt().isEmpty());
    }

    void oneFileIsNeverItsOwnDuplicate()
    {
        const Url original = file("original.bin", QByteArray(5000, 'q'));
        const Url hardLink = m_root.child("hardlink.bin");
        QCOMPARE(::link(original.c_str(), hardLink.c_str()), 0);
        TestFs::makeDir(m_root.child("linked"));
        TestFs::makeSymlink(m_root.path(), m_root.child("linked/again"));
        const Url samePathOtherSpelling = m_root.child("linked/again/original.bin");

        const MyTreeNode::Ptr first = node(original);
        const DupGroup::Ptr group = DupGroup::init();
        QVERIFY(takes(group, first));
        // The same path again (overlapping sources), a hard link, and a path through a link to a
        // parent folder: each is accounted for but none joins.
        for (const Url &url : {original, hardLink, samePathOtherSpelling}) {
            const MyTreeNode::Ptr again = node(url);
            QVERIFY(takes(group, again));
            QVERIFY(!again->dupGroup());
            QCOMPARE(group->fileNumber(), 1);
        }
        // A real copy still joins.
        const MyTreeNode::Ptr copy = node(file("copy.bin", QByteArray(5000, 'q')));
        QVERIFY(takes(group, copy));
        QCOMPARE(group->fileNumber(), 2);
        group->delChild(first);
        group->delChild(copy);
    }

    void manyMembersStillRecogniseTheSameFile()
    {
        // Past the size at which a group indexes its members.
        const DupGroup::Ptr group = DupGroup::init();
        QList<MyTreeNode::Ptr> members;
        for (int i = 0; i < 40; ++i) {
            members << node(file("many" + QByteArray::number(i), "many alike"));
            QVERIFY(takes(group, members.last()));
        }
        QCOMPARE(group->fileNumber(), 40);
        const MyTreeNode::Ptr again = node(members[17]->FileURL());
        QVERIFY(takes(group, again));
        QVERIFY(!again->dupGroup());
        QCOMPARE(group->fileNumber(), 40);
        // Shrinking below the index size and growing again keeps the answers right.
        for (int i = 0; i < 30; ++i)
            group->delChild(members[i]);
        QVERIFY(takes(group, node(members[35]->FileURL())));
        QCOMPARE(group->fileNumber(), 10);
        for (int i = 0; i < 30; ++i)
            QVERIFY(takes(group, members[i]));
        QCOMPARE(group->fileNumber(), 40);
        QVERIFY(takes(group, node(members[3]->FileURL())));
        QCOMPARE(group->fileNumber(), 40);
        for (const MyTreeNode::Ptr &member : members)
            group->delChild(member);
    }

    void unreadableOrVanishedFilesFoundGroupsOfTheirOwn()
    {
        const Url kept = file("kept.dat", QByteArray(6000, 'k'));
        const Url goes = file("goes.dat", QByteArray(6000, 'k'));
        const MyTreeNode::Ptr keptNode = node(kept);
        const MyTreeNode::Ptr goneNode = node(goes);
        QCOMPARE(::unlink(goes.c_str()), 0);

        const DupGroup::Ptr group = DupGroup::init();
        QVERIFY(takes(group, keptNode));
        QVERIFY(!takes(group, goneNode));
        QVERIFY(!goneNode->fileMD5());
        // A group whose first member vanished before it was read refuses later copies.
        const DupGroup::Ptr orphan = DupGroup::init();
        QVERIFY(takes(orphan, goneNode));
        QVERIFY(!takes(orphan, node(file("late.dat", QByteArray(6000, 'k')))));
        group->delChild(keptNode);
        orphan->delChild(goneNode);
    }

    void emptyFilesGatherInOneGroup()
    {
        const DupGroup::Ptr group = DupGroup::init();
        QVERIFY(takes(group, node(file("empty1", ""))));
        QVERIFY(takes(group, node(file("empty2.txt", ""))));
        QCOMPARE(group->fileNumber(), 2);
        QCOMPARE(group->fileMD5(), std::optional<QString>(QString()));
        QVERIFY(group->fileMD5()->isEmpty());
        for (const MyTreeNode::Ptr &member : QList<MyTreeNode::Ptr>(group->childs()))
            group->delChild(member);
    }

    void fastScanLevelStartsAtTheThreshold()
    {
        // With a 1 MiB threshold, files of exactly 1 MiB are compared by samples: two files that
        // differ only between the samples are then duplicates; one byte smaller, they are not.
        const auto pair = [&](const QByteArray &name, qint64 size, PreciseLevel level) {
            FingerprintSource reads(level);
            QByteArray content(size, 'z');
            const Url a = file(name + "-a", content);
            content[size / 3] = 'Z'; // outside every sample stretch
            const Url b = file(name + "-b", content);
            const DupGroup::Ptr group = DupGroup::init();
            group->addChild(node(a), reads);
            const bool joined = group->addChild(node(b), reads) == Result::Joined;
            for (const MyTreeNode::Ptr &member : QList<MyTreeNode::Ptr>(group->childs()))
                group->delChild(member);
            return joined;
        };
        QVERIFY(pair("at", 1 << 20, PreciseLevel(true, 1 << 20)));
        QVERIFY(!pair("below", (1 << 20) - 1, PreciseLevel(true, 1 << 20)));
        QVERIFY(!pair("off", 1 << 20, PreciseLevel(false, 1 << 20)));
    }

    // After a stop, a group decides only with what was read ahead: it neither refuses nor takes a
    // file it cannot compare, and keeps nothing of the attempt but the fingerprints it had.
    void undecidedWithoutReading()
    {
        struct NoReading : FingerprintSource
        {
            NoReading() : FingerprintSource(PreciseLevel(false, 0)) {}
            std::optional<CompactFingerprint> fingerprint(const MyTreeNode &, FingerprintLevel) override
            {
                return std::nullopt;
            }
        } noReading;
        const MyTreeNode::Ptr first = node(file("u1", "undecided"));
        const MyTreeNode::Ptr second = node(file("u2", "undecided"));
        const DupGroup::Ptr group = DupGroup::init();
        QCOMPARE(group->addChild(first, noReading), Result::Joined); // founding needs nothing read
        QCOMPARE(group->addChild(second, noReading), Result::Undecided);
        QCOMPARE(group->fileNumber(), 1);
        QVERIFY(!second->dupGroup() && !second->fileMD5());
        QCOMPARE(add(group, second), Result::Joined);
        group->delChild(first);
        group->delChild(second);
    }

    void nodesRefuseLinksSpecialFilesAndDsStore()
    {
        const Url target = file("target.txt", "t");
        TestFs::makeSymlink("target.txt", m_root.child("link"));
        TestFs::makeSymlink("missing", m_root.child("dangling"));
        TestFs::makeDir(m_root.child("folder"));
        TestFs::makeSymlink("folder", m_root.child("folderlink"));
        QCOMPARE(::mkfifo(m_root.child("fifo").c_str(), 0644), 0);
        file(".DS_Store", "junk");
        for (const QByteArray name : {"link", "dangling", "folderlink", "fifo", ".DS_Store", "absent"})
            QVERIFY2(!MyTreeNode::initWithURL(m_root.child(name)), name.constData());
        QVERIFY(MyTreeNode::initWithURL(m_root.child(file(".ds_store", "x").fileName())));

        const MyTreeNode::Ptr photo = node(file("PHOTO.JPG", "jpeg?"));
        QCOMPARE(photo->fileExt(), QStringLiteral("jpg"));
        QCOMPARE(node(file("Makefile", "all:"))->fileExt(), QStringLiteral("N/A"));
        QCOMPARE(node(file("blank.   ", "b"))->fileExt(), QStringLiteral("N/A"));
        const QString date = *photo->fileAddedDateString();
        QCOMPARE(date.size(), 20);
        QCOMPARE(date.mid(10, 2), QStringLiteral("  "));
    }

    void foldersListTheirEntriesOnce()
    {
        const Url folder = m_root.child("tree");
        TestFs::makeDir(folder);
        TestFs::writeFile(folder.child(".hidden"), "h");
        TestFs::writeFile(folder.child("name\nwith newline"), "n");
        TestFs::writeFile(folder.child(QByteArray("bad\xff")), "b");
        TestFs::makeDir(folder.child("Viewer.app"));
        TestFs::writeFile(folder.child("Viewer.app/binary"), "elf");
        TestFs::writeFile(folder.child(".DS_Store"), "junk");

        const MyTreeNode::Ptr tree = node(folder);
        QVERIFY(tree->isFolder());
        QCOMPARE(tree->FileSize(), 0);
        QVERIFY(!tree->addedDate());
        QCOMPARE(tree->fileExt(), QStringLiteral("N/A"));
        const auto children = tree->Childs();
        QVERIFY(children.has_value());
        QCOMPARE(children->size(), 4);
        QSet<QByteArray> names;
        for (const MyTreeNode::Ptr &child : *children) {
            names << child->FileURL().fileName();
            QCOMPARE(child->Parent(), tree);
        }
        QCOMPARE(names, QSet<QByteArray>({".hidden", "name\nwith newline", "bad\xff", "Viewer.app"}));
        const auto package = std::find_if(children->begin(), children->end(), [](const auto &child) {
            return child->FileURL().fileName() == "Viewer.app";
        });
        QVERIFY((*package)->isDir() && !(*package)->isFolder());
        QVERIFY(!(*package)->Childs());
        TestFs::writeFile(folder.child("later"), "l");
        QCOMPARE(tree->Childs()->size(), 4);
    }
};

TWINSIFT_TEST_MAIN(TestDupGroup, QCoreApplication)
#include "tst_dup_group.moc"
