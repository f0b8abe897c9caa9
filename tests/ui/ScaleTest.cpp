// The display scale: rounding the layout to device pixels, reducing
// pictures with an area average, pictures decoded on first need, and a form
// that follows its window's scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Picture.h"
#include "ui/PngImage.h"
#include "ui/PictureView.h"
#include "ui/Resample.h"
#include "ui/Scale.h"

namespace {

using testsupport::FakeWindow;
using testsupport::FakeWindowSystem;
using Type = platform::WindowEvent::Type;

TEST(Scale, FactorsDensitiesAndPercentagesAreHeldExactlyAndLimitedToOneToThree) {
  struct TCase {
    ui::TScale scale;
    double factor;
  } const cases[] = {
      {ui::TScale(), 1.0},
      {ui::TScale::FromDpi(120), 1.25},
      {ui::TScale::FromDpi(144), 1.5},
      {ui::TScale::FromDpi(192), 2.0},
      {ui::TScale::FromFactor(1.3), 1.3},
      {ui::TScale::FromPercent(175), 1.75},
      {ui::TScale::FromFactor(0.5), 1.0},   // below 1: 1
      {ui::TScale::FromDpi(72), 1.0},
      {ui::TScale::FromFactor(4.0), 3.0},   // above 3: 3
      {ui::TScale::FromDpi(480), 3.0},
      {ui::TScale::FromFactor(std::numeric_limits<double>::quiet_NaN()), 1.0},
      {ui::TScale::FromFactor(std::numeric_limits<double>::infinity()), 1.0},
  };
  for (const TCase& c : cases) EXPECT_DOUBLE_EQ(c.scale.Factor(), c.factor);
  EXPECT_EQ(ui::TScale::FromDpi(144), ui::TScale::FromFactor(1.5));
  EXPECT_EQ(ui::TScale::FromPercent(125), ui::TScale::FromDpi(120));
  EXPECT_TRUE(ui::TScale::FromDpi(96).IsIdentity());
}

TEST(Scale, EdgesRoundHalfUpAndLengthsKeepTheirSign) {
  struct TCase {
    int dpi, value, edge, length;
  } const cases[] = {
      {96, 858, 858, 858},    {120, 858, 1073, 1073},  // 1072.5
      {120, 518, 648, 648},   {144, 858, 1287, 1287}, {144, 518, 777, 777},
      {192, 858, 1716, 1716}, {288, 518, 1554, 1554},
      {144, 251, 377, 377},   // 376.5
      {144, -11, -16, -17},   // an edge at -16.5 rounds up, a font height away from zero
      {144, -3, -4, -5},      // -4.5
      {120, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, " + std::to_string(c.value));
    EXPECT_EQ(ui::TScale::FromDpi(c.dpi).Edge(c.value), c.edge);
    EXPECT_EQ(ui::TScale::FromDpi(c.dpi).Length(c.value), c.length);
  }
  // The far ends of int neither overflow nor wrap.
  EXPECT_EQ(ui::TScale::FromDpi(288).Edge(std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
  EXPECT_EQ(ui::TScale::FromDpi(288).Length(std::numeric_limits<int>::min()), std::numeric_limits<int>::min());
}

// At every density from 96 to 288 dpi, the main window's neighbours keep
// the relation they have at 96 dpi: controls that meet still meet, a gap
// stays a gap, and the right edge of the close button keeps its distance
// from the client area's right edge.
TEST(Scale, EdgeRoundingKeepsNeighboursAsTheLayoutHasThem) {
  for (int dpi = 96; dpi <= 288; ++dpi) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const ui::TScale s = ui::TScale::FromDpi(dpi);
    const ui::TRect edit = s.Bounds(251, 170, 171, 165);
    const ui::TRect cut = s.Bounds(428, 170, 171, 78);
    const ui::TRect join = s.Bounds(428, 257, 171, 78);
    const ui::TRect close = s.Bounds(834, 4, 20, 20);
    EXPECT_EQ(cut.left, join.left);
    EXPECT_EQ(cut.width, join.width);
    EXPECT_EQ(edit.top, cut.top);
    EXPECT_EQ(edit.top + edit.height, join.top + join.height);  // Edit spans Cut, gap and Join
    EXPECT_GE(join.top - (cut.top + cut.height), 1);            // 9 pixels at 96 dpi
    EXPECT_GE(cut.left - (edit.left + edit.width), 1);          // 6 pixels at 96 dpi
    EXPECT_EQ(s.Edge(858) - (close.left + close.width), s.Edge(858) - s.Edge(854));
    // A control the size of the client area covers it exactly.
    EXPECT_EQ(s.Bounds(0, 0, 858, 518), (ui::TRect{0, 0, s.Edge(858), s.Edge(518)}));
    // Touching rectangles touch: no pixel between them, none shared.
    for (int x = 0; x < 40; ++x) {
      const ui::TRect a = s.Bounds(x, 0, 7, 1);
      const ui::TRect b = s.Bounds(x + 7, 0, 5, 1);
      ASSERT_EQ(a.left + a.width, b.left);
    }
  }
}

ui::TPngImage Pixels(int w, int h, const std::vector<int>& rgba) {
  ui::TPngImage image(w, h, true);
  for (int i = 0; i < w * h; ++i) {
    const int y = i / w, x = i % w;
    for (int c = 0; c < 3; ++c) image.ColourRow(y)[3 * x + c] = static_cast<std::uint8_t>(rgba[4 * i + c]);
    image.AlphaRow(y)[x] = static_cast<std::uint8_t>(rgba[4 * i + 3]);
  }
  return image;
}

std::vector<int> Rgba(const ui::TPngImage& image, int x, int y) {
  const std::uint8_t* p = image.ColourRow(y) + 3 * x;
  return {p[0], p[1], p[2], image.HasAlpha() ? image.AlphaRow(y)[x] : 255};
}

TEST(ReduceAreaAverage, EachPixelIsTheAverageOfTheAreaItCoversWeightedByAlpha) {
  struct TCase {
    const char* what;
    ui::TPngImage source;
    int width, height;
    std::vector<std::vector<int>> expected;  // the result's pixels, row by row
  };
  const TCase cases[] = {
      // 2 x 2 to 1: the plain mean (a nearest-neighbour pick would give one of them).
      {"halved", Pixels(2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 100, 0, 0, 255, 0, 100, 0, 255}), 1, 1,
       {{89, 89, 64, 255}}},
      // 3 to 2: the middle pixel counts half for each.
      {"three to two", Pixels(3, 1, {30, 0, 0, 255, 90, 0, 0, 255, 210, 0, 0, 255}), 2, 1,
       {{50, 0, 0, 255}, {170, 0, 0, 255}}},
      // A transparent red pixel lends no red; the alpha is the mean of the alphas.
      {"colour by alpha", Pixels(2, 1, {255, 0, 0, 0, 0, 0, 255, 255}), 1, 1, {{0, 0, 255, 128}}},
      {"all transparent", Pixels(2, 1, {255, 0, 0, 0, 0, 255, 0, 0}), 1, 1, {{0, 0, 0, 0}}},
      {"same size", Pixels(2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), 2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ui::TPngImage result = ui::ReduceAreaAverage(c.source, c.width, c.height);
    ASSERT_EQ(result.Width(), c.width);
    ASSERT_EQ(result.Height(), c.height);
    for (int i = 0; i < c.width * c.height; ++i)
      EXPECT_EQ(Rgba(result, i % c.width, i / c.width), c.expected[static_cast<std::size_t>(i)]) << "pixel " << i;
  }
}

TEST(ReduceAreaAverage, AFineCheckerboardBecomesEvenGreyAndAPictureWithoutAlphaStaysWithout) {
  // 300 x 200 to 250 x 150 (the ratio of the 300 % set to 250 %): every
  // result pixel covers as much black as white, within rounding.
  ui::TPngImage board(300, 200, false);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      for (int c = 0; c < 3; ++c) board.ColourRow(y)[3 * x + c] = ((x + y) % 2 == 0) ? 0 : 255;
  const ui::TPngImage grey = ui::ReduceAreaAverage(board, 250, 150);
  EXPECT_FALSE(grey.HasAlpha());
  int lowest = 255, highest = 0;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 250; ++x) {
      lowest = std::min<int>(lowest, grey.ColourRow(y)[3 * x]);
      highest = std::max<int>(highest, grey.ColourRow(y)[3 * x]);
    }
  // A pixel covers 1.2 x 1.33 source pixels: at most (2 - 1.2) x (2 - 1.33)
  // of that area more of one colour than of the other, so between a third
  // and two thirds of it is white (a pick of single pixels gives 0 or 255).
  EXPECT_GE(lowest, 85);
  EXPECT_LE(highest, 170);
  EXPECT_THROW(ui::ReduceAreaAverage(board, 0, 10), ui::EInvalidImageSize);
  EXPECT_TRUE(ui::ReduceAreaAverage(ui::TPngImage(), 5, 5).Empty());
}

TEST(DeferredPicture, IsMadeOnceWhenFirstAskedForAndEmptyWhenMakingFails) {
  ui::TPicture picture;
  int announced = 0;
  picture.OnChange = [&] { ++announced; };
  int made = 0;
  picture.AssignDeferred([&](ui::TPngImage& image) {
    ++made;
    image = ui::TPngImage(4, 3, true);
    return true;
  });
  EXPECT_EQ(announced, 1);
  EXPECT_FALSE(picture.Empty());
  EXPECT_TRUE(picture.Deferred());
  EXPECT_EQ(made, 0) << "nothing is made before it is asked for";
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(picture.Height(), 3);
  EXPECT_FALSE(picture.Deferred());
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(announced, 1) << "making it announces nothing";

  // A copy into another holder makes it; the copy holds the image itself.
  ui::TPicture source;
  source.AssignDeferred([&](ui::TPngImage& image) {
    ++made;
    image = ui::TPngImage(2, 2, false);
    return true;
  });
  ui::TPicture copy;
  copy.Assign(source);
  EXPECT_EQ(made, 2);
  EXPECT_FALSE(copy.Deferred());
  EXPECT_EQ(copy.Width(), 2);

  for (const bool fails : {true, false}) {
    ui::TPicture failing;
    failing.AssignDeferred([fails](ui::TPngImage& image) {
      if (!fails) image = ui::TPngImage();  // "made" an empty image
      return !fails;
    });
    EXPECT_FALSE(failing.Empty());
    EXPECT_EQ(failing.Graphic(), nullptr);
    EXPECT_TRUE(failing.Empty());
  }
}

// A size given with the image: a picture control sizes itself to it without
// the image being made; an image of another size counts as a failure.
TEST(DeferredPicture, AGivenSizeIsAnsweredWithoutMakingTheImage) {
  for (const int madeWidth : {7, 8}) {
    SCOPED_TRACE(madeWidth);
    ui::TApplication app(std::make_unique<FakeWindowSystem>());
    auto* form = app.CreateForm<ui::TForm>(ui::TForm::TCreateParams{40, 30, ui::bsNone});
    auto* view = form->CreateControl<ui::TPictureView>();
    view->SetAutoSize(true);
    int made = 0;
    view->Picture().AssignDeferred(
        [&](ui::TPngImage& image) {
          ++made;
          image = ui::TPngImage(madeWidth, 5, false);
          return true;
        },
        7, 5);
    EXPECT_EQ(view->Width(), 7);
    EXPECT_EQ(view->Height(), 5);
    EXPECT_EQ(made, 0);
    EXPECT_TRUE(view->Picture().Deferred());
    EXPECT_EQ(view->Picture().Graphic() != nullptr, madeWidth == 7);
    EXPECT_EQ(made, 1);
  }
}

TEST(PngFileSize, ReadsTheHeaderOnlyAndRefusesWhatIsNoPngHeader) {
  // A 3 x 2 header; nothing of the image follows.
  const std::vector<std::uint8_t> header = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H',
                                            'D',  'R', 0,   0,   0,   3,    0,    0,    0, 2};
  int width = 0, height = 0;
  ASSERT_TRUE(ui::PngFileSize(header.data(), header.size(), width, height));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  struct TCase {
    const char* what;
    std::size_t at;  // the byte changed, or the length cut to when `value` < 0
    int value;
  };
  for (const TCase& c : {TCase{"cut short", 23, -1}, TCase{"no signature", 1, 'Q'}, TCase{"another chunk first", 12, 'X'},
                         TCase{"a width of 0", 19, 0}, TCase{"a height above INT_MAX", 20, 0x80}}) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> bad = header;
    if (c.value < 0)
      bad.resize(c.at);
    else
      bad[c.at] = static_cast<std::uint8_t>(c.value);
    width = height = -1;
    EXPECT_FALSE(ui::PngFileSize(bad.data(), bad.size(), width, height));
    EXPECT_EQ(width, -1);
  }
  EXPECT_FALSE(ui::PngFileSize(nullptr, 0, width, height));
}

