#include "framework/UnhandledException.h"

#include <string>

#include "framework/Runtime.h"
#include "framework/System.h"

namespace UnhandledException {

void Handle(std::exception_ptr exception) {
  std::string what = "an exception that is no std::exception";
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception& caught) {
    what = caught.what();
  } catch (...) {
  }
  System::DebugLog("Error:Application.UnhandledException: " + what);
  Runtime::EndAfterFailure(kExitCode);
}

bool Guard(const std::function<void()>& call) {
  try {
    call();
    return true;
  } catch (...) {
    Handle(std::current_exception());
    return false;
  }
}

}  // namespace UnhandledException
