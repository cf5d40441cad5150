#pragma once

#include <QLatin1String>
#include <QString>
#include <memory>
#include <vector>

// The codes of the settings modules in the FUNC_DEF catalogue. The folder-share and the
// drive-mapping module share FUNC_SHARE.
inline constexpr QLatin1String FUNC_IE("IE");
inline constexpr QLatin1String FUNC_FIREFOX("FIREFOX");
inline constexpr QLatin1String FUNC_FOXMAIL("FOXMAIL");
inline constexpr QLatin1String FUNC_ICQ("ICQ");
inline constexpr QLatin1String FUNC_MSN("MSN");
inline constexpr QLatin1String FUNC_SKYPE("SKYPE");
inline constexpr QLatin1String FUNC_SHARE("SHARE");
inline constexpr QLatin1String FUNC_EMULE("EMULE");
inline constexpr QLatin1String FUNC_BITCOMET("BITCOMET");

// The module catalogue: which settings modules are switched on program-wide and where their
// pages stand. The process-wide instance (getInstance) answers the queries; the rows GetFuncs
// returns are further instances carrying one catalogue row each.
//
// Reads never raise: without an open connection a module counts as enabled at position -1, a
// missing row or a database error as disabled at position -1. Writes only update existing rows
// and fail silently. Codes compare case-insensitively.
class TFuncDefine
{
public:
    TFuncDefine() = default;
    TFuncDefine(const QString &Code, const QString &Name, bool Enabled, int Index);

    static TFuncDefine *getInstance();
    // Frees the process-wide instance at shutdown; the next getInstance makes a new one.
    static void FreeInstance();

    const QString &Code() const { return FCode; }
    const QString &Name() const { return FName; }
    bool Enabled() const { return FEnabled; }
    int Index() const { return FIndex; }

    bool IsEnabled(const QString &funcCode) const;
    void SetEnabled(const QString &funcCode, bool Value);
    int GetPos(const QString &funcCode) const;
    void ChangePos(const QString &funcCode, int NewPos);
    // Appends the rows switched on (or off) in ascending position; List is not cleared.
    void GetFuncs(std::vector<std::unique_ptr<TFuncDefine>> *List, bool IsEnabled) const;

    bool IsIEEnabled() const { return IsEnabled(FUNC_IE); }
    void SetIsIEEnabled(bool Value) { SetEnabled(FUNC_IE, Value); }
    bool IsFirefoxEnabled() const { return IsEnabled(FUNC_FIREFOX); }
    void SetIsFirefoxEnabled(bool Value) { SetEnabled(FUNC_FIREFOX, Value); }
    bool IsMSNEnabled() const { return IsEnabled(FUNC_MSN); }
    void SetIsMSNEnabled(bool Value) { SetEnabled(FUNC_MSN, Value); }
    bool IsICQEnabled() const { return IsEnabled(FUNC_ICQ); }
    void SetIsICQEnabled(bool Value) { SetEnabled(FUNC_ICQ, Value); }
    bool IsSkypeEnabled() const { return IsEnabled(FUNC_SKYPE); }
    void SetIsSkypeEnabled(bool Value) { SetEnabled(FUNC_SKYPE, Value); }
    bool IsFoxmailEnabled() const { return IsEnabled(FUNC_FOXMAIL); }
    void SetIsFoxmailEnabled(bool Value) { SetEnabled(FUNC_FOXMAIL, Value); }
    bool IsShareEnabled() const { return IsEnabled(FUNC_SHARE); }
    void SetIsShareEnabled(bool Value) { SetEnabled(FUNC_SHARE, Value); }
    bool IsEMuleEnabled() const { return IsEnabled(FUNC_EMULE); }
    void SetIsEMuleEnabled(bool Value) { SetEnabled(FUNC_EMULE, Value); }
    bool IsBitCometEnabled() const { return IsEnabled(FUNC_BITCOMET); }
    void SetIsBitCometEnabled(bool Value) { SetEnabled(FUNC_BITCOMET, Value); }

private:
    QString FCode;
    QString FName;
    bool FEnabled = false;
    int FIndex = 0;
};
