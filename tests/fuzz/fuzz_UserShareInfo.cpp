// What "net usershare info" prints, as any bytes net (or a malformed share file it passes on)
// could give. Every share parsed, printed again the way net prints it, parses the same.
#include "FuzzSupport.h"

#include "platform/sharing/UserShares.h"

namespace {

QString AsNetPrintsIt(const QList<TUserShare> &shares)
{
    QString text;
    for (const TUserShare &share : shares)
        text += QStringLiteral("[%1]\npath=%2\ncomment=%3\nusershare_acl=%4,\nguest_ok=%5\n\n")
                    .arg(share.Name, share.Path, share.Comment, share.Acl,
                         share.GuestOk ? QStringLiteral("y") : QStringLiteral("n"));
    return text;
}

bool Same(const QList<TUserShare> &a, const QList<TUserShare> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const TUserShare &x = a.at(i);
        const TUserShare &y = b.at(i);
        if (x.Name != y.Name || x.Path != y.Path || x.Comment != y.Comment || x.Acl != y.Acl ||
            x.GuestOk != y.GuestOk)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<TUserShare> shares =
        ParseUserShareInfo(QString::fromLocal8Bit(reinterpret_cast<const char *>(data), qsizetype(size)));
    FuzzCheck(Same(ParseUserShareInfo(AsNetPrintsIt(shares)), shares),
              "the shares read print and read the same");
    return 0;
}
