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
        for (int i = 0; i < count; ++i) {
            const Url url = m_dir.file("f" + QByteArray::number(i), "x");
            made.append(MyTreeNode::initWithURL(url));
        }
        return made;
    }

private Q_SLOTS:
    void keepsOrderAndIdentityThroughRemovalsAndCompaction()
    {
        const QList<MyTreeNode::Ptr> all = nodes(200);
        NodeList list;
        for (const auto &node : all)
            QVERIFY(list.append(node));
        QVERIFY(!list.append(all[5]));
        QVERIFY(!list.append(nullptr));
        // Removing most of them compacts the list; the others must still be found where they are.
        QList<MyTreeNode::Ptr> kept;
        for (int i = 0; i < all.size(); ++i) {
            if (i % 3 == 0)
                kept.append(all[i]);
            else
                QVERIFY(list.remove(all[i].get()));
        }
        QVERIFY(!list.remove(all[1].get()));
        QCOMPARE(list.size(), kept.size());
        QCOMPARE(list.toList(), kept);
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(list.contains(all[i].get()), i % 3 == 0);
        // A removed node can come back, at the end.
        QVERIFY(list.append(all[1]));
        QCOMPARE(list.toList().last(), all[1]);
    }

    void aNodeInTwoListsIsTrackedInEach()
    {
        const QList<MyTreeNode::Ptr> all = nodes(150);
        NodeList first, second;
        for (const auto &node : all)
            QVERIFY(first.append(node));
        // The second list holds them in reverse order, so positions differ between the lists.
        for (auto it = all.crbegin(); it != all.crend(); ++it)
            QVERIFY(second.append(*it));
        for (int i = 0; i < 120; ++i)
            QVERIFY(second.remove(all[i].get())); // compacts the second list
        for (int i = 0; i < all.size(); ++i) {
            QVERIFY(first.contains(all[i].get()));
            QCOMPARE(second.contains(all[i].get()), i >= 120);
        }
        QCOMPARE(first.toList(), all);
        for (int i = 0; i < 140; ++i)
            QVERIFY(first.remove(all[i].get())); // compacts the first list
        QCOMPARE(first.toList(), all.mid(140));
        QList<MyTreeNode::Ptr> reversed(all.mid(120));
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(second.toList(), reversed);
        // Now only in the first list, a node may enter a third one and leave both.
        NodeList third;
        QVERIFY(third.append(all[10]) && third.contains(all[10].get()));
        QVERIFY(!first.contains(all[10].get()) && !second.contains(all[10].get()));
        QVERIFY(third.remove(all[10].get()) && !third.contains(all[10].get()));
    }
};

TWINSIFT_TEST_MAIN(TestNodeList, QCoreApplication)
#include "tst_node_list.moc"
