#include "launcher/MainFrm.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "LauncherPictures.h"
#include "launcher/UpdateServiceCalls.h"
#include "platform/FileSystem.h"
#include "platform/PlatformNames.h"
#include "platform/Process.h"

namespace launcher {

TfrmMain* frmMain = nullptr;

namespace {

constexpr int kClientWidth = 858;
constexpr int kClientHeight = 518;

// Pure yellow (0xBBGGRR): of the plain colours it differs most from every
// state picture along the ring's path (the blue, teal and orange faces, their
// lighter mouse-on and darker pressed forms with the white rim, the grey
// disabled ones, the red discs of the close button and the dark background
// around it), and it is far lighter than the dark parts.
constexpr std::uint32_t kFocusRingColour = 0x00FFFF;

void LoadPicture(ui::TPicture& picture, std::string_view fileName) {
  if (const vidorra::TEmbeddedFile* file = vidorra::FindLauncherPictures(fileName))
    (void)picture.LoadFromBytes(file->data, file->size);
}

// One image button of the layout. `images` names the pictures
// "<images>-normal.png" and so on; `disabledImage` whether it has one;
// `tabOrder` its place in the keyboard's Tab order.
struct TButtonLayout {
  int left, top, width, height;
  const char* images;
  bool disabledImage;
  int tabOrder;
};

void LayOutButton(ui::TForm& form, controls::TQbVclImageButton& button, const TButtonLayout& layout) {
  button.SetBounds(layout.left, layout.top, layout.width, layout.height);
  form.SetAnchors(button, ui::akTop | ui::akRight);
  button.SetCursor(ui::crArrow);
  button.SetEnabled(true);
  button.SetTabStop(true);
  button.SetTabOrder(layout.tabOrder);
  button.SetTransparent(true);
  button.SetCaption(u"");

  ui::TFont& font = button.Font();
  font.SetName(u"Tahoma");
  font.SetHeight(-11);
  font.SetStyle(ui::fsBold);
  font.SetColor(0x000000);
  ui::TFont& fontDisable = button.FontDisable();
  fontDisable.SetName(u"Tahoma");
  fontDisable.SetHeight(-11);
  fontDisable.SetStyle(ui::fsBold);
  fontDisable.SetColor(0x808080);

  button.SetCaptionAlign(controls::taCustom);
  button.SetCaptionLeft(40);
  button.SetCaptionTop(8);
  button.SetPicSmallPosLeft(10);
  button.SetPicSmallPosTop(7);
  button.SetEnableAnimation(false);
  button.SetAnimationStart(0);
  button.SetAnimationEnd(64);
  button.SetAnimationParam(4);

  const std::string prefix = layout.images;
  LoadPicture(button.PicNormal(), prefix + "-normal.png");
  LoadPicture(button.PicMouseOn(), prefix + "-mouseon.png");
  LoadPicture(button.PicMouseDown(), prefix + "-mousedown.png");
  if (layout.disabledImage) LoadPicture(button.PicDisabled(), prefix + "-disabled.png");
  button.Picture().Assign(button.PicNormal());
}

}  // namespace

TfrmMain::TfrmMain(ui::TApplication& application, TLauncherPaths paths)
    : ui::TForm(application, {kClientWidth, kClientHeight, ui::bsNone}), paths_(std::move(paths)) {
  SetColor(ui::clBtnFace);
  SetFocusRingColor(kFocusRingColour);
  Font().SetName(u"Tahoma");
  Font().SetHeight(-11);
  Font().SetStyle(0);
  Font().SetColor(ui::clWindowText);
  Font().SetCharset(ui::DEFAULT_CHARSET);
  SetTag(0);
  std::vector<ui::TPngImage> icons;
  for (const char* name : {"icon-16.png", "icon-24.png", "icon-32.png", "icon-48.png", "icon-64.png", "icon-128.png"}) {
    ui::TPicture icon;
    LoadPicture(icon, name);
    if (const ui::TPngImage* image = icon.Graphic()) icons.push_back(*image);
  }
  SetIcon(icons);

  // Creation order is stacking order: the background at the bottom.
  imgBK = CreateControl<ui::TPictureView>();
  imgBK->SetBounds(0, 0, kClientWidth, kClientHeight);
  imgBK->SetAutoSize(true);
  LoadPicture(imgBK->Picture(), "background.png");
  imgBK->OnMouseDown = [this](ui::TControl& sender, ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    imgBKMouseDown(sender, button, shift, x, y);
  };

  btnCloseFrm = CreateControl<controls::TQbVclImageButton>();
  LayOutButton(*this, *btnCloseFrm, {834, 4, 20, 20, "close", false, 3});
  btnCloseFrm->OnClick = [this](ui::TControl& sender) { btnCloseFrmClick(sender); };

  btnEdit = CreateControl<controls::TQbVclImageButton>();
  LayOutButton(*this, *btnEdit, {251, 170, 171, 165, "edit", true, 0});
  btnEdit->OnClick = [this](ui::TControl& sender) { btnEditClick(sender); };

  btnCut = CreateControl<controls::TQbVclImageButton>();
  LayOutButton(*this, *btnCut, {428, 170, 171, 78, "cut", true, 1});
  btnCut->OnClick = [this](ui::TControl& sender) { btnCutClick(sender); };

  btnJoin = CreateControl<controls::TQbVclImageButton>();
  LayOutButton(*this, *btnJoin, {428, 257, 171, 78, "join", true, 2});
  btnJoin->OnClick = [this](ui::TControl& sender) { btnJoinClick(sender); };

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
