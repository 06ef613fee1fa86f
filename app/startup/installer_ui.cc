#include "app/startup/installer_ui.h"

#include "app/context/installer_context.h"
#include "app/window/main_window.h"
#include "app/window/ui_text.h"
#include "platform/embedded_resources.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/layout_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window.h"

namespace {

// The main window while it lives (it owns itself; the flag says when it is gone).
struct MainWindowRef {
  CMainWindow* window = nullptr;
  std::weak_ptr<nbase::WeakFlag> alive;
};

MainWindowRef& MainWindow() {
  static MainWindowRef ref;
  return ref;
}

}  // namespace

std::wstring ThemeFolderForDpi(int dpi) {
  return L"themes\\" + FromUiText(ui::ThemeClassForDpi(dpi));
}

void StartUiToolkit() {
  auto& resources = ui::ResourceManager::Get();
  const std::wstring theme = ThemeFolderForDpi(ui::DpiScale::Get().SystemDpi());
  // A missing resource leaves no archive open: the toolkit then reads the
  // theme from the disk (and the window fails with the error box).
  const void* data = nullptr;
  size_t size = 0;
  if (FindEmbeddedResource(kThemeResourceId, L"THEME", &data, &size)) resources.OpenThemeZip(data, size);
  resources.Initialize(u"resources\\", ToUiText(theme), u"lang\\zh_CN");
  // The theme's fonts, colours and classes.
  ui::Window global_window;
  ui::LayoutBuilder builder;
  builder.Build(u"global.xml", {}, &global_window, nullptr, nullptr);
}

bool OpenMainWindow() {
  auto* window = new CMainWindow;
  if (!window->CreateNative(nullptr, u"MainWindow")) {
    delete window;
    return false;
  }
  MainWindow() = MainWindowRef{window, window->FlagReference()};
  window->SetCaptionText(ToUiText(std::wstring(kProductName) + L" Setup"));
  window->CenterOnOwner();
  window->Show(true, true);
  installer_ui_internal::RaiseWithoutTopmost(window->Native()->Handle());
  return true;
}

void EndMainWindowOnQuit() {
  const MainWindowRef& ref = MainWindow();
  if (ref.window && !ref.alive.expired() && ref.window->IsNativeAlive()) ref.window->EndOnQuit();
}

void StopUiToolkit() { ui::ResourceManager::Get().Shutdown(); }