// A control that draws itself in one colour and logs its input.
class TPatch : public ui::TPictureView {
 public:
  explicit TPatch(ui::RepaintSink* owner) : ui::TPictureView(owner) {}
  std::vector<std::string>* log = nullptr;

 protected:
  void MouseEnter() override { log->push_back("enter"); }
  void MouseLeave() override { log->push_back("leave"); }
};

ui::TPngImage Solid(int w, int h, std::uint8_t r) {
  ui::TPngImage image(w, h, false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.ColourRow(y)[3 * x] = r;
  return image;
}

class ScaledFormTest : public ::testing::Test {
 protected:
  ScaledFormTest() : fake_(new FakeWindowSystem), app_(std::unique_ptr<platform::WindowSystem>(fake_)) {}

  // A 100 x 50 layout with a 20 x 10 patch at (30, 20), laid out at the
  // form's scale at creation and at every change.
  ui::TForm* MakeForm(double scale) {
    fake_->scale = scale;
    form_ = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{100, 50, ui::bsNone});
    patch_ = form_->CreateControl<TPatch>();
    patch_->log = &log_;
    LayOut();
    form_->OnScaleChanged = [this](ui::TForm&) {
      ++layouts_;
      LayOut();
    };
    return form_;
  }
  void LayOut() {
    const ui::TScale& s = form_->Scale();
    form_->SetClientSize(s.Edge(100), s.Edge(50));
    const ui::TRect r = s.Bounds(30, 20, 20, 10);
    patch_->SetBounds(r.left, r.top, r.width, r.height);
    patch_->Picture().Assign(Solid(r.width, r.height, 200));
    // Drawing during the lay-out reaches nothing on the screen.
    patch_->Repaint();
  }
  FakeWindow& Window() { return *fake_->windows.at(form_->WindowId()); }

  FakeWindowSystem* fake_;
  ui::TApplication app_;
  ui::TForm* form_ = nullptr;
  TPatch* patch_ = nullptr;
  std::vector<std::string> log_;
  int layouts_ = 0;
};

