#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "controls/QbVclImageButton.h"
#include "ui/TextService.h"

using controls::TQbVclImageButton;
using testsupport::FakeTextEngine;
using testsupport::LoadFixture;
using testsupport::RepaintRecorder;
using testsupport::SameImage;
using ui::TPngImage;

namespace {

ui::TPicture& Holder(const TPngImage& image) {
  static ui::TPicture holder;
  holder.Assign(image);
  return holder;
}

// The fade of `from` towards `to` at `level`, computed byte by byte.
TPngImage Blend(const TPngImage& from, const TPngImage& to, int level) {
  TPngImage out = from;
  for (int y = 0; y < from.Height(); ++y) {
    for (int i = 0; i < 3 * from.Width(); ++i)
      out.ColourRow(y)[i] = static_cast<std::uint8_t>(((255 - level) * from.ColourRow(y)[i]) / 255 +
                                                      (level * to.ColourRow(y)[i]) / 255);
    for (int x = 0; x < from.Width(); ++x)
      out.AlphaRow(y)[x] =
          static_cast<std::uint8_t>(((255 - level) * from.AlphaRow(y)[x]) / 255 + (level * to.AlphaRow(y)[x]) / 255);
  }
  return out;
}

TPngImage WithSmall(const TPngImage& base, const TPngImage& small, int x, int y) {
  TPngImage out = base;
  out.Draw(x, y, small);
  return out;
}

class ButtonTest : public ::testing::Test {
 protected:
  ButtonTest() : scoped_(text) {}

  // A button like the launcher's: animation off, the four state pictures and
  // a small picture set through the setters.
  std::unique_ptr<TQbVclImageButton> MakeButton(bool animation = false) {
    auto button = std::make_unique<TQbVclImageButton>(&sink);
    button->SetEnableAnimation(animation);
    button->SetPicNormal(Holder(normal));
    button->SetPicMouseOn(Holder(mouseOn));
    button->SetPicMouseDown(Holder(mouseDown));
    button->SetPicDisabled(Holder(disabled));
    button->SetPicSmallNormal(Holder(small));
    button->SetPicSmallDisabled(Holder(smallDisabled));
    Record(*button);
    sink.Reset();
    text.draws.clear();
    return button;
  }

  void Record(TQbVclImageButton& button) {
    button.OnMouseEnter = [this](ui::TControl&) { events.push_back("enter"); };
    button.OnMouseLeave = [this](ui::TControl&) { events.push_back("leave"); };
    button.OnMouseDown = [this](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) {
      events.push_back("down");
    };
    button.OnMouseUp = [this](ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) {
      events.push_back("up");
    };
    button.OnClick = [this](ui::TControl&) { events.push_back("click"); };
  }

  static const TPngImage& Shown(TQbVclImageButton& button) {
    static const TPngImage none;
    const TPngImage* shown = button.Picture().Graphic();
    return shown != nullptr ? *shown : none;
  }

  FakeTextEngine text;
  RepaintRecorder sink;
  std::vector<std::string> events;
  const TPngImage normal = LoadFixture("normal_171x78.png");
  const TPngImage mouseOn = LoadFixture("mouseon_171x78.png");
  const TPngImage mouseDown = LoadFixture("mousedown_171x78.png");
  const TPngImage disabled = LoadFixture("disabled_171x78.png");
  const TPngImage small = LoadFixture("small_20x12.png");
  const TPngImage smallDisabled = LoadFixture("small_disabled_20x12.png");

