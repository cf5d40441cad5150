#pragma once

#include <QString>
#include <stdexcept>

// The error rule, one per layer:
// - Raise an EWayfarelError where an operation is documented to raise (a missing adapter's
//   configuration, a registry value of the wrong type, a refused LOCATION row) and for
//   programming errors (EAbstractError, EAssertionFailed).
// - Everything else reports failure by its result: objects return bool and keep the reason in
//   LastError(); free functions return bool and fill an optional QString *Error.
// - Each layer converts once, at its edge: a switch step turns a raised error into a failed
//   step with its text; the windows and wayfarelctl turn results into messages.
// No exception crosses the Qt event loop: the application's notify handler shows it.

// Every error the program raises derives from EWayfarelError and carries the text the
// user is shown; the GUI's general error handler displays it.
class EWayfarelError : public std::runtime_error
{
public:
    explicit EWayfarelError(const QString &message)
        : std::runtime_error(message.toStdString()), FMessage(message)
    {}
    const QString &Message() const { return FMessage; }

private:
    QString FMessage;
};

// A registry access failed, or a value was read with a type it does not have.
class ERegistryException : public EWayfarelError
{
public:
    using EWayfarelError::EWayfarelError;
};

// The profile database refused a statement; carries the database's own text.
class EDatabaseError : public EWayfarelError
{
public:
    using EWayfarelError::EWayfarelError;
};

// A virtual operation of an abstract base was called.
class EAbstractError : public EWayfarelError
{
public:
    EAbstractError() : EWayfarelError(QStringLiteral("Abstract Error")) {}
};

// A caller broke a precondition (a programming error, not a user error).
class EAssertionFailed : public EWayfarelError
{
public:
    using EWayfarelError::EWayfarelError;
};
