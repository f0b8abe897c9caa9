// The main window at display scales from 100 % to 300 %, on a window system
// without a display: sizes, the pictures of each scale, what is decoded at
// start, input at the scaled places, and a change of scale.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeWindowSystem.h"
#include "LauncherPictures.h"
#include "launcher/MainFrm.h"
#include "launcher/ScaledPictures.h"
#include "platform/Accessibility.h"
#include "ui/Application.h"
#include "ui/Resample.h"

namespace {

using testsupport::FakeWindow;
using testsupport::FakeWindowSystem;
using Type = platform::WindowEvent::Type;

struct TLayout {
  const char* name;
  int left, top, width, height;
};
const TLayout kButtons[] = {
    {"close", 834, 4, 20, 20}, {"edit", 251, 170, 171, 165}, {"cut", 428, 170, 171, 78}, {"join", 428, 257, 171, 78}};

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The size a PNG's header gives.
ui::TRect PngSize(const vidorra::TEmbeddedFile& file) {
  return {0, 0, static_cast<int>(BigEndian32(file.data + 16)), static_cast<int>(BigEndian32(file.data + 20))};
}

// The launcher's main window on a window system of its own, at `scale`.
class TMainWindow {
 public:
  explicit TMainWindow(double scale) : fake_(new FakeWindowSystem), app_(std::unique_ptr<platform::WindowSystem>(fake_)) {
    fake_->scale = scale;
    form = app_.CreateForm<launcher::TfrmMain>(launcher::TLauncherPaths{u"/nowhere/VidorraMain", u"/nowhere/"});
  }
  FakeWindow& Window() { return *fake_->windows.at(form->WindowId()); }
  void Mouse(Type type, int x, int y, std::uint8_t button = platform::WindowEvent::Left) {
    fake_->Mouse(type, form->WindowId(), x, y, button);
    Run();
  }
  // A key pressed and released.
  void Key(platform::KeyCode key) {
    fake_->Key(Type::KeyDown, form->WindowId(), key);
    fake_->Key(Type::KeyUp, form->WindowId(), key);
    Run();
  }
  // The window moved to a monitor at `scale`.
  void ChangeScale(double scale) {
    Window().scale = scale;
    fake_->Push(Type::ScaleChanged, form->WindowId());
    Run();
  }
  void Run() {
    while (!fake_->queue.empty()) app_.HandleMessage();
  }
  FakeWindowSystem& System() { return *fake_; }
  ui::TApplication& App() { return app_; }

  launcher::TfrmMain* form;