 private:
  ui::ScopedTextEngine scoped_;
};

TEST_F(ButtonTest, ConstructionSetsTheInitialValuesAndDrawsNothing) {
  TQbVclImageButton button(&sink);
  EXPECT_TRUE(button.PicNormal().Empty());
  EXPECT_TRUE(button.PicSmallDisabled().Empty());
  EXPECT_TRUE(button.Enabled());
  EXPECT_FALSE(button.NeedStretch());
  EXPECT_EQ(button.Caption(), u"");
  EXPECT_EQ(button.CaptionLeft(), 40);
  EXPECT_EQ(button.CaptionTop(), 8);
  EXPECT_EQ(button.PicSmallPosLeft(), 10);
  EXPECT_EQ(button.PicSmallPosTop(), 7);
  EXPECT_EQ(button.AnimationStart(), 0);
  EXPECT_EQ(button.AnimationEnd(), 64);
  EXPECT_EQ(button.AnimationParam(), 4);
  EXPECT_TRUE(button.EnableAnimation());
  EXPECT_EQ(button.CaptionAlign(), controls::taCustom);
  EXPECT_EQ(sizeof(controls::TTextAlign), 1u);
  EXPECT_EQ(button.Cursor(), ui::crHandPoint);
  EXPECT_TRUE(button.AutoSize());
  EXPECT_TRUE(button.Picture().Empty());
  for (ui::TFont* font : {&button.Font(), &button.FontDisable()}) {
    EXPECT_EQ(font->Name(), u"Tahoma");
    EXPECT_EQ(font->Height(), -11);
    EXPECT_EQ(font->Size(), 8);
    EXPECT_EQ(font->Style(), ui::fsBold);
    EXPECT_EQ(font->Charset(), ui::DEFAULT_CHARSET);
  }
  EXPECT_EQ(button.Font().Color(), 0x000000u);
  EXPECT_EQ(button.FontDisable().Color(), 0x808080u);
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_TRUE(text.draws.empty());
}

TEST_F(ButtonTest, TakesItsSizeFromPicNormal) {
  TQbVclImageButton button(&sink);
  button.SetBounds(7, 9, 100, 50);
  button.SetPicNormal(Holder(normal));
  EXPECT_EQ(button.Width(), 171);
  EXPECT_EQ(button.Height(), 78);
  EXPECT_EQ(button.Left(), 7);
  EXPECT_FALSE(button.AutoSize());
  EXPECT_TRUE(SameImage(Shown(button), normal));
  ASSERT_FALSE(sink.frames.empty());
  EXPECT_TRUE(SameImage(sink.frames.back(), normal));
}

TEST_F(ButtonTest, PicturesLoadedWithoutTheSetterRunOnlyPicNormalsHandler) {
  TQbVclImageButton button(&sink);
  button.SetEnableAnimation(false);
  button.PicNormal().Assign(normal);
  EXPECT_EQ(button.Width(), 171);
  EXPECT_FALSE(button.AutoSize());
  EXPECT_EQ(sink.frames.size(), 1u);
  EXPECT_TRUE(SameImage(Shown(button), normal));

  sink.Reset();
  button.PicMouseOn().Assign(mouseOn);
  button.PicDisabled().Assign(disabled);
  button.PicSmallNormal().Assign(small);
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_EQ(sink.invalidations, 0);
  EXPECT_TRUE(SameImage(Shown(button), normal));

  // Loading a font attribute runs the font's handler: redrawn in that font.
  button.SetCaption(u"Go");
  sink.Reset();
  button.Font().SetColor(0x0000FF);
  EXPECT_EQ(sink.frames.size(), 1u);
  ASSERT_FALSE(text.draws.empty());
  EXPECT_EQ(text.draws.back().colour, 0x0000FFu);
}

TEST_F(ButtonTest, EnabledButtonFollowsTheMouse) {
  auto button = MakeButton();
  const TPngImage normalShown = WithSmall(normal, small, 10, 7);
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<const TPngImage*> frames;  // what each immediate repaint showed
    std::vector<std::string> events;
  };
  const TPngImage hover = WithSmall(mouseOn, small, 10, 7);
  const TPngImage pressed = WithSmall(mouseDown, small, 11, 8);
  const Step steps[] = {
      {"enter", [&] { button->PerformMouseEnter(); }, {&hover}, {"enter"}},
      {"press", [&] { button->PerformMouseDown(ui::mbLeft, 0, 5, 5); }, {&pressed}, {"down"}},
      {"release inside", [&] { button->PerformMouseUp(ui::mbLeft, 0, 5, 5); }, {&normalShown, &normalShown},
       {"click", "up"}},
      {"leave", [&] { button->PerformMouseLeave(); }, {&normalShown}, {"leave"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    sink.Reset();
    events.clear();
    step.act();
    ASSERT_EQ(sink.frames.size(), step.frames.size());
    for (std::size_t i = 0; i < step.frames.size(); ++i) EXPECT_TRUE(SameImage(sink.frames[i], *step.frames[i]));
    EXPECT_EQ(events, step.events);
    EXPECT_EQ(button->Cursor(), ui::crHandPoint);
  }
}

TEST_F(ButtonTest, ClickDrawsTheNormalPictureBeforeOnClickRuns) {
  auto button = MakeButton();
  TPngImage seenInClick;
  button->OnClick = [&](ui::TControl&) { seenInClick = Shown(*button); };
  button->PerformMouseEnter();
  button->PerformMouseDown(ui::mbLeft, 0, 1, 1);
  button->PerformMouseUp(ui::mbLeft, 0, 1, 1);
  EXPECT_TRUE(SameImage(seenInClick, WithSmall(normal, small, 10, 7)));
}

TEST_F(ButtonTest, ReleasesThatAreNoClickShowTheMouseOnPicture) {
  struct Case {
    const char* name;
    ui::TMouseButton button;
    int upX;
  } const cases[] = {{"left released outside", ui::mbLeft, 400}, {"right button", ui::mbRight, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto button = MakeButton();
    button->PerformMouseEnter();
    button->PerformMouseDown(c.button, 0, 5, 5);
    EXPECT_TRUE(SameImage(Shown(*button), WithSmall(mouseDown, small, 11, 8)));
    events.clear();
    button->PerformMouseUp(c.button, 0, c.upX, 5);
    EXPECT_TRUE(SameImage(Shown(*button), WithSmall(mouseOn, small, 10, 7)));
    EXPECT_EQ(events, std::vector<std::string>{"up"});
  }
}

TEST_F(ButtonTest, DisabledButtonIgnoresTheMouseAndKeepsTheDefaultCursor) {
  auto button = MakeButton();
  button->SetCaption(u"Cut");
  // Through the base class too: the button's own flag and look change, and
  // it stays the control that receives the mouse.
  static_cast<ui::TControl&>(*button).SetEnabled(false);
  EXPECT_TRUE(static_cast<ui::TControl&>(*button).Enabled()) << "still routed";
  TPngImage expected = WithSmall(disabled, smallDisabled, 10, 7);
  ASSERT_FALSE(text.draws.empty());
  EXPECT_EQ(text.draws.back().colour, 0x808080u);
  text.DrawRun(button->FontDisable().Request(), u"Cut", 0x808080, {expected.ColourRow(0), 171, 78, 171 * 3}, 40, 8);
  EXPECT_TRUE(SameImage(Shown(*button), expected));

  sink.Reset();
  events.clear();
  button->PerformMouseEnter();
  button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
  button->PerformMouseUp(ui::mbLeft, 0, 5, 5);
  button->PerformMouseDown(ui::mbRight, 0, 5, 5);
  button->PerformMouseUp(ui::mbRight, 0, 500, 5);
  button->PerformMouseLeave();
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_EQ(sink.invalidations, 0);
  EXPECT_TRUE(SameImage(Shown(*button), expected));
  EXPECT_EQ(button->Cursor(), ui::crDefault);

  button->SetEnabled(true);
  EXPECT_EQ(button->Cursor(), ui::crDefault);
  button->PerformMouseEnter();
  EXPECT_EQ(events, std::vector<std::string>{"enter"});
}

TEST_F(ButtonTest, EmptyStatePicturesFallBackToTheNormalPicture) {
  auto button = MakeButton();
  button->SetPicMouseOn(ui::TPicture());
  button->SetPicMouseDown(ui::TPicture());
  button->PerformMouseEnter();
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(normal, small, 10, 7)));
  button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(normal, small, 11, 8)));

  // Disabled without a disabled picture: the plain normal picture, with no
  // small picture and no caption.
  button->SetCaption(u"Join");
  button->SetPicDisabled(ui::TPicture());
  text.draws.clear();
  button->SetEnabled(false);
  EXPECT_TRUE(SameImage(Shown(*button), normal));
  EXPECT_TRUE(text.draws.empty());
}

