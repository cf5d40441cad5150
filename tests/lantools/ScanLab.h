#pragma once

// The lab's scan segment as the lantools lab tests see it.
#include "support/Lab.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// Moves the calling thread, and so the threads and programs it starts from now on, into the
// lab's scanning namespace; the file system view (the client's hosts file) stays.
inline bool EnterScanNamespace()
{
    const QByteArray path = "/run/netns/" + TLab::Value("SCAN_NS").toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return entered;
}

struct TScanHost
{
    QString Mac;  // MAC text: upper case, dashes
    QString Name; // empty when the hosts file does not name it
};

// Live hosts of the scan segment by address, the client's own address included.
inline QMap<QString, TScanHost> ScanHosts()
{
    QMap<QString, TScanHost> hosts;
    for (const QString &entry : TLab::Value("SCAN_HOSTS").split(',', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split('/');
        hosts.insert(parts.value(0), {parts.value(1).toUpper().replace(':', '-'), parts.value(2)});
    }
    hosts.insert(TLab::Value("SCAN_IP"), {TLab::Value("SCAN_MAC").toUpper().replace(':', '-'), {}});
    return hosts;
}

// The hosts of the scan segment that answer ARP late, with their delay in milliseconds; they
// are among ScanHosts too.
inline QMap<QString, int> LateScanHosts()
{
    QMap<QString, int> hosts;
    for (const QString &entry : TLab::Value("SCAN_LATE_HOSTS").split(',', Qt::SkipEmptyParts))
        hosts.insert(entry.section('/', 0, 0), entry.section('/', 1).toInt());
    return hosts;
}

inline QString ScanAddress(int Octet) { return TLab::Value("SCAN_PREFIX") + '.' + QString::number(Octet); }

// The scanner delivers on the creating thread's event loop, so the tests need an application.
inline QCoreApplication &TestApplication()
{
    static int argc = 1;
    static char name[] = "labtest";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The flags column of the kernel's ARP table for Ip on this namespace, with its MAC; empty
// when there is no entry.
inline QStringList ArpTableEntry(const QString &Ip)
{
    QFile table("/proc/net/arp");
    if (!table.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QStringList fields = QString::fromLatin1(line).simplified().split(' ');
        if (fields.size() >= 6 && fields.at(0) == Ip)
            return {fields.at(2), fields.at(3).toUpper().replace(':', '-')};
    }
    return {};
}
