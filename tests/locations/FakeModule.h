#pragma once

#include "locations/FuncDef.h"
#include "locations/ModuleTable.h"

#include <QStringList>
#include <functional>

// What the fake modules did, in order: "apply IE", "import FIREFOX {NET}".
inline QStringList &FakeJournal()
{
    static QStringList Lines;
    return Lines;
}

// A settings module of kind K for tests: it keeps its switch (and, as the IE kind, an address) in
// the kind's real table, and notes every apply and import in a journal the tests read.
template <TModuleKind K>
class TFakeModule : public TProxyModule<TFakeModule<K>>
{
public:
    static constexpr TModuleKind Kind = K;
    static constexpr QLatin1String Code = K == TModuleKind::IE        ? FUNC_IE
                                          : K == TModuleKind::Firefox ? FUNC_FIREFOX
                                                                      : FUNC_SHARE;
    static bool IsInstalled() { return Installed; }

    explicit TFakeModule(const QString &LocId) : TProxyModule<TFakeModule<K>>(LocId) {}

    QString Server;
    inline static bool Installed = true;
    inline static bool ApplyFails = false;
    inline static QString CheckReason;
    // What an apply notes without failing.
    inline static QString Warning;
    // Runs at the start of every apply (a test makes it raise, say).
    inline static std::function<void()> OnApply;

    static void Reset()
    {
        Installed = true;
        ApplyFails = false;
        CheckReason.clear();
        Warning.clear();
        OnApply = nullptr;
    }

    bool Check(QStringList *Reasons) override
    {
        if (!CheckReason.isEmpty())
            Reasons->append(CheckReason);
        return CheckReason.isEmpty();
    }

protected:
    TRowBinding Binding() override
    {
        switch (K) {
        case TModuleKind::IE:
            return {"IE_PROXY", {{"ENABLE_PROXY", this->FEnableProxy}, {"HTTP", Server}}, {}};
        case TModuleKind::FolderShare:
            return {"FS_PROXY", {{"ENABLE_PROXY", this->FEnableProxy}}, {"FOLDER_SHARE"}};
        default:
            return {"FIREFOX_PROXY", {{"HTTP", Server}}, {}};
        }
    }
    bool Apply() override
    {
        FakeJournal().append(QStringLiteral("apply %1").arg(Code));
        if (OnApply)
            OnApply();
        if (!Warning.isEmpty())
            this->Warn(Warning);
        return ApplyFails ? this->Fail(QStringLiteral("%1 refused").arg(Code)) : true;
    }
    bool ReadCurrent(const QString &NetId) override
    {
        FakeJournal().append(QStringLiteral("import %1 %2").arg(Code, NetId));
        Server = QStringLiteral("proxy.lan:3128");
        return true;
    }
};

using TFakeIE = TFakeModule<TModuleKind::IE>;
using TFakeFirefox = TFakeModule<TModuleKind::Firefox>;
using TFakeShare = TFakeModule<TModuleKind::FolderShare>;

inline void ResetFakeModules()
{
    TFakeIE::Reset();
    TFakeFirefox::Reset();
    TFakeShare::Reset();
    FakeJournal().clear();
}

// The three fakes in switching order, removed in another order and not all imported.
inline const TModuleTable &FakeModules()
{
    using enum TImportsCurrent;
    static const TModuleTable Modules{DescribeModule<TFakeIE>("IE proxy", 2, Yes),
                                      DescribeModule<TFakeFirefox>("Firefox proxy", 3, No),
                                      DescribeModule<TFakeShare>("folder shares", 1, Yes)};
    return Modules;
}