TEST_F(ButtonTest, SmallPictureRules) {
  auto button = MakeButton();
  // The mouse-on and mouse-down small pictures are stored, never drawn.
  button->SetPicSmallMouseOn(Holder(smallDisabled));
  button->SetPicSmallMouseDown(Holder(smallDisabled));
  EXPECT_FALSE(button->PicSmallMouseOn().Empty());
  button->PerformMouseEnter();
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(mouseOn, small, 10, 7)));
  button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(mouseDown, small, 11, 8)));

  // Moving the small picture redraws the normal state.
  button->SetPicSmallPosLeft(150);
  button->SetPicSmallPosTop(-4);
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(normal, small, 150, -4)));

  // Disabled without a disabled small picture: none, even with a normal one.
  button->SetPicSmallDisabled(ui::TPicture());
  button->SetEnabled(false);
  EXPECT_TRUE(SameImage(Shown(*button), disabled));
}

TEST_F(ButtonTest, CaptionPlacement) {
  text.fixedWidth = 30;  // every caption measures 30 x 13
  struct Case {
    controls::TTextAlign align;
    bool pressed;
    int width;
    int x, y;
  } const cases[] = {
      {controls::taCustom, false, 30, 40, 8},   {controls::taCustom, true, 30, 41, 9},
      {controls::taLeft, false, 30, 41, 40},    {controls::taLeft, true, 30, 41, 40},
      {controls::taCenter, false, 30, 110, 40}, {controls::taCenter, true, 30, 110, 40},
      {controls::taRight, false, 30, 180, 40},  {controls::taRight, true, 30, 180, 40},
      {controls::taCenter, false, 200, 26, 40},  // (171 - 200) div 2 is -14: toward zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.align) << (c.pressed ? " pressed" : "") << " w=" << c.width);
    text.fixedWidth = c.width;
    auto button = MakeButton();
    button->SetCaption(u"Cut");
    button->SetCaptionAlign(c.align);
    if (c.pressed) button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
    ASSERT_FALSE(text.draws.empty());
    const FakeTextEngine::Draw& draw = text.draws.back();
    EXPECT_EQ(draw.text, u"Cut");
    EXPECT_EQ(draw.x, c.x);
    EXPECT_EQ(draw.y, c.y);
    EXPECT_EQ(draw.colour, 0x000000u);
    EXPECT_EQ(draw.font.face, u"Tahoma");
    EXPECT_EQ(draw.font.height, -11);
    EXPECT_TRUE(draw.font.bold);
    // The fake engine paints the measured box: its corner pixel is black.
    if (c.x >= 0 && c.x < 171) {
      const std::uint8_t* corner = Shown(*button).ColourRow(c.y) + 3 * c.x;
      EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
    }
  }
}