 private:
  FakeWindowSystem* fake_;
  ui::TApplication app_;
};

TEST(ScaledPictures, EveryPictureOfEachSetHasTheSizeOfItsControlAtThatScale) {
  for (const int percent : launcher::kPictureScales) {
    SCOPED_TRACE(std::to_string(percent) + " %");
    const ui::TScale scale = ui::TScale::FromPercent(percent);
    const vidorra::TEmbeddedFile* background =
        vidorra::FindLauncherPictures(launcher::PictureFileName("background", percent));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(PngSize(*background), (ui::TRect{0, 0, scale.Edge(858), scale.Edge(518)}));
    for (const TLayout& button : kButtons) {
      const ui::TRect bounds = scale.Bounds(button.left, button.top, button.width, button.height);
      for (const char* state : {"normal", "mouseon", "mousedown", "disabled"}) {
        const std::string stem = std::string(button.name) + "-" + state;
        const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures(launcher::PictureFileName(stem, percent));
        if (button.name == std::string("close") && state == std::string("disabled")) {
          EXPECT_EQ(file, nullptr);
          continue;
        }
        ASSERT_NE(file, nullptr) << stem;
        EXPECT_EQ(PngSize(*file), (ui::TRect{0, 0, bounds.width, bounds.height})) << stem;
        EXPECT_EQ(file->data[25], 6) << stem << ": RGBA";
      }
    }
    for (const int size : {16, 24, 32, 48, 64, 128}) {
      const int scaled = scale.Length(size);
      const vidorra::TEmbeddedFile* icon = vidorra::FindLauncherPictures("icon-" + std::to_string(scaled) + ".png");
      ASSERT_NE(icon, nullptr) << scaled;
      EXPECT_EQ(PngSize(*icon), (ui::TRect{0, 0, scaled, scaled}));
    }
  }
}

TEST(ScaledPictures, AScaleBetweenTwoSetsTakesTheNextLargerOne) {
  struct TCase {
    double factor;
    int set;
  } const cases[] = {{1.0, 100}, {1.01, 150}, {1.25, 150}, {1.5, 150}, {1.75, 200}, {2.0, 200}, {2.5, 300}, {3.0, 300}};
  for (const TCase& c : cases) EXPECT_EQ(launcher::PictureSetFor(ui::TScale::FromFactor(c.factor)), c.set) << c.factor;
}

TEST(ScaledMainWindow, TakesTheLayoutAtItsScaleWithPicturesOfEachControlsSize) {
  struct TCase {
    double reported;
    int width, height;
  } const cases[] = {{1.0, 858, 518},   {1.25, 1073, 648}, {1.5, 1287, 777}, {1.75, 1502, 907},
                     {2.0, 1716, 1036}, {3.0, 2574, 1554}, {4.0, 2574, 1554}, {0.5, 858, 518}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.reported);
    TMainWindow main(c.reported);
    launcher::TfrmMain& form = *main.form;
    const ui::TScale& s = form.Scale();
    EXPECT_EQ(form.ClientWidth(), c.width);
    EXPECT_EQ(form.ClientHeight(), c.height);
    EXPECT_EQ(main.Window().params.clientWidth, c.width) << "the window has the size too";
    EXPECT_EQ(main.Window().params.clientHeight, c.height);
    EXPECT_EQ(form.imgBK->Picture().Width(), c.width);
    EXPECT_EQ(form.imgBK->Picture().Height(), c.height);
    const controls::TQbVclImageButton* buttons[] = {form.btnCloseFrm, form.btnEdit, form.btnCut, form.btnJoin};
    for (std::size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(kButtons[i].name);
      auto& button = const_cast<controls::TQbVclImageButton&>(*buttons[i]);
      const ui::TRect bounds = s.Bounds(kButtons[i].left, kButtons[i].top, kButtons[i].width, kButtons[i].height);
      EXPECT_EQ((ui::TRect{button.Left(), button.Top(), button.Width(), button.Height()}), bounds);
      for (ui::TPicture* picture : {&button.PicNormal(), &button.PicMouseOn(), &button.PicMouseDown()}) {
        EXPECT_EQ(picture->Width(), bounds.width);
        EXPECT_EQ(picture->Height(), bounds.height);
      }
      EXPECT_EQ(button.Font().Height(), -s.Length(11));
      EXPECT_EQ(button.FontDisable().Height(), -s.Length(11));
      EXPECT_EQ(button.CaptionLeft(), s.Length(40));
      EXPECT_EQ(button.CaptionTop(), s.Length(8));
      EXPECT_EQ(button.PicSmallPosLeft(), s.Length(10));
      EXPECT_EQ(button.PicSmallPosTop(), s.Length(7));
    }
    EXPECT_EQ(form.Font().Height(), -s.Length(11));
    // The icon comes just after the first frame.
    form.Show();
    EXPECT_TRUE(main.Window().iconSizes.empty());
    main.System().FireTimers();
    while (!main.System().queue.empty()) main.App().HandleMessage();
    std::vector<int> icons;
    for (const int size : {16, 24, 32, 48, 64, 128}) icons.push_back(s.Length(size));
    EXPECT_EQ(main.Window().iconSizes, icons);
  }
}

