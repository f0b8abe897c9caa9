#include "ClibMetaScopeApp.h"

namespace metascope {
namespace {
ClibMetaScopeApp theApp;
}  // namespace

ClibMetaScopeApp::ClibMetaScopeApp() noexcept { initialised_ = InitInstance(); }

ClibMetaScopeApp::~ClibMetaScopeApp() = default;

bool ClibMetaScopeApp::InitInstance() noexcept { return true; }

const ClibMetaScopeApp& TheApp() noexcept { return theApp; }

}  // namespace metascope