TEST_F(ButtonTest, PropertyChangesDrawTheNormalStateButPicMouseOnDoesNot) {
  auto button = MakeButton();
  button->PerformMouseEnter();
  sink.Reset();
  button->SetPicMouseOn(Holder(mouseDown));
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(mouseOn, small, 10, 7)));

  button->SetCaptionLeft(12);
  EXPECT_EQ(sink.frames.size(), 1u);
  EXPECT_TRUE(SameImage(Shown(*button), WithSmall(normal, small, 10, 7)));

  // Store-only properties redraw nothing.
  sink.Reset();
  button->SetAnimationStart(3);
  button->SetAnimationEnd(9);
  button->SetAnimationParam(7);
  button->SetNeedStretch(false);
  button->SetEnableAnimation(true);
  EXPECT_TRUE(sink.frames.empty());
}

TEST_F(ButtonTest, StatePicturesOfAnotherSizeAreClipped) {
  auto button = MakeButton();
  const TPngImage otherSize = LoadFixture("mouseon_100x40.png");
  button->SetPicMouseOn(Holder(otherSize));
  button->PerformMouseEnter();
  // The working image is the 100 x 40 picture; the blend covers only where
  // it overlaps the normal picture's area.
  TPngImage expected = normal;
  const TPngImage working = WithSmall(otherSize, small, 10, 7);
  for (int y = 0; y < 40; ++y) {
    std::copy_n(working.ColourRow(y), 300, expected.ColourRow(y));
    std::copy_n(working.AlphaRow(y), 100, expected.AlphaRow(y));
  }
  EXPECT_TRUE(SameImage(Shown(*button), expected));
}

