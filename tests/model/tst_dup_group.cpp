// Grouping decisions of DupGroup on real files that a whole scan cannot show: what is read and when,
// what a member leaving or an undecided file leaves behind, the member index of large groups. Which
// files group (sizes, fingerprints, the fast-scan threshold, hard links, overlapping sources, links,
// special files, date order) is the reference scan's job (tests/cli).
#include "model/DupGroup.h"
#include "model/FingerprintSource.h"
#include "model/MyTreeNode.h"
#include "support/TestSupport.h"

#include <unistd.h>

class TestDupGroup : public QObject
{
    Q_OBJECT

    TemporaryTree m_dir;

    Url file(const QByteArray &name, const QByteArray &content) { return m_dir.file(name, content); }

    MyTreeNode::Ptr node(const Url &url)
    {
        MyTreeNode::Ptr made = MyTreeNode::initWithURL(url);
        if (!made)
            qFatal("no node for %s", url.c_str());
        return made;
    }

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
    void workedExample()
    {
        // A, B, C of 100 bytes (A and C alike), D of 8,292 bytes shares their bucket. Nothing is read
        // that a decision does not need.
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

        QVERIFY(takes(g1, c));
        QCOMPARE(g1->childs().size(), 2);
        QVERIFY(g1->preciseFileMD5().has_value());
        QCOMPARE(g1->preciseFileMD5(), a->preciseFileMD5());
        QCOMPARE(c->dupGroup(), g1);

        QVERIFY(!takes(g1, d));
        QVERIFY(!d->fileMD5()); // refused on size alone
        QCOMPARE(g1->allFileExt(), QStringList({"N/A", "N/A"}));
    }

    void joiningTwiceAndLeaving()
    {
        const MyTreeNode::Ptr first = node(file("first.txt", "same content"));
        const MyTreeNode::Ptr second = node(file("second.txt", "same content"));
        const DupGroup::Ptr group = DupGroup::init();
        QVERIFY(takes(group, first) && takes(group, second));
        // Already a member: it stays one, and nothing changes.
        QCOMPARE(add(group, second), Result::Joined);
        QVERIFY(group->fileNumber() == 2 && second->dupGroup() == group);
        QVERIFY(group->fileImage().has_value()); // a second member brings the icon
        group->delChild(second);
        group->delChild(second); // not a member any more
        QVERIFY(!second->dupGroup());
        QCOMPARE(group->childs(), QList<MyTreeNode::Ptr>({first}));
        // Emptied: fingerprints, size and type forgotten, check box and picture kept.
        group->setIsSelected(false);
        group->delChild(first);
        QCOMPARE(group->fileNumber(), 0);
        QVERIFY(!group->fileMD5() && !group->preciseFileMD5() && !group->fileExt());
        QCOMPARE(group->fileSize(), 0);
        QVERIFY(!group->isSelected() && group->fileImage().has_value() && group->allFileExt().isEmpty());
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
    }

    void foldersListTheirEntriesOnce()
    {
        // Listed when first asked; what appears later is not taken in.
        const Url folder = m_dir.url().child("tree");
        TestFs::makeDir(folder);
        TestFs::writeFile(folder.child("early"), "e");
        const MyTreeNode::Ptr tree = node(folder);
        const auto children = tree->Childs();
        QVERIFY(children && children->size() == 1 && children->first()->Parent() == tree);
        TestFs::writeFile(folder.child("later"), "l");
        QCOMPARE(tree->Childs()->size(), 1);
    }
};

TWINSIFT_TEST_MAIN(TestDupGroup, QCoreApplication)
#include "tst_dup_group.moc"
