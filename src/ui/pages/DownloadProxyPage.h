#pragma once

#include "ui/pages/ModulePage.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;
class TIPEdit;

// The tabs of the download clients (eMule, BitComet) share one layout and one behaviour: a
// proxy box, a type list, server, port and an authentication box with user and password. A
// page class builds its own form and hands its controls and its differences to this base.
class TDownloadProxyPage : public TModulePage
{
    Q_OBJECT

public:
    // Where the two clients differ.
    struct TRules
    {
        // The first type index that allows authentication.
        int FirstAuthType = 1;
        // Whether choosing a type without authentication also unchecks the authentication box.
        bool UncheckWithoutAuth = false;
        // The check's messages, in the order the check tests.
        QString TypeMissing;
        QString ServerMissing;
        QString PortMissing;
        QString PortNoNumber;
        QString UserMissing;
    };
    struct TControls
    {
        QCheckBox *EnableProxy;
        QComboBox *ProxyType;
        TIPEdit *Server;
        QLineEdit *Port;
        QCheckBox *EnablePWD;
        QLineEdit *User;
        QLineEdit *Pwd;
    };

    using TModulePage::TModulePage;

    // With the proxy box checked, in this order: a type, a server other than "0.0.0.0", a port,
    // and a user when the authentication box is checked.
    bool Check(TPageProblem *Problem) const override;

protected:
    // Takes the page's controls (built by its form) and wires the rules to them.
    void Attach(const TControls &Controls, const TRules &Rules);

    // What the controls show, as the modules keep it (ProxyType counts from 1).
    struct TFields
    {
        bool EnableProxy = false;
        int ProxyType = 0;
        QString Server;
        int Port = 0;
        bool EnablePWD = false;
        QString User;
        QString Pwd;
    };

    // The module's values into the controls, then the rules. TModule is the client's proxy
    // module; both clients' modules keep the same fields.
    template <class TModule>
    void LoadFrom(const TModule &Module)
    {
        ShowFields({Module.EnableProxy(), Module.ProxyType(), Module.Server(), Module.Port(),
                    Module.EnablePWD(), Module.User(), Module.Pwd()});
    }
    // The controls into the module, then its Save.
    template <class TModule>
    bool StoreTo(TModule &Module) const
    {
        const TFields Fields = ShownFields(Module.Port());
        Module.SetEnableProxy(Fields.EnableProxy);
        Module.SetProxyType(Fields.ProxyType);
        Module.SetServer(Fields.Server);
        Module.SetPort(Fields.Port);
        Module.SetEnablePWD(Fields.EnablePWD);
        Module.SetUser(Fields.User);
        Module.SetPwd(Fields.Pwd);
        return Module.Save();
    }

private:
    // The proxy box enables the type list, server, port, user, password and, as the type
    // allows, the authentication box; then the authentication rule.
    void EnableProxyClick();
    // The type enables or disables the authentication box; then the authentication rule.
    void ProxyTypeChange();
    // User and password are enabled while both the proxy box and the authentication box are
    // checked.
    void EnablePWDClick();

    void ShowFields(const TFields &Fields);
    // A port field without a number gives CurrentPort.
    TFields ShownFields(int CurrentPort) const;
    bool TypeAllowsAuth() const;

    TControls FControls{};
    TRules FRules;
};
