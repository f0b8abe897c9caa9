// Calls into the update-service library's entries that are bound when the
// process loads (DLLExportFunc.h). Linked into the launcher program only:
// the start-up logic reaches them through TStartupServices.
#pragma once

#include "launcher/Startup.h"

#include <string>

namespace launcher {

// The application object handed to the update-service library (opaque to
// it): it exists for the whole process, before any window does.
void* ApplicationObject() noexcept;

// Calls UpdateServiceStart (entry 1) with the application object and returns
// a copy of the action word it left in the result slot.
std::u16string CallUpdateServiceStart(const TUpdateServiceStartCall& call);

// Calls InstallUpdateCheck (entry 11) with the launcher's own full path,
// UpdateTaskName, UpdateTaskDescription and UpdateCheckInterval. For the main
// window's timer; the result is not used.
void CallInstallUpdateCheck(const std::u16string& ownPath);

}  // namespace launcher