// The frame at 100 % is the committed pictures, as before there were scales.
TEST(ScaledMainWindow, AtOneHundredPercentTheFrameIsTheCommittedPicturesComposed) {
  TMainWindow main(1.0);
  main.form->Show();
  ui::TPngImage expected;
  ASSERT_TRUE(expected.LoadFromFile(VIDORRA_PICTURES "/background.png"));
  for (const TLayout& button : kButtons) {
    ui::TPngImage picture;
    ASSERT_TRUE(picture.LoadFromFile(std::string(VIDORRA_PICTURES) + "/" + button.name + "-normal.png"));
    expected.Draw(button.left, button.top, picture);
  }
  const ui::TPngImage& frame = main.Window().screen;
  ASSERT_EQ(frame.Width(), 858);
  ASSERT_EQ(frame.Height(), 518);
  for (int y = 0; y < 518; ++y)
    ASSERT_EQ(0, std::memcmp(frame.ColourRow(y), expected.ColourRow(y), 858 * 3)) << "row " << y;
}

TEST(ScaledMainWindow, BetweenTwoSetsEachPictureIsTheLargerSetsReducedByAreaAverage) {
  TMainWindow main(1.25);
  const ui::TRect cut = main.form->Scale().Bounds(428, 170, 171, 78);
  const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures("cut-mouseon@150.png");
  ASSERT_NE(file, nullptr);
  ui::TPngImage drawn;
  ASSERT_TRUE(drawn.LoadFromBytes(file->data, file->size));
  const ui::TPngImage expected = ui::ReduceAreaAverage(drawn, cut.width, cut.height);
  const ui::TPngImage* shown = main.form->btnCut->PicMouseOn().Graphic();
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->Width(), expected.Width());
  for (int y = 0; y < expected.Height(); ++y) {
    ASSERT_EQ(0, std::memcmp(shown->ColourRow(y), expected.ColourRow(y), 3 * static_cast<std::size_t>(cut.width)));
    ASSERT_EQ(0, std::memcmp(shown->AlphaRow(y), expected.AlphaRow(y), static_cast<std::size_t>(cut.width)));
  }
}

TEST(ScaledMainWindow, OnlyWhatTheFirstFrameShowsIsDecodedAtStartTheRestOnFirstNeed) {
  for (const double scale : {1.0, 1.25, 2.0}) {
    SCOPED_TRACE(scale);
    TMainWindow main(scale);
    launcher::TfrmMain& form = *main.form;
    for (controls::TQbVclImageButton* button : {form.btnCloseFrm, form.btnEdit, form.btnCut, form.btnJoin}) {
      EXPECT_FALSE(button->PicNormal().Deferred());
      EXPECT_TRUE(button->PicMouseOn().Deferred());
      EXPECT_TRUE(button->PicMouseDown().Deferred());
      if (button != form.btnCloseFrm) {
        EXPECT_TRUE(button->PicDisabled().Deferred());
      }
    }
    // The background, decoded by a thread of its own, has its size at once
    // and its pixels in the first frame.
    EXPECT_EQ(form.imgBK->Width(), form.Scale().Edge(858));
    EXPECT_EQ(form.imgBK->Height(), form.Scale().Edge(518));
    form.Show();
    EXPECT_FALSE(form.imgBK->Picture().Deferred());
    ASSERT_NE(form.imgBK->Picture().Graphic(), nullptr);
    EXPECT_EQ(0, std::memcmp(main.Window().screen.ColourRow(1), form.imgBK->Picture().Graphic()->ColourRow(1),
                             3 * static_cast<std::size_t>(form.Scale().Edge(858))));
    const ui::TRect cut = form.Scale().Bounds(428, 170, 171, 78);
    main.Mouse(Type::MouseMove, cut.left + 5, cut.top + 5);
    EXPECT_FALSE(form.btnCut->PicMouseOn().Deferred()) << "decoded for the hover";
    EXPECT_TRUE(form.btnCut->PicMouseDown().Deferred());
    EXPECT_TRUE(form.btnEdit->PicMouseOn().Deferred());
    // And it is what the screen shows there.
    const ui::TPngImage* mouseOn = form.btnCut->PicMouseOn().Graphic();
    ASSERT_NE(mouseOn, nullptr);
    const int x = cut.width / 2, y = cut.height / 2;
    ASSERT_EQ(mouseOn->AlphaRow(y)[x], 255);
    EXPECT_EQ(0, std::memcmp(main.Window().screen.ColourRow(cut.top + y) + 3 * (cut.left + x),
                             mouseOn->ColourRow(y) + 3 * x, 3));
  }
}

