#include "platform/ErrorTrap.h"

namespace tesmo {

StoreError describeError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const StoreError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return StoreError(7, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        return StoreError(51, QStringLiteral("Internal error: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        return StoreError(51, QStringLiteral("Internal error"));
    }
}

} // namespace tesmo