// Level of each repainted frame, read from pixel (0, 0): its red byte is 0 in
// the normal picture and 255 in the mouse-on picture.
std::vector<int> FrameLevels(const std::vector<TPngImage>& frames) {
  std::vector<int> levels;
  for (const TPngImage& frame : frames) levels.push_back(frame.ColourRow(0)[0]);
  return levels;
}

TEST_F(ButtonTest, HoverAndClickAnimations) {
  auto button = MakeButton(true);
  button->SetPicSmallNormal(ui::TPicture());
  sink.Reset();

  button->PerformMouseEnter();  // arms the animation and plays the hover
  std::vector<int> hover;
  for (int level = 0; level <= 252; level += 4) hover.push_back(level);
  hover.push_back(255);
  ASSERT_EQ(sink.frames.size(), 65u);
  EXPECT_EQ(FrameLevels(sink.frames), hover);
  for (std::size_t i = 0; i < sink.frames.size(); ++i)
    ASSERT_TRUE(SameImage(sink.frames[i], Blend(normal, mouseOn, hover[i]))) << "frame " << i;
  EXPECT_TRUE(SameImage(sink.frames.front(), normal));

  // A click fades in 33 steps towards the normal picture with the small one.
  button->SetPicSmallNormal(Holder(small));
  button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
  sink.Reset();
  button->PerformMouseUp(ui::mbLeft, 0, 5, 5);
  std::vector<int> fade;
  for (int level = 0; level <= 248; level += 8) fade.push_back(level);
  fade.push_back(255);
  ASSERT_EQ(sink.frames.size(), 33u + 65u);  // the click's fade, then the mouse-up
  const TPngImage target = WithSmall(normal, small, 10, 7);
  for (std::size_t i = 0; i < fade.size(); ++i)
    ASSERT_TRUE(SameImage(sink.frames[i], Blend(normal, target, fade[i]))) << "frame " << i;
  for (std::size_t i = 0; i < hover.size(); ++i)
    ASSERT_TRUE(SameImage(sink.frames[33 + i], Blend(normal, target, hover[i]))) << "frame " << 33 + i;
}

TEST_F(ButtonTest, AnimationRangesAndLevels) {
  struct Case {
    const char* name;
    int start, end, param;
    std::vector<int> levels;
  } const cases[] = {
      {"param 300", 0, 3, 300, {0, 255, 255, 255}},
      {"negative levels wrap to one byte", -2, 1, 4, {248, 252, 0, 4}},
      {"empty range", 10, 5, 4, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto button = MakeButton(true);
    button->SetAnimationStart(c.start);
    button->SetAnimationEnd(c.end);
    button->SetAnimationParam(c.param);
    button->PerformMouseEnter();
    EXPECT_EQ(FrameLevels(sink.frames), c.levels);
    if (c.levels.empty()) {
      // Nothing blended: the plain normal picture, no caption or small one.
      EXPECT_TRUE(SameImage(Shown(*button), normal));
    }
  }
}

TEST_F(ButtonTest, EnableAnimationOnlyPermitsTheMouseEnterToArm) {
  auto button = MakeButton(true);
  button->SetCaptionLeft(20);
  EXPECT_EQ(sink.frames.size(), 1u);  // not armed yet
  button->PerformMouseEnter();
  sink.Reset();
  button->SetCaptionLeft(21);  // armed: property changes animate too
  EXPECT_EQ(sink.frames.size(), 65u);
  sink.Reset();
  button->PerformMouseLeave();
  EXPECT_EQ(sink.frames.size(), 65u);
  button->SetEnableAnimation(false);
  sink.Reset();
  button->SetCaptionLeft(22);
  EXPECT_EQ(sink.frames.size(), 1u);
  button->SetEnableAnimation(true);
  sink.Reset();
  button->SetCaptionLeft(23);
  EXPECT_EQ(sink.frames.size(), 1u);
}

// Column x of `stretched` must be column sourceColumn(x) of `source`.
template <typename Map>
::testing::AssertionResult StretchedFrom(const TPngImage& stretched, const TPngImage& source, int width,
                                         Map sourceColumn) {
  if (stretched.Width() != width || stretched.Height() != source.Height())
    return ::testing::AssertionFailure() << "size " << stretched.Width() << "x" << stretched.Height();
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < width; ++x) {
      const int sx = sourceColumn(x);
      for (int c = 0; c < 3; ++c)
        if (stretched.ColourRow(y)[3 * x + c] != source.ColourRow(y)[3 * sx + c])
          return ::testing::AssertionFailure() << "colour at " << x << "," << y;
      if (stretched.AlphaRow(y)[x] != source.AlphaRow(y)[sx])
        return ::testing::AssertionFailure() << "alpha at " << x << "," << y;
    }
  return ::testing::AssertionSuccess();
}

