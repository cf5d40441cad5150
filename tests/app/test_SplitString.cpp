#include "app/SplitString.h"

#include "base/Exceptions.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase
{
    const char *Name;
    QString Text;
    QChar Delimiter;
    QStringList Items;
};

void PrintTo(const SplitCase &Case, std::ostream *Out) { *Out << Case.Name; }

class SplitStringCases : public testing::TestWithParam<SplitCase>
{};

} // namespace

TEST_P(SplitStringCases, GivesTheItems)
{
    const SplitCase &Case = GetParam();
    QStringList List{"left over"};
    SplitString(Case.Text, Case.Delimiter, &List);
    EXPECT_EQ(List, Case.Items) << "got: " << List.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitStringCases,
    testing::Values(SplitCase{"CommaThenBlank", "a, b", ',', {"a", "b"}},
                    SplitCase{"TwoDelimiters", "a,,b", ',', {"a", "", "b"}},
                    SplitCase{"TrailingDelimiter", "a,", ',', {"a", ""}},
                    SplitCase{"OnlyDelimiter", ",", ',', {"", ""}},
                    SplitCase{
                        "BlankSeparatedAddresses", "192.168.0.1 10.0.0.1", ',', {"192.168.0.1", "10.0.0.1"}},
                    SplitCase{"EmptyText", "", ',', {}}, SplitCase{"OnlyBlanks", " \t\r\n ", ',', {}},
                    SplitCase{"SurroundingBlanks", "  a;b  ", ';', {"a", "b"}},
                    SplitCase{"DelimiterThenBlanksAtEnd", "a, ", ',', {"a"}},
                    SplitCase{"ControlCharactersSplit", "a\tb\r\nc", ',', {"a", "b", "c"}},
                    SplitCase{"QuotedKeepsBlank", "\"x y\",z", ',', {"x y", "z"}},
                    SplitCase{"QuotedKeepsDelimiter", "\"a,b\",c", ',', {"a,b", "c"}},
                    SplitCase{"DoubledQuotes", "\"say \"\"hi\"\"\",b", ',', {"say \"hi\"", "b"}},
                    SplitCase{"EmptyQuoted", "\"\",b", ',', {"", "b"}},
                    SplitCase{"UnclosedQuoteTakesRest", "a,\"b, c", ',', {"a", "b, c"}},
                    SplitCase{"QuoteInsidePlainItem", "a\"b,c", ',', {"a\"b", "c"}},
                    SplitCase{"TextAfterClosingQuote", "\"a\"b,c", ',', {"a", "b", "c"}},
                    SplitCase{"EmbeddedNulSplits", QString::fromUtf8("a\0b", 3), ',', {"a", "b"}}),
    [](const testing::TestParamInfo<SplitCase> &Info) { return std::string(Info.param.Name); });

TEST(SplitString, NullListIsAnAssertionFailure)
{
    EXPECT_THROW(SplitString("a,b", ',', nullptr), EAssertionFailed);
}

TEST(SplitString, TextMayBeAnItemOfTheList)
{
    QStringList List{"a,b"};
    SplitString(List.at(0), ',', &List);
    EXPECT_EQ(List, QStringList({"a", "b"}));
}
