#include "launcher/UpdateServiceCalls.h"

#include "launcher/DLLExportFunc.h"
#include "launcher/StartupConstants.h"

namespace launcher {

namespace {
// The application object handed to the update-service library: it exists
// for the whole process, before any window does, and is opaque to the
// library.
struct TApplicationObject {
} Application;
}  // namespace

void* ApplicationObject() noexcept { return &Application; }

std::u16string CallUpdateServiceStart(const TUpdateServiceStartCall& call) {
  const TLibraryText serverUrl(call.serverUrl);
  const TLibraryText vendorCode(call.vendorCode);
  const TLibraryText productId(call.productId);
  const TLibraryText productVersion(call.productVersion);
  const TLibraryText argument1(call.argument1);
  const TLibraryText argument3(call.argument3);
  const TLibraryText argument4(call.argument4);
  char16_t* action = nullptr;
  (void)::UpdateServiceStart(&action, ApplicationObject(), serverUrl.Pointer(),
                             vendorCode.Pointer(), productId.Pointer(), productVersion.Pointer(),
                             argument1.Pointer(), argument3.Pointer(), argument4.Pointer());
  // The library keeps its text only until its next call: copy it at once.
  return CopyLibraryText(action);
}

void CallInstallUpdateCheck(const std::u16string& ownPath) {
  const TLibraryText programPath(ownPath);
  const TLibraryText taskName(UpdateTaskName);
  const TLibraryText taskDescription(UpdateTaskDescription);
  (void)::InstallUpdateCheck(programPath.Pointer(), taskName.Pointer(), taskDescription.Pointer(),
                             UpdateCheckInterval);
}

}  // namespace launcher
