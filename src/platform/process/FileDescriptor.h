#pragma once

#include <unistd.h>

// Closes a descriptor when the scope ends.
class TFd
{
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};