TEST_F(ButtonTest, StretchOnResizeAndOnMove) {
  auto button = MakeButton();
  button->SetNeedStretch(true);
  button->SetWidth(300);
  const auto map300 = [](int x) { return x < 42 ? x : (x < 258 ? 42 : x - 258 + 129); };
  EXPECT_EQ(button->Width(), 300);
  EXPECT_EQ(button->Height(), 78);
  EXPECT_TRUE(StretchedFrom(*button->PicNormal().Graphic(), normal, 300, map300));
  EXPECT_TRUE(StretchedFrom(*button->PicMouseOn().Graphic(), mouseOn, 300, map300));
  EXPECT_TRUE(StretchedFrom(*button->PicMouseDown().Graphic(), mouseDown, 300, map300));
  EXPECT_TRUE(StretchedFrom(*button->PicDisabled().Graphic(), disabled, 300, map300));
  EXPECT_TRUE(SameImage(*button->PicSmallNormal().Graphic(), small));  // never stretched
  EXPECT_TRUE(SameImage(sink.frames.back(), WithSmall(*button->PicNormal().Graphic(), small, 10, 7)));

  // A move alone stretches too: the middle becomes copies of column 42.
  auto moved = MakeButton();
  moved->SetNeedStretch(true);
  moved->SetLeft(5);
  EXPECT_EQ(moved->Width(), 171);
  const auto map171 = [](int x) { return x < 42 || x >= 129 ? x : 42; };
  EXPECT_TRUE(StretchedFrom(*moved->PicNormal().Graphic(), normal, 171, map171));
  EXPECT_TRUE(StretchedFrom(*moved->PicDisabled().Graphic(), disabled, 171, map171));
}

TEST_F(ButtonTest, StretchEdgeWidthsComeFromPicNormal) {
  // No normal picture: edges of 1; nothing is shown.
  TQbVclImageButton noNormal(&sink);
  noNormal.SetPicMouseOn(Holder(mouseOn));
  noNormal.SetNeedStretch(true);
  noNormal.SetBounds(0, 0, 50, 78);
  EXPECT_TRUE(StretchedFrom(*noNormal.PicMouseOn().Graphic(), mouseOn, 50,
                            [](int x) { return x == 0 ? 0 : (x < 49 ? 1 : 170); }));
  EXPECT_TRUE(noNormal.Picture().Empty());

  // A normal picture under 4 pixels wide: edges of 0, every column is column 0.
  TQbVclImageButton narrow(&sink);
  const TPngImage narrowPicture = LoadFixture("narrow_3x10.png");
  narrow.SetPicNormal(Holder(narrowPicture));
  narrow.SetPicMouseOn(Holder(mouseOn));
  narrow.SetNeedStretch(true);
  narrow.SetWidth(40);
  EXPECT_EQ(narrow.Width(), 40);
  EXPECT_EQ(narrow.Height(), 10);
  EXPECT_TRUE(StretchedFrom(*narrow.PicNormal().Graphic(), narrowPicture, 40, [](int) { return 0; }));
  EXPECT_TRUE(StretchedFrom(*narrow.PicMouseOn().Graphic(), mouseOn, 40, [](int) { return 0; }));

  // A state picture of another size takes PicNormal's edges, clipped.
  auto other = MakeButton();
  const TPngImage otherSize = LoadFixture("mouseon_100x40.png");
  other->SetPicMouseOn(Holder(otherSize));
  other->SetNeedStretch(true);
  other->SetWidth(120);
  EXPECT_TRUE(StretchedFrom(*other->PicMouseOn().Graphic(), otherSize, 120,
                            [](int x) { return x < 42 ? x : (x < 78 ? 42 : x - 78 + 58); }));
}

