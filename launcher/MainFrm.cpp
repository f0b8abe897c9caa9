#include "launcher/MainFrm.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/ScaledPictures.h"
#include "launcher/UpdateServiceCalls.h"
#include "platform/FileSystem.h"
#include "platform/PlatformNames.h"
#include "platform/Process.h"

namespace launcher {

TfrmMain* frmMain = nullptr;

namespace {

// The layout, in pixels at 96 dpi; the window draws it at its display scale.
constexpr int kClientWidth = 858;
constexpr int kClientHeight = 518;
constexpr int kFontHeight = -11;
constexpr int kCaptionLeft = 40;
constexpr int kCaptionTop = 8;
constexpr int kPicSmallPosLeft = 10;
constexpr int kPicSmallPosTop = 7;
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128};

// Pure yellow (0xBBGGRR): of the plain colours it differs most from every
// state picture along the ring's path (the blue, teal and orange faces, their
// lighter mouse-on and darker pressed forms with the white rim, the grey
// disabled ones, the red discs of the close button and the dark background
// around it), and it is far lighter than the dark parts.
constexpr std::uint32_t kFocusRingColour = 0x00FFFF;

// One image button of the layout. `images` names the pictures
// "<images>-normal.png" and so on; `disabledImage` whether it has one;
// `tabOrder` its place in the keyboard's Tab order.
struct TButtonLayout {
  int left, top, width, height;
  const char* images;
  bool disabledImage;
  int tabOrder;
};

constexpr TButtonLayout kCloseLayout{834, 4, 20, 20, "close", false, 3};
constexpr TButtonLayout kEditLayout{251, 170, 171, 165, "edit", true, 0};
constexpr TButtonLayout kCutLayout{428, 170, 171, 78, "cut", true, 1};
constexpr TButtonLayout kJoinLayout{428, 257, 171, 78, "join", true, 2};

// What does not depend on the scale.
void SetUpButton(ui::TForm& form, controls::TQbVclImageButton& button, const TButtonLayout& layout) {
  form.SetAnchors(button, ui::akTop | ui::akRight);
  button.SetCursor(ui::crArrow);
  button.SetEnabled(true);
  button.SetTabStop(true);
  button.SetTabOrder(layout.tabOrder);
  button.SetTabStop(true);
  button.SetTabOrder(layout.tabOrder);
  button.SetTransparent(true);
  button.SetCaption(u"");

  ui::TFont& font = button.Font();
  font.SetName(u"Tahoma");
  font.SetStyle(ui::fsBold);
  font.SetColor(0x000000);
  ui::TFont& fontDisable = button.FontDisable();
  fontDisable.SetName(u"Tahoma");
  fontDisable.SetStyle(ui::fsBold);
  fontDisable.SetColor(0x808080);

  button.SetCaptionAlign(controls::taCustom);
  button.SetEnableAnimation(false);
  button.SetAnimationStart(0);
  button.SetAnimationEnd(64);
  button.SetAnimationParam(4);
}

// The button's bounds, lengths and pictures at `scale`. The normal picture
// is decoded now (the first frame shows it), the others when first needed.
void LayOutButton(controls::TQbVclImageButton& button, const TButtonLayout& layout, const ui::TScale& scale) {
  const ui::TRect bounds = scale.Bounds(layout.left, layout.top, layout.width, layout.height);
  button.SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
  button.Font().SetHeight(scale.Length(kFontHeight));
  button.FontDisable().SetHeight(scale.Length(kFontHeight));
  button.SetCaptionLeft(scale.Length(kCaptionLeft));
  button.SetCaptionTop(scale.Length(kCaptionTop));
  button.SetPicSmallPosLeft(scale.Length(kPicSmallPosLeft));
  button.SetPicSmallPosTop(scale.Length(kPicSmallPosTop));

  const std::string prefix = layout.images;
  LoadScaledPicture(button.PicMouseOn(), prefix + "-mouseon", scale, bounds.width, bounds.height, true);
  LoadScaledPicture(button.PicMouseDown(), prefix + "-mousedown", scale, bounds.width, bounds.height, true);
  if (layout.disabledImage)
    LoadScaledPicture(button.PicDisabled(), prefix + "-disabled", scale, bounds.width, bounds.height, true);
  LoadScaledPicture(button.PicNormal(), prefix + "-normal", scale, bounds.width, bounds.height, false);
  button.Picture().Assign(button.PicNormal());
}

}  // namespace

