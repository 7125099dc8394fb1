// Which disks are read by many readers at once: the kernel's rotational flag, read through a
// partition to its disk, and overruled for paravirtual disks.
#include "platform/ReadDepth.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/sysmacros.h>

class TestReadDepth : public QObject
{
    Q_OBJECT

    QTemporaryDir m_sysfs;

    void write(const QString &path, const QByteArray &bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void link(const QString &target, const QString &path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::link(target, path));
    }

    // A disk under devices/NAME with its node at dev/block/MAJOR:0, and its partition NAME1 at MAJOR:1.
    void addDisk(const QString &name, int major, const QByteArray &rotational, const QString &driver)
    {
        const QString root = m_sysfs.path();
        const QString disk = root + QStringLiteral("/devices/") + name;
        write(disk + QStringLiteral("/queue/rotational"), rotational);
        write(disk + QStringLiteral("/%11/partition").arg(name), "1\n");
        QVERIFY(QDir().mkpath(root + QStringLiteral("/drivers/") + driver));
        link(root + QStringLiteral("/drivers/") + driver, disk + QStringLiteral("/device/driver"));
        link(disk, root + QStringLiteral("/dev/block/%1:0").arg(major));
        link(disk + QStringLiteral("/%11").arg(name), root + QStringLiteral("/dev/block/%1:1").arg(major));
    }

private Q_SLOTS:
    void initTestCase()
    {
        addDisk(QStringLiteral("sda"), 8, "1\n", QStringLiteral("sd"));
        addDisk(QStringLiteral("nvme0n1"), 259, "0\n", QStringLiteral("nvme"));
        addDisk(QStringLiteral("vda"), 254, "1\n", QStringLiteral("virtio_blk"));
    }

    void readersPerDisk_data()
    {
        QTest::addColumn<quint64>("device");
        QTest::addColumn<int>("readers");
        const int parallel = ReadDepth::parallelReaders;
        QTest::newRow("rotating disk") << quint64(makedev(8, 0)) << 2;
        QTest::newRow("partition of a rotating disk") << quint64(makedev(8, 1)) << 2;
        QTest::newRow("solid-state disk") << quint64(makedev(259, 0)) << parallel;
        QTest::newRow("partition of a solid-state disk") << quint64(makedev(259, 1)) << parallel;
        QTest::newRow("virtio disk that claims to rotate") << quint64(makedev(254, 1)) << parallel;
        QTest::newRow("no block device (tmpfs, network)") << quint64(makedev(0, 45)) << parallel;
    }

    void readersPerDisk()
    {
        QFETCH(quint64, device);
        QFETCH(int, readers);
        QCOMPARE(ReadDepth::readersOn(device, m_sysfs.path(), 2), readers);
    }
};

QTEST_GUILESS_MAIN(TestReadDepth)
#include "tst_read_depth.moc"