// Where a row of the frame is the focus ring's yellow, as [from, to) runs.
std::vector<std::pair<int, int>> YellowRuns(const ui::TPngImage& frame, int y) {
  std::vector<std::pair<int, int>> runs;
  const std::uint8_t* row = frame.ColourRow(y);
  for (int x = 0; x < frame.Width(); ++x) {
    if (row[3 * x] != 255 || row[3 * x + 1] != 255 || row[3 * x + 2] != 0) continue;
    if (!runs.empty() && runs.back().second == x) {
      ++runs.back().second;
    } else {
      runs.emplace_back(x, x + 1);
    }
  }
  return runs;
}

bool SameFrame(const ui::TPngImage& a, const ui::TPngImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ColourRow(y), b.ColourRow(y), 3 * static_cast<std::size_t>(a.Width())) != 0) return false;
  return true;
}

// The focus ring at 200 %: 4 pixels thick and 6 inside the button's edge
// (2 and 3 at 96 dpi), drawn over the button's scaled area and nowhere
// else; after a change of scale it is drawn at the new one at once.
TEST(ScaledMainWindow, TheFocusRingIsDrawnAtTheWindowsScaleInsideTheButton) {
  TMainWindow plain(2.0);
  plain.form->Show();
  TMainWindow main(2.0);
  main.form->Show();
  main.Key(platform::KeyCode::Tab);
  ASSERT_EQ(main.form->FocusedControl(), main.form->btnCut);
  const ui::TRect cut = main.form->Scale().Bounds(428, 170, 171, 78);
  const int right = cut.left + cut.width, bottom = cut.top + cut.height;
  const ui::TPngImage& ringed = main.Window().screen;
  using TRuns = std::vector<std::pair<int, int>>;
  EXPECT_EQ(YellowRuns(ringed, cut.top + cut.height / 2), (TRuns{{cut.left + 6, cut.left + 10}, {right - 10, right - 6}}));
  EXPECT_EQ(YellowRuns(ringed, cut.top + 5), TRuns{});
  for (int y = cut.top + 6; y < cut.top + 10; ++y)
    EXPECT_EQ(YellowRuns(ringed, y), (TRuns{{cut.left + 6, right - 6}})) << "row " << y;
  EXPECT_EQ(YellowRuns(ringed, bottom - 7), (TRuns{{cut.left + 6, right - 6}}));
  EXPECT_EQ(YellowRuns(ringed, bottom - 6), TRuns{});
  // Outside the ring, the frame without it.
  ui::TPngImage unringed = ringed;
  for (int y = cut.top; y < bottom; ++y)
    std::memcpy(unringed.ColourRow(y) + 3 * cut.left, plain.Window().screen.ColourRow(y) + 3 * cut.left,
                3 * static_cast<std::size_t>(cut.width));
  EXPECT_TRUE(SameFrame(unringed, plain.Window().screen));

  // From 100 % (the ring on Cut already) to 200 %: the whole window drawn
  // at once, as the window made at 200 % shows it.
  TMainWindow moved(1.0);
  moved.form->Show();
  moved.Key(platform::KeyCode::Tab);
  EXPECT_EQ(YellowRuns(moved.Window().screen, 170 + 39), (TRuns{{431, 433}, {594, 596}}));
  moved.Window().presents.clear();
  moved.ChangeScale(2.0);
  EXPECT_TRUE(SameFrame(moved.Window().screen, ringed));
  ASSERT_FALSE(moved.Window().presents.empty());
  EXPECT_EQ(moved.Window().presents.front(), (platform::PixelRect{0, 0, 1716, 1036}));
}

