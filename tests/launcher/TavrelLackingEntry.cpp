// An update-service library that lacks one of the entries the launcher binds
// at load time: entry 1 when built with LACKS_ENTRY_1, entry 11 with
// LACKS_ENTRY_11.
#include "launcher/DLLExportFunc.h"

extern "C" {

#if !defined(LACKS_ENTRY_1)
TAVREL_ENTRY std::int32_t TAVREL_CALL UpdateServiceStart(char16_t**, void*, const char16_t*,
                                                         const char16_t*, const char16_t*,
                                                         const char16_t*, const char16_t*,
                                                         const char16_t*, const char16_t*) {
  return 0;
}
#endif

#if !defined(LACKS_ENTRY_11)
TAVREL_ENTRY std::int32_t TAVREL_CALL InstallUpdateCheck(const char16_t*, const char16_t*,
                                                         const char16_t*, std::int32_t) {
  return 0;
}
#endif

TAVREL_ENTRY std::int32_t TAVREL_CALL RemoveUpdateCheck(const char16_t*) { return 0; }

}  // extern "C"
