// Stand-in for the product's editing programs Core/Vidorra and Core/Snipwell
// (one source, built once per name: STANDIN_NAME).
//
// It records how it was started in the stand-ins' log (StandinLog.h):
//   <name>      args=<arguments joined by blanks>  argc=<count>  pid=<id>
//               [xcomposefile=<XCOMPOSEFILE, when it is set>]
//   <name>-end  pid=<id>
// and shows a small window that says which program and mode it is, with a
// button that ends it. SIGTERM or SIGINT end it too. Without a display it
// only waits for such a signal.
#include "platform/WindowSystem.h"
#include "standins/StandinLog.h"
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Font.h"
#include "ui/Form.h"
#include "ui/PngImage.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace {

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

void FillRect(ui::TPngImage& surface, int left, int top, int width, int height, std::uint32_t bgr) {
  for (int y = std::max(0, top); y < std::min(surface.Height(), top + height); ++y) {
    std::uint8_t* row = surface.ColourRow(y);
    for (int x = std::max(0, left); x < std::min(surface.Width(), left + width); ++x) {
      row[3 * x] = static_cast<std::uint8_t>(bgr & 0xFF);
      row[3 * x + 1] = static_cast<std::uint8_t>((bgr >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<std::uint8_t>((bgr >> 16) & 0xFF);
    }
  }
}

// A line of text on a plain background.
class TLabel : public ui::TControl {
 public:
  explicit TLabel(ui::RepaintSink* owner) : ui::TControl(owner) {}
  std::u16string text;
  ui::TFont font;
  void PaintTo(ui::TPngImage& surface) const override { surface.TextOut(Left(), Top(), text, font); }
};

// A flat button: darker while the pointer is over it.
class TFlatButton : public ui::TControl {
 public:
  explicit TFlatButton(ui::RepaintSink* owner) : ui::TControl(owner) { SetCursor(ui::crHandPoint); }
  std::u16string text;
  ui::TFont font;
  void PaintTo(ui::TPngImage& surface) const override {
    FillRect(surface, Left(), Top(), Width(), Height(), hot_ ? 0x9C5A2A : 0xC07838);
    surface.TextOut(Left() + 16, Top() + (Height() - 14) / 2, text, font);
  }

 protected:
  void MouseEnter() override {
    hot_ = true;
    Repaint();
  }
  void MouseLeave() override {
    hot_ = false;
    Repaint();
  }

 private:
  bool hot_ = false;
};

class TStandinForm : public ui::TForm {
 public:
  TStandinForm(ui::TApplication& application, const std::string& mode)
      : ui::TForm(application, {380, 150, ui::bsSingle}) {
    SetColor(0x3A2A22);
    SetCaption(Ascii(std::string(STANDIN_NAME) + " - " + mode));
    auto* title = CreateControl<TLabel>();
    title->SetBounds(24, 22, 340, 24);
    title->text = Ascii(std::string(STANDIN_NAME) + " (stand-in)");
    title->font.SetHeight(-18);
    title->font.SetStyle(ui::fsBold);
    title->font.SetColor(0xFFFFFF);
    auto* detail = CreateControl<TLabel>();
    detail->SetBounds(24, 54, 340, 18);
    detail->text = Ascii("mode: " + mode);
    detail->font.SetHeight(-13);
    detail->font.SetColor(0xE0D0C8);
    auto* quit = CreateControl<TFlatButton>();
    quit->SetBounds(24, 96, 150, 34);
    quit->text = u"Close and return";
    quit->font.SetHeight(-13);
    quit->font.SetStyle(ui::fsBold);
    quit->font.SetColor(0xFFFFFF);
    quit->OnClick = [this](ui::TControl&) { Close(); };
  }
};

void WaitForEndSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  int signal = 0;
  sigwait(&set, &signal);
}

}  // namespace

int main(int argc, char** argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined.push_back(' ');
    joined.append(argv[i]);
  }
  const std::string pid = std::to_string(::getpid());
  standins::TLogFields fields = {{"args", joined}, {"argc", std::to_string(argc - 1)}, {"pid", pid}};
  // What the program was given of the user's environment by the launcher,
  // which changes one variable for a moment while it starts.
  if (const char* compose = std::getenv("XCOMPOSEFILE")) fields.push_back({"xcomposefile", compose});
  standins::AppendLogLine(STANDIN_NAME, fields);
  {
    std::string error;
    std::unique_ptr<platform::WindowSystem> system = platform::OpenWindowSystem(error);
    if (system) {
      ui::TApplication application(std::move(system));
      application.CreateForm<TStandinForm>(joined.empty() ? std::string("(no arguments)") : joined);
      application.Run();
    } else {
      WaitForEndSignal();
    }
  }
  standins::AppendLogLine(std::string(STANDIN_NAME) + "-end", {{"pid", pid}});
  return 0;
}
