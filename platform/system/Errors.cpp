#include "platform/system/Errors.h"

#include <new>

namespace pv {

ErrorDescription DescribeError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return {e.ClassName(), e.what()};
    } catch (const EAbort& e) {
        return {"EAbort", e.what()};
    } catch (const std::bad_alloc&) {
        return {"EOutOfMemory", "Out of memory: the picture is too large for the memory available"};
    } catch (const std::length_error&) {
        return {"EOutOfMemory", "Out of memory: the picture is too large for the memory available"};
    } catch (const std::exception& e) {
        return {"Exception", e.what()};
    } catch (...) {
        return {"Exception", "Unknown error"};
    }
}

} // namespace pv
