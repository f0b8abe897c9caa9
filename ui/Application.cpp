#include "ui/Application.h"

#include "ui/Form.h"
#include "ui/Timer.h"

namespace ui {

TApplication::TApplication(std::unique_ptr<platform::WindowSystem> system) : system_(std::move(system)) {}

TApplication::~TApplication() {
  while (!forms_.empty()) forms_.pop_back();
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  TForm& adopted = *form;
  forms_.push_back(std::move(form));
  adopted.DoCreate();
}

void TApplication::Run() {
  if (TForm* main = MainForm(); main != nullptr && showMainForm_) main->Show();
  while (!terminated_) HandleMessage();
}

void TApplication::HandleMessage() {
  PaintPending();
  platform::WindowEvent event;
  system_->WaitEvent(event);
  Dispatch(event);
}

void TApplication::Dispatch(const platform::WindowEvent& event) {
  using Type = platform::WindowEvent::Type;
  switch (event.type) {
    case Type::None:
      return;
    case Type::Quit:
      Terminate();
      return;
    case Type::Timer:
      if (const auto found = timers_.find(event.timer); found != timers_.end()) found->second->Tick(event.timer);
      return;
    default:
      for (const auto& form : forms_) {
        if (form->WindowId() == event.window) {
          form->HandleEvent(event);
          return;
        }
      }
  }
}

void TApplication::PaintPending() {
  for (const auto& form : forms_) form->PaintPending();
}

}  // namespace ui