// Screen readers are given the controls' device pixels: at 150 % the
// scaled bounds, and after a move to 200 % the description again with the
// new ones, each child's move told.
TEST(ScaledMainWindow, TheAccessibleTreeHasTheScaledBoundsAndIsSentAgainAfterAScaleChange) {
  const auto expected = [](double factor) {
    const ui::TScale scale = ui::TScale::FromFactor(factor);
    std::vector<platform::PixelRect> bounds;
    for (const TLayout& b : {kButtons[1], kButtons[2], kButtons[3], kButtons[0]}) {  // Edit, Cut, Join, close
      const ui::TRect r = scale.Bounds(b.left, b.top, b.width, b.height);
      bounds.push_back({r.left, r.top, r.width, r.height});
    }
    return bounds;
  };
  TMainWindow main(1.5);
  main.form->Show();
  const auto given = [&] {
    std::vector<platform::PixelRect> bounds;
    for (const platform::AccessibleElement& child : main.Window().accessible.children) bounds.push_back(child.bounds);
    return bounds;
  };
  EXPECT_EQ(given(), expected(1.5));
  // Hit tests on the edges that fall on half pixels: Cut's right edge at
  // 898.5 and Join's top at 385.5.
  EXPECT_EQ(platform::AccessibleChildAt(main.Window().accessible, 898, 371), 1);
  EXPECT_EQ(platform::AccessibleChildAt(main.Window().accessible, 899, 371), -1);
  EXPECT_EQ(platform::AccessibleChildAt(main.Window().accessible, 700, 385), -1);
  EXPECT_EQ(platform::AccessibleChildAt(main.Window().accessible, 700, 386), 2);

  main.Window().accessibleChanges.clear();
  main.ChangeScale(2.0);
  EXPECT_EQ(given(), expected(2.0));
  using Kind = platform::AccessibleChange::Kind;
  EXPECT_EQ(main.Window().accessibleChanges, (std::vector<platform::AccessibleChange>{
                                                 {Kind::Location, 0}, {Kind::Location, 1}, {Kind::Location, 2},
                                                 {Kind::Location, 3}}));
}

// The arrows reach at every scale the buttons they reach at 100 %, however
// the rounding of the edges falls (at 125 % Join's centre lies a pixel
// nearer Edit's than Cut's does, which would take Right from Edit to Join),
// and Enter then clicks the button they reached.
TEST(ScaledMainWindow, TheArrowsReachTheSameButtonsAtEveryScaleAndEnterClicksThere) {
  using platform::KeyCode;
  struct TMove {
    const char* from;
    KeyCode key;
    const char* to;
  } const moves[] = {
      {"edit", KeyCode::Right, "cut"}, {"cut", KeyCode::Down, "join"},   {"join", KeyCode::Up, "cut"},
      {"cut", KeyCode::Left, "edit"},  {"join", KeyCode::Left, "edit"},  {"edit", KeyCode::Up, "edit"},
      {"cut", KeyCode::Right, "cut"},  {"join", KeyCode::Down, "join"},  {"close", KeyCode::Down, "close"},
      {"close", KeyCode::Left, "close"},
  };
  for (const int dpi : {96, 98, 110, 120, 144, 216}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    TMainWindow main(dpi / 96.0);
    launcher::TfrmMain& form = *main.form;
    const std::map<std::string, controls::TQbVclImageButton*> buttons = {
        {"close", form.btnCloseFrm}, {"edit", form.btnEdit}, {"cut", form.btnCut}, {"join", form.btnJoin}};
    std::vector<std::string> clicked;
    for (const auto& [name, button] : buttons)
      button->OnClick = [&clicked, name = name](ui::TControl&) { clicked.push_back(name); };
    form.Show();
    for (const TMove& move : moves) {
      SCOPED_TRACE(std::string(move.from) + " key " + std::to_string(static_cast<int>(move.key)));
      form.SetFocusedControl(buttons.at(move.from));
      main.Key(move.key);
      EXPECT_EQ(form.FocusedControl(), buttons.at(move.to));
    }
    form.SetFocusedControl(form.btnEdit);
    main.Key(KeyCode::Right);
    main.Key(KeyCode::Enter);
    EXPECT_EQ(clicked, std::vector<std::string>{"cut"});
  }
}

