#pragma once

#include <QString>
#include <functional>

// The message of the error of type E that Action raises, or "no error".
template <class E>
QString ErrorOf(const std::function<void()> &Action)
{
    try {
        Action();
    } catch (const E &error) {
        return error.Message();
    }
    return QStringLiteral("no error");
}
