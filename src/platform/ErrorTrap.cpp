#include "platform/ErrorTrap.h"

#include <new>

namespace tesmo {

void tellFailure(Dialogs &dialogs, Deed deed, const Error &e)
{
    dialogs.message(failureText(deed, e), Dialogs::Buttons::Ok,
                    isQuietFailure(e) ? Dialogs::Icon::Information : Dialogs::Icon::Exclamation);
}

Error describeError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return Error(kErrOutOfMemory);
    } catch (const std::exception &e) {
        return Error(kErrInternal, QStringLiteral("Internal error: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        return Error(kErrInternal);
    }
}

} // namespace tesmo
