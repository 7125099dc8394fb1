// A source's file list: order, identity and removal, also for nodes that more than one list holds.
#include "model/MyTreeNode.h"
#include "model/NodeList.h"
#include "support/TestSupport.h"

class TestNodeList : public QObject
{
    Q_OBJECT

    TemporaryTree m_dir;

    QList<MyTreeNode::Ptr> nodes(int count)
    {
        QList<MyTreeNode::Ptr> made;
        for (int i = 0; i < count; ++i)
            made.append(MyTreeNode::initWithURL(m_dir.file("f" + QByteArray::number(i), "x")));
        return made;
    }

private Q_SLOTS:
    void twoListsKeepOrderAndIdentityThroughCompaction()
    {
        const QList<MyTreeNode::Ptr> all = nodes(150);
        NodeList first, second;
        for (const auto &node : all)
            QVERIFY(first.append(node));
        QVERIFY(!first.append(all[5]) && !first.append(nullptr));
        // The second list holds them in reverse order, so positions differ between the lists, and
        // loses three in four of them, which compacts it around the survivors.
        for (auto it = all.crbegin(); it != all.crend(); ++it)
            QVERIFY(second.append(*it));
        QList<MyTreeNode::Ptr> kept;
        for (auto it = all.crbegin(); it != all.crend(); ++it) {
            if (all.indexOf(*it) % 4 == 0)
                kept.append(*it);
            else
                QVERIFY(second.remove(it->get()));
        }
        QVERIFY(!second.remove(all[1].get()));
        QCOMPARE(second.toList(), kept);
        QCOMPARE(first.toList(), all);
        // The first list loses a long run from its start, which compacts it too.
        for (int i = 0; i < 140; ++i)
            QVERIFY(first.remove(all[i].get()));
        QCOMPARE(first.toList(), all.mid(140));
        QCOMPARE(second.size(), kept.size());
        for (int i = 0; i < all.size(); ++i)
            QVERIFY(first.contains(all[i].get()) == (i >= 140) &&
                    second.contains(all[i].get()) == (i % 4 == 0));
        // A node that left both lists may come back, at the end, and leave again.
        QVERIFY(first.append(all[1]) && first.toList().last() == all[1]);
        QVERIFY(first.remove(all[1].get()) && !first.contains(all[1].get()) &&
                !second.contains(all[1].get()));
    }
};

TWINSIFT_TEST_MAIN(TestNodeList, QCoreApplication)
#include "tst_node_list.moc"
