// The launcher's main window: a fixed-size, borderless picture of the
// product with a close button and three large image buttons that start the
// editing programs and wait for them. Dragged by its background. About a
// second after it is first shown, it asks the update-service library to
// install the periodic update check.
//
// Its layout is in pixels at 96 dpi; the window draws it at its display
// scale (ui::TForm::Scale), with the pictures drawn for that scale
// (ScaledPictures.h), and lays itself out again when the scale changes.
//
// Keyboard: the four buttons are tab stops in the order Edit, Cut, Join,
// close; Edit has the focus when the window first shows. The focus ring is
// yellow, as thick as the scale makes it (the form's rules: ui/Form.h).
//
// Screen readers find the window named after the application ("Vidorra")
// with four push buttons in the same order: "视频编辑", "视频剪切", "视频合并"
// and "关闭", described as Edit, Cut, Join and Close, at their places on the
// screen in device pixels.
#pragma once

#include <string>

#include "controls/QbVclImageButton.h"
#include "launcher/UserInterface.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/PictureView.h"
#include "ui/Timer.h"

namespace launcher {

class TfrmMain : public ui::TForm {
 public:
  TfrmMain(ui::TApplication& application, TLauncherPaths paths);

  ui::TPictureView* imgBK;
  controls::TQbVclImageButton* btnCloseFrm;
  controls::TQbVclImageButton* btnEdit;
  controls::TQbVclImageButton* btnCut;
  controls::TQbVclImageButton* btnJoin;
  ui::TTimer* timerScheduleInstall;

  void imgBKMouseDown(ui::TControl& Sender, ui::TMouseButton Button, ui::TShiftState Shift, int X, int Y);
  void btnCloseFrmClick(ui::TControl& Sender);
  void FormCreate(ui::TForm& Sender);
  void btnEditClick(ui::TControl& Sender);
  void btnCutClick(ui::TControl& Sender);
  void btnJoinClick(ui::TControl& Sender);
  void timerScheduleInstallTimer(ui::TTimer& Sender);
  void FormShow(ui::TForm& Sender);
  void FormScaleChanged(ui::TForm& Sender);

  // Starts `path` (taken relative to the launcher folder when no file exists
  // at it) with `parameters` as its one argument (none when empty); with
  // `hideWindow`, hides this window, waits for the program's process to end
  // with no time limit, processing no message meanwhile, and shows the
  // window again. False when the program could not be started: the window
  // then stays as it was.
  bool LaunchAndWait(const std::u16string& path, const std::u16string& parameters, bool hideWindow);

 private:
  void StartCoreProgram(const char16_t* programPath, const std::u16string& parameters);
  // The client size, the controls' bounds, fonts and offsets and the
  // pictures at Scale(); the icon follows through iconTimer_.
  void LayOut();
  // The program's icon in its six sizes at Scale().
  void SetScaledIcon();

  TLauncherPaths paths_;
  ui::TTimer* iconTimer_;  // one tick, after the first frame of each layout
};

// The main window, while the user interface runs.
extern TfrmMain* frmMain;

}  // namespace launcher