TEST_F(ScaledFormTest, TakesTheWindowsScaleLimitedToOneToThree) {
  for (const auto& [reported, factor] : {std::pair{1.5, 1.5}, std::pair{0.75, 1.0}, std::pair{3.5, 3.0}}) {
    fake_->scale = reported;
    ui::TForm* form = app_.CreateForm<ui::TForm>(ui::TForm::TCreateParams{10, 10, ui::bsNone});
    EXPECT_DOUBLE_EQ(form->Scale().Factor(), factor) << reported;
  }
}

TEST_F(ScaledFormTest, ANewScaleLaysTheFormOutAgainAndDrawsItOnceWhole) {
  MakeForm(1.25);
  form_->Show();
  EXPECT_EQ(Window().params.clientWidth, 125);
  EXPECT_EQ(Window().params.clientHeight, 63);  // 62.5
  // The platform moved the window where it suggests, then tells the form.
  Window().scale = 2.0;
  Window().Move(300, 200);
  fake_->pointer = {300 + 70, 200 + 45};  // over the patch's new place, (60, 40) + 20 x 10
  fake_->journal.clear();
  fake_->Push(Type::ScaleChanged, form_->WindowId());
  app_.HandleMessage();
  EXPECT_EQ(layouts_, 1);
  EXPECT_DOUBLE_EQ(form_->Scale().Factor(), 2.0);
  EXPECT_EQ(Window().params.clientWidth, 200);
  EXPECT_EQ(Window().params.clientHeight, 100);
  EXPECT_EQ(Window().x, 300) << "the top-left corner stays where the platform put it";
  EXPECT_EQ(patch_->Left(), 60);
  EXPECT_EQ(patch_->Width(), 40);
  EXPECT_EQ(std::count(fake_->journal.begin(), fake_->journal.end(), "present"), 1)
      << "nothing is drawn while the form is laid out";
  ASSERT_FALSE(Window().presents.empty());
  EXPECT_EQ(Window().presents.back().width, 200);
  EXPECT_EQ(Window().screen.ColourRow(45)[3 * 70], 200) << "the patch at its new place";
  // Hover comes from where the pointer is in the new layout.
  EXPECT_EQ(log_, std::vector<std::string>{"enter"});

  // The same scale again: nothing happens.
  fake_->Push(Type::ScaleChanged, form_->WindowId());
  app_.HandleMessage();
  EXPECT_EQ(layouts_, 1);
}

}  // namespace