// At 150 % the edges fall on half pixels: the pixels either side of each
// rounded edge belong to the control the layout gives them.
TEST(ScaledMainWindow, InputMeetsEachControlAtItsScaledPlace) {
  TMainWindow main(1.5);
  launcher::TfrmMain& form = *main.form;
  form.Show();
  struct TCase {
    int x, y;
    ui::TControl* control;
  } const cases[] = {
      {642, 300, form.btnCut},  {641, 300, form.imgBK},   // Cut's left edge, 428 x 1.5
      {898, 300, form.btnCut},  {899, 300, form.imgBK},   // its right edge, 898.5 rounded up
      {700, 371, form.btnCut},  {700, 372, form.imgBK},   // its bottom edge, 248 x 1.5
      {700, 385, form.imgBK},   {700, 386, form.btnJoin}, // Join's top edge, 385.5 rounded up
      {632, 300, form.btnEdit}, {633, 300, form.imgBK},   // Edit's right edge, 632.5 rounded up
      {1251, 6, form.btnCloseFrm}, {1280, 35, form.btnCloseFrm}, {1281, 35, form.imgBK},
  };
  for (const TCase& c : cases) EXPECT_EQ(form.ControlAt(c.x, c.y), c.control) << c.x << ", " << c.y;

  // A press and release on Cut's last pixel is a click there: Cut shows its
  // pressed picture, then its normal one.
  int clicks = 0;
  form.btnCut->OnClick = [&](ui::TControl&) { ++clicks; };
  main.Mouse(Type::MouseMove, 898, 371);
  main.Mouse(Type::MouseDown, 898, 371);
  ASSERT_NE(form.btnCut->Picture().Graphic(), nullptr);
  EXPECT_EQ(form.btnCut->Picture().Graphic()->ColourRow(60)[3 * 128],
            form.btnCut->PicMouseDown().Graphic()->ColourRow(60)[3 * 128]);
  main.Mouse(Type::MouseUp, 898, 371);
  EXPECT_EQ(clicks, 1);

  // A drag of the background by N device pixels moves the window N pixels.
  const int startX = main.Window().x, startY = main.Window().y;
  main.Mouse(Type::MouseMove, 100, 700);
  main.System().Mouse(Type::MouseDown, form.WindowId(), 100, 700);
  main.System().Mouse(Type::MouseMove, form.WindowId(), 100 + 37, 700 - 23);
  main.System().Mouse(Type::MouseUp, form.WindowId(), 100 + 37 - 37, 700 - 23 + 23);  // the window moved under it
  while (!main.System().queue.empty()) main.App().HandleMessage();
  EXPECT_EQ(main.Window().x, startX + 37);
  EXPECT_EQ(main.Window().y, startY - 23);
}

TEST(ScaledMainWindow, ANewScaleLaysTheWindowOutAgainWhereThePlatformPutIt) {
  TMainWindow main(1.0);
  main.form->Show();
  // Moved to a monitor at 150 %: the platform placed it as it suggests.
  main.Window().Move(40, 30);
  main.ChangeScale(1.5);
  EXPECT_EQ(main.Window().params.clientWidth, 1287);
  EXPECT_EQ(main.Window().params.clientHeight, 777);
  EXPECT_EQ(main.Window().x, 40);
  EXPECT_EQ(main.Window().y, 30);
  // The same frame as a window made at 150 % from the start.
  TMainWindow reference(1.5);
  reference.form->Show();
  const ui::TPngImage& frame = main.Window().screen;
  const ui::TPngImage& expected = reference.Window().screen;
  ASSERT_EQ(frame.Width(), expected.Width());
  ASSERT_EQ(frame.Height(), expected.Height());
  for (int y = 0; y < frame.Height(); ++y)
    ASSERT_EQ(0, std::memcmp(frame.ColourRow(y), expected.ColourRow(y), 3 * static_cast<std::size_t>(frame.Width())))
        << "row " << y;
  // And back to 100 %.
  main.ChangeScale(1.0);
  EXPECT_EQ(main.form->ClientWidth(), 858);
  EXPECT_EQ(main.form->btnCut->Left(), 428);
  EXPECT_EQ(main.form->btnCut->PicNormal().Width(), 171);
}

}  // namespace
