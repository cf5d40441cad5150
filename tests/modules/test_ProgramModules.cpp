#include "modules/ProgramModules.h"

#include <gtest/gtest.h>

namespace {

using enum TModuleKind;

std::vector<TModuleKind> Kinds(const std::vector<const TModuleDescriptor *> &Lines)
{
    std::vector<TModuleKind> Result;
    for (const TModuleDescriptor *Line : Lines)
        Result.push_back(Line->Kind);
    return Result;
}

std::vector<const TModuleDescriptor *> Where(bool (*Keep)(const TModuleDescriptor &))
{
    std::vector<const TModuleDescriptor *> Result;
    for (const TModuleDescriptor &Line : ProgramModules())
        if (Keep(Line))
            Result.push_back(&Line);
    return Result;
}

// The three orders the program works in all come from its one table.
TEST(ProgramModules, SwitchRemoveAndImportOrdersComeFromTheTable)
{
    const auto Every = [](const TModuleDescriptor &) { return true; };
    const auto Imports = [](const TModuleDescriptor &Line) { return Line.ImportsCurrent; };
    EXPECT_EQ(Kinds(Where(Every)),
              (std::vector{IE, Firefox, FolderShare, NetMapping, Foxmail, MSN, ICQ, Skype, EMule, BitComet}));
    EXPECT_EQ(Kinds(InRemoveOrder(ProgramModules())),
              (std::vector{IE, Foxmail, MSN, Firefox, ICQ, Skype, FolderShare, NetMapping, EMule, BitComet}));
    EXPECT_EQ(Kinds(Where(Imports)), (std::vector{IE, Firefox, FolderShare, NetMapping}));
}

} // namespace