TEST_F(ButtonTest, StretchToAWidthBelowOneFailsAndChangesNoPicture) {
  auto button = MakeButton();
  button->SetNeedStretch(true);
  button->PerformMouseEnter();
  const TPngImage shown = Shown(*button);
  sink.Reset();
  EXPECT_THROW(button->SetWidth(0), ui::EInvalidImageSize);
  EXPECT_EQ(button->Width(), 0);  // the bounds changed before the stretch
  EXPECT_TRUE(SameImage(*button->PicNormal().Graphic(), normal));
  EXPECT_TRUE(SameImage(*button->PicMouseOn().Graphic(), mouseOn));
  EXPECT_TRUE(SameImage(*button->PicDisabled().Graphic(), disabled));
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_TRUE(SameImage(Shown(*button), shown));
}

}  // namespace

namespace {

TEST_F(ButtonTest, KeysPressAndClickItAsTheMouseDoes) {
  auto button = MakeButton();
  button->SetTabStop(true);
  EXPECT_TRUE(button->CanFocus());
  const TPngImage normalShown = WithSmall(normal, small, 10, 7);
  const TPngImage hover = WithSmall(mouseOn, small, 10, 7);
  const TPngImage pressed = WithSmall(mouseDown, small, 11, 8);
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<const TPngImage*> frames;
    std::vector<std::string> events;
  };
  const Step steps[] = {
      {"Enter: the click's drawing, OnClick, then the mouse-up's", [&] { button->PerformClick(); },
       {&normalShown, &normalShown}, {"click"}},
      {"Space down: pressed", [&] { button->PerformKeyPress(); }, {&pressed}, {}},
      {"the pointer comes and goes: still pressed",
       [&] {
         button->PerformMouseEnter();
         button->PerformMouseLeave();
       },
       {&pressed, &pressed}, {"enter", "leave"}},
      {"Space up: a click", [&] { button->PerformKeyPressEnd(true); }, {&normalShown, &normalShown}, {"click"}},
      {"cancelled under the pointer: mouse-on",
       [&] {
         button->PerformMouseEnter();
         button->PerformKeyPress();
         button->PerformKeyPressEnd(false);
       },
       {&hover, &pressed, &hover}, {"enter"}},
      {"cancelled away from it: normal",
       [&] {
         button->PerformMouseLeave();
         button->PerformKeyPress();
         button->PerformKeyPressEnd(false);
       },
       {&normalShown, &pressed, &normalShown}, {"leave"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    sink.Reset();
    events.clear();
    step.act();
    ASSERT_EQ(sink.frames.size(), step.frames.size());
    for (std::size_t i = 0; i < step.frames.size(); ++i) EXPECT_TRUE(SameImage(sink.frames[i], *step.frames[i]));
    EXPECT_EQ(events, step.events);
  }
  // After a key's click a press released outside still shows mouse-on, as
  // after a mouse click.
  button->PerformClick();
  button->PerformMouseDown(ui::mbLeft, 0, 5, 5);
  button->PerformMouseUp(ui::mbLeft, 0, 500, 5);
  EXPECT_TRUE(SameImage(Shown(*button), hover));
}

TEST_F(ButtonTest, DisabledButtonTakesNoFocusAndIgnoresKeys) {
  auto button = MakeButton();
  button->SetTabStop(true);
  button->SetEnabled(false);
  EXPECT_FALSE(button->CanFocus());
  const TPngImage before = Shown(*button);
  sink.Reset();
  button->PerformClick();
  button->PerformKeyPress();
  button->PerformKeyPressEnd(true);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_TRUE(SameImage(Shown(*button), before));
  button->SetEnabled(true);
  EXPECT_TRUE(button->CanFocus());
}

}  // namespace
