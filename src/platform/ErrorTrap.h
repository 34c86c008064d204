// The error trap that routines install as their first step: it runs the
// routine's body and, when an error escapes it, shows the error box with the
// routine's source tag. The routine then ends and its caller goes on.
#pragma once

#include "platform/Dialogs.h"
#include "text/Error.h"
#include "text/FailureWords.h"

#include <exception>
#include <utility>

namespace tesmo {

// The number and description shown for an error of any kind.
Error describeError(std::exception_ptr error);

// Shows the failure of a command beyond the designed window, as
// failureText words it: a warning, or information for a cancel or nothing
// to do. The one way the windows tell such a failure.
void tellFailure(Dialogs &dialogs, Deed deed, const Error &e);

// Runs body; returns true when it ran to its end. On an error, shows the
// error box unless silent(number) says otherwise, and returns false.
template <typename Body, typename Silent>
bool errorTrap(Dialogs &dialogs, const QString &sourceTag, Body &&body, Silent &&silent)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        const Error e = describeError(std::current_exception());
        if (!silent(e.number()))
            showErrorBox(dialogs, e.number(), e.description(), sourceTag);
        return false;
    }
}

template <typename Body>
bool errorTrap(Dialogs &dialogs, const QString &sourceTag, Body &&body)
{
    return errorTrap(dialogs, sourceTag, std::forward<Body>(body), [](int) { return false; });
}

} // namespace tesmo
