// The launcher's start-up constants: fixed texts that the update-service
// library is given. Set once, never changed.
#pragma once

#include <string_view>

namespace launcher {

inline constexpr std::u16string_view UpdateTaskName = u"Quenby更新检查";
inline constexpr std::u16string_view UpdateTaskDescription =
    u"定期检查是否有软件最新版本可供使用；可在软件设置中取消此检查。";
inline constexpr std::u16string_view UpdateServerUrl = u"http://update.quenby.example/vidorra/";
inline constexpr std::u16string_view VendorCode = u"qnby";
inline constexpr std::u16string_view ProductId = u"116";
inline constexpr std::u16string_view ProductVersion = u"10.0.0.1";

// The interval handed to InstallUpdateCheck together with the task.
inline constexpr int UpdateCheckInterval = 180;

}  // namespace launcher
