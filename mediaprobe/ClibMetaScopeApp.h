// The library's process-wide application object: constructed when the
// library is loaded into a process, destroyed when it is unloaded. It does no
// work of its own; in particular it neither loads nor releases the MediaInfo
// library, which is loaded by the first open and stays loaded.
#pragma once

namespace metascope {

class ClibMetaScopeApp {
 public:
  ClibMetaScopeApp() noexcept;
  ~ClibMetaScopeApp();
  ClibMetaScopeApp(const ClibMetaScopeApp&) = delete;
  ClibMetaScopeApp& operator=(const ClibMetaScopeApp&) = delete;

  // Initialisation hook, run at load: reports success.
  bool InitInstance() noexcept;

  bool Initialised() const noexcept { return initialised_; }

 private:
  bool initialised_ = false;
};

// The one application object of the loaded library.
const ClibMetaScopeApp& TheApp() noexcept;

}  // namespace metascope
