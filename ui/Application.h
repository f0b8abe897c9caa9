// The application: the window system, the forms it owns and the message
// loop. One per process, created when the user interface starts.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/WindowSystem.h"

namespace ui {

class TForm;
class TTimer;

class TApplication {
 public:
  explicit TApplication(std::unique_ptr<platform::WindowSystem> system);
  // Destroys the forms, last created first, then closes the window system.
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  platform::WindowSystem& System() { return *system_; }

  const std::u16string& Title() const { return title_; }
  void SetTitle(std::u16string title) { title_ = std::move(title); }

  // Whether Run shows the main form when the loop starts (default true).
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }
  // Whether the main form gets a taskbar button of its own (default true).
  // Read when the main form's window is created.
  bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
  void SetMainFormOnTaskBar(bool onTaskBar) { mainFormOnTaskBar_ = onTaskBar; }

  // The first form created; closing it ends the message loop.
  TForm* MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }

  // Creates a form of class T (constructed with this application and `args`),
  // keeps it for the application's life, then raises its OnCreate.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T* created = form.get();
    AdoptForm(std::move(form));
    return created;
  }

  // Shows the main form unless ShowMainForm is false, then handles messages
  // until Terminate.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // One turn of the loop: paints what is waiting, waits for one event and
  // dispatches it.
  void HandleMessage();
  void Dispatch(const platform::WindowEvent& event);
  // Paints every form that has an invalidated control.
  void PaintPending();

  // For TForm: whether a form being constructed will be the main form.
  bool CreatingMainForm() const { return forms_.empty(); }

  // For TTimer: route ticks of platform timer `id` to `timer`.
  void RegisterTimer(std::uint64_t id, TTimer& timer) { timers_[id] = &timer; }
  void UnregisterTimer(std::uint64_t id) { timers_.erase(id); }

 private:
  void AdoptForm(std::unique_ptr<TForm> form);

  std::unique_ptr<platform::WindowSystem> system_;
  std::vector<std::unique_ptr<TForm>> forms_;
  std::map<std::uint64_t, TTimer*> timers_;
  std::u16string title_;
  bool showMainForm_ = true;
  bool mainFormOnTaskBar_ = true;
  bool terminated_ = false;
};

}  // namespace ui
