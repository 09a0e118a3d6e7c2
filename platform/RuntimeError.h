// A failure raised by a platform member, carrying a number and a description in the manner
// of the original runtime (91: no object, 32755: dialog cancelled, 53: file not found, ...).
// Handlers that run in continue-on-error mode catch it per step with ResumeNext().
#pragma once

#include <QString>
#include <exception>
#include <utility>

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description)
        : Number(number), Description(std::move(description)), utf8(Description.toUtf8()) {}
    const char* what() const noexcept override { return utf8.constData(); }

    int Number;
    QString Description;

    static constexpr int NoObject = 91;
    static constexpr int CancelError = 32755;

private:
    QByteArray utf8;
};

// Runs one step of a continue-on-error handler: a RuntimeError is swallowed and its number
// returned (0 when the step succeeded), so the caller goes on with its next step.
template <class Step> int ResumeNext(Step&& step) {
    try {
        std::forward<Step>(step)();
        return 0;
    } catch (const RuntimeError& error) {
        return error.Number;
    }
}
