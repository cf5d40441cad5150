#pragma once

#include <QString>

// A named, process-wide marker that only one process can hold at a time: an exclusive
// lock on a file of that name in the user's runtime folder. The kernel drops the lock when
// the holder ends, so a crashed instance never blocks the next start.
class TInstanceLock
{
public:
    explicit TInstanceLock(const QString &name);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock &) = delete;
    TInstanceLock &operator=(const TInstanceLock &) = delete;

    bool Acquired() const { return FAcquired; }
    // True only when another process holds the marker; a lock file that cannot be made
    // at all does not keep the program from starting.
    bool HeldElsewhere() const { return FHeldElsewhere; }
    void Release();

    static QString LockFolder();

private:
    int FHandle = -1;
    bool FAcquired = false;
    bool FHeldElsewhere = false;
};
