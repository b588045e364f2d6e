#include "support/Exceptions.h"

#include <new>

namespace tw {

ErrorInfo DescribeException(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
    return {"Exception", "Unknown error"};
  } catch (const Exception& e) {
    return {e.ClassName(), e.what()};
  } catch (const std::bad_alloc&) {
    return {"EOutOfMemory", "Out of memory"};
  } catch (const std::exception& e) {
    return {"Exception", e.what()};
  } catch (...) {
    return {"Exception", "Unknown error"};
  }
}

}  // namespace tw
