#include "app/SplitString.h"

#include "base/Exceptions.h"

namespace {

constexpr QChar Quote = u'"';

// NUL counts as a blank too: the scan has to move past it, or it would never end.
bool IsBlank(QChar C) { return C.unicode() <= 32; }

class TSplitter
{
public:
    TSplitter(const QString &Text, QChar Delimiter) : FText(Text), FDelimiter(Delimiter) {}

    void Run(QStringList *List)
    {
        SkipBlanks();
        while (!AtEnd()) {
            List->append(Current() == Quote ? QuotedItem() : PlainItem());
            SkipBlanks();
            if (!AtEnd() && Current() == FDelimiter) {
                if (FPos == FText.size() - 1)
                    List->append(QString());
                ++FPos;
                SkipBlanks();
            }
        }
    }

private:
    bool AtEnd() const { return FPos >= FText.size(); }
    QChar Current() const { return FText.at(FPos); }

    void SkipBlanks()
    {
        while (!AtEnd() && IsBlank(Current()))
            ++FPos;
    }

    QString PlainItem()
    {
        const qsizetype Start = FPos;
        while (!AtEnd() && !IsBlank(Current()) && Current() != FDelimiter)
            ++FPos;
        return FText.mid(Start, FPos - Start);
    }

    // An unclosed quote takes the rest of the text.
    QString QuotedItem()
    {
        QString Item;
        ++FPos;
        while (!AtEnd()) {
            if (Current() == Quote) {
                ++FPos;
                if (AtEnd() || Current() != Quote)
                    break;
            }
            Item.append(Current());
            ++FPos;
        }
        return Item;
    }

    const QString FText;
    const QChar FDelimiter;
    qsizetype FPos = 0;
};

} // namespace

void SplitString(const QString &Text, QChar Delimiter, QStringList *List)
{
    if (List == nullptr)
        throw EAssertionFailed(QStringLiteral("SplitString needs a list to fill"));
    // The splitter keeps its own copy: Text may be one of the items about to be cleared.
    TSplitter Splitter(Text, Delimiter);
    List->clear();
    Splitter.Run(List);
}