TfrmMain::TfrmMain(ui::TApplication& application, TLauncherPaths paths)
    : ui::TForm(application, {kClientWidth, kClientHeight, ui::bsNone}), paths_(std::move(paths)) {
  SetColor(ui::clBtnFace);
  SetFocusRingColor(kFocusRingColour);
  Font().SetName(u"Tahoma");
  Font().SetStyle(0);
  Font().SetColor(ui::clWindowText);
  Font().SetCharset(ui::DEFAULT_CHARSET);
  SetTag(0);

  // Creation order is stacking order: the background at the bottom.
  imgBK = CreateControl<ui::TPictureView>();
  imgBK->SetAutoSize(true);
  imgBK->OnMouseDown = [this](ui::TControl& sender, ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    imgBKMouseDown(sender, button, shift, x, y);
  };

  btnCloseFrm = CreateControl<controls::TQbVclImageButton>();
  SetUpButton(*this, *btnCloseFrm, kCloseLayout);
  btnCloseFrm->OnClick = [this](ui::TControl& sender) { btnCloseFrmClick(sender); };

  btnEdit = CreateControl<controls::TQbVclImageButton>();
  SetUpButton(*this, *btnEdit, kEditLayout);
  btnEdit->OnClick = [this](ui::TControl& sender) { btnEditClick(sender); };

  btnCut = CreateControl<controls::TQbVclImageButton>();
  SetUpButton(*this, *btnCut, kCutLayout);
  btnCut->OnClick = [this](ui::TControl& sender) { btnCutClick(sender); };

  btnJoin = CreateControl<controls::TQbVclImageButton>();
  SetUpButton(*this, *btnJoin, kJoinLayout);
  btnJoin->OnClick = [this](ui::TControl& sender) { btnJoinClick(sender); };

  // The icon is no part of the first frame: it is set just after it.
  iconTimer_ = CreateTimer();
  iconTimer_->SetEnabled(false);
  iconTimer_->SetInterval(1);
  iconTimer_->SetOnTimer([this](ui::TTimer& sender) {
    sender.SetEnabled(false);
    SetScaledIcon();
  });

  LayOut();

  // What screen readers say of the buttons: the launcher's own texts, with
  // the English words as descriptions.
  SetAccessibleChildren({{btnEdit, u"视频编辑", u"Edit"},
                         {btnCut, u"视频剪切", u"Cut"},
                         {btnJoin, u"视频合并", u"Join"},
                         {btnCloseFrm, u"关闭", u"Close"}});

  timerScheduleInstall = CreateTimer();
  timerScheduleInstall->SetEnabled(false);
  timerScheduleInstall->SetInterval(1000);
  timerScheduleInstall->SetOnTimer([this](ui::TTimer& sender) { timerScheduleInstallTimer(sender); });

  OnCreate = [this](ui::TForm& sender) { FormCreate(sender); };
  OnShow = [this](ui::TForm& sender) { FormShow(sender); };
  OnScaleChanged = [this](ui::TForm& sender) { FormScaleChanged(sender); };
}

void TfrmMain::LayOut() {
  const ui::TScale& scale = Scale();
  const int width = scale.Edge(kClientWidth);
  const int height = scale.Edge(kClientHeight);
  SetClientSize(width, height);
  Font().SetHeight(scale.Length(kFontHeight));
  iconTimer_->SetEnabled(true);

  imgBK->SetBounds(0, 0, width, height);
  // The largest picture of the first frame is decoded by a second thread
  // while this one decodes the buttons' and shows the window.
  LoadScaledPictureAhead(imgBK->Picture(), "background", scale, width, height);
  LayOutButton(*btnCloseFrm, kCloseLayout, scale);
  LayOutButton(*btnEdit, kEditLayout, scale);
  LayOutButton(*btnCut, kCutLayout, scale);
  LayOutButton(*btnJoin, kJoinLayout, scale);
}

void TfrmMain::SetScaledIcon() {
  std::vector<ui::TPngImage> icons;
  for (const int size : kIconSizes) {
    ui::TPicture icon;
    LoadScaledIcon(icon, size, Scale());
    if (const ui::TPngImage* image = icon.Graphic()) icons.push_back(*image);
  }
  SetIcon(icons);
}

void TfrmMain::imgBKMouseDown(ui::TControl&, ui::TMouseButton, ui::TShiftState, int, int) {
  ReleaseCapture();
  Perform(ui::WM_SYSCOMMAND, ui::SC_DRAGMOVE, 0);
}

void TfrmMain::btnCloseFrmClick(ui::TControl&) { Close(); }

void TfrmMain::FormCreate(ui::TForm&) {
  Application().SetTitle(u"Vidorra");
  SetCaption(Application().Title());
}

void TfrmMain::btnEditClick(ui::TControl&) { StartCoreProgram(platform::kEditorProgramPath, u"-onlymain"); }

void TfrmMain::btnCutClick(ui::TControl&) { StartCoreProgram(platform::kCutterProgramPath, u"cut"); }

void TfrmMain::btnJoinClick(ui::TControl&) { StartCoreProgram(platform::kCutterProgramPath, u"join"); }

void TfrmMain::StartCoreProgram(const char16_t* programPath, const std::u16string& parameters) {
  const std::u16string path = paths_.folder + programPath;
  if (!platform::FileExists(path)) return;
  (void)LaunchAndWait(path, parameters, true);
}

void TfrmMain::timerScheduleInstallTimer(ui::TTimer&) {
  timerScheduleInstall->SetEnabled(false);
  CallInstallUpdateCheck(paths_.ownPath);
}

void TfrmMain::FormScaleChanged(ui::TForm&) { LayOut(); }

void TfrmMain::FormShow(ui::TForm&) {
  if (Tag() != 1) {
    SetTag(1);
    timerScheduleInstall->SetEnabled(true);
  }
}

bool TfrmMain::LaunchAndWait(const std::u16string& path, const std::u16string& parameters, bool hideWindow) {
  // A path with no file behind it is taken as relative to the launcher
  // folder, in double quotes.
  const std::u16string file = platform::FileExists(path) ? path : u"\"" + paths_.folder + path + u"\"";
  platform::ChildProcess child = platform::StartChildProcess(file, parameters);
  if (!child.Started()) return false;
  if (hideWindow) Hide();
  child.Wait();
  if (hideWindow) Show();
  return true;
}

}  // namespace launcher
