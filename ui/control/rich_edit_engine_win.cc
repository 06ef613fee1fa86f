// The Windows engine: the system's rich-edit text services (msftedit.dll,
// from the system folder only) behind a windowless ITextHost.
//
// Calling convention: ITextHost and ITextServices methods are plain virtual
// functions in the system's headers (thiscall on 32-bit x86); mingw-w64
// declares them the same way, so g++ makes thiscall calls and thiscall
// entry points, as msftedit and Wine's riched20 expect. IUnknown's methods
// are stdcall (STDMETHODCALLTYPE) on both sides.
//
// The engine draws into a DIB of its own over a copy of the back buffer and
// copies back what it touched: GDI leaves alpha 0 on every pixel it writes,
// which is how the touched pixels are found, and they go back opaque.
#include <objbase.h>
#include <richedit.h>
#include <textserv.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "base/tick_scheduler.h"
#include "base/weak_callback.h"
#include "ui/control/rich_edit_engine.h"
#include "ui/core/native_window.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

// {8D33F740-CF58-11CE-A89D-00AA006CADC5}; msftedit exports its own copy,
// which wins when present.
constexpr GUID kIidTextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
// {13E670F4-1A5A-11CF-ABEB-00AA00B65EA1}
constexpr GUID kIidTextHost = {0x13E670F4, 0x1A5A, 0x11CF, {0xAB, 0xEB, 0x00, 0xAA, 0x00, 0xB6, 0x5E, 0xA1}};

using CreateTextServicesFn = HRESULT(WINAPI*)(IUnknown* outer, ITextHost* host, IUnknown** result);

// msftedit.dll from the system folder, loaded once (never from the
// program's folder or the search path, and never msftedit50.dll).
struct TextServicesLibrary {
  CreateTextServicesFn create = nullptr;
  GUID iid = kIidTextServices;

  static const TextServicesLibrary& Get() {
    static const TextServicesLibrary library = Load();
    return library;
  }

 private:
  static TextServicesLibrary Load() {
    TextServicesLibrary library;
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    static const wchar_t kName[] = L"\\msftedit.dll";
    if (length == 0 || length + std::size(kName) > MAX_PATH) return library;
    std::memcpy(path + length, kName, sizeof(kName));
    // Its own dependencies come from its folder too.
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return library;
    library.create = reinterpret_cast<CreateTextServicesFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "CreateTextServices")));
    if (const void* iid = reinterpret_cast<const void*>(GetProcAddress(module, "IID_ITextServices")))
      library.iid = *static_cast<const GUID*>(iid);
    return library;
  }
};

COLORREF ToColorRef(ArgbColor color) {
  return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

RECT ToRect(const UiRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

class TextServicesEngine;

// The host the text services talk to. Reference counted: the engine holds
// one reference and the services object its own.
class TextHost : public ITextHost {
 public:
  explicit TextHost(TextServicesEngine* engine) : engine_(engine) {}
  virtual ~TextHost() = default;

  void Detach() { engine_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidTextHost)) {
      *object = static_cast<ITextHost*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // ITextHost
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC) override { return 1; }
  WINBOOL TxShowScrollBar(INT, WINBOOL) override { return TRUE; }
  WINBOOL TxEnableScrollBar(INT, INT) override { return TRUE; }
  WINBOOL TxSetScrollRange(INT, LONG, INT, WINBOOL) override { return TRUE; }
  WINBOOL TxSetScrollPos(INT, INT, WINBOOL) override { return TRUE; }
  void TxInvalidateRect(LPCRECT, WINBOOL) override;
  void TxViewChange(WINBOOL) override;
  WINBOOL TxCreateCaret(HBITMAP, INT width, INT height) override;
  WINBOOL TxShowCaret(WINBOOL show) override;
  WINBOOL TxSetCaretPos(INT x, INT y) override;
  WINBOOL TxSetTimer(UINT id, UINT timeout) override;
  void TxKillTimer(UINT id) override;
  void TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) override { TxViewChange(TRUE); }
  void TxSetCapture(WINBOOL) override {}  // the window captures on button down
  void TxSetFocus() override {}           // focus belongs to the control tree
  void TxSetCursor(HCURSOR cursor, WINBOOL) override { ::SetCursor(cursor); }
  WINBOOL TxScreenToClient(LPPOINT point) override {
    HWND window = GetFocus();
    return window && ScreenToClient(window, point);
  }
  WINBOOL TxClientToScreen(LPPOINT point) override {
    HWND window = GetFocus();
    return window && ClientToScreen(window, point);
  }
  HRESULT TxActivate(LONG* old_state) override {
    if (old_state) *old_state = 0;
    return S_OK;
  }
  HRESULT TxDeactivate(LONG) override { return S_OK; }
  HRESULT TxGetClientRect(LPRECT rect) override;
  HRESULT TxGetViewInset(LPRECT rect) override {
    *rect = RECT{0, 0, 0, 0};
    return S_OK;
  }
  HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
  COLORREF TxGetSysColor(int index) override { return GetSysColor(index); }
  HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override {
    *style = TXTBACK_TRANSPARENT;
    return S_OK;
  }
  HRESULT TxGetMaxLength(DWORD* length) override;
  HRESULT TxGetScrollBars(DWORD* bars) override;
  HRESULT TxGetPasswordChar(TCHAR* ch) override {
    *reinterpret_cast<WCHAR*>(ch) = L'*';
    return S_OK;
  }
  HRESULT TxGetAcceleratorPos(LONG* position) override {
    *position = -1;
    return S_OK;
  }
  HRESULT TxGetExtent(LPSIZEL) override { return E_NOTIMPL; }
  HRESULT OnTxCharFormatChange(const CHARFORMATW*) override { return S_OK; }
  HRESULT OnTxParaFormatChange(const PARAFORMAT*) override { return S_OK; }
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
  HRESULT TxNotify(DWORD code, void*) override;
  HIMC TxImmGetContext() override { return nullptr; }
  void TxImmReleaseContext(HIMC) override {}
  HRESULT TxGetSelectionBarWidth(LONG* width) override {
    *width = 0;
    return S_OK;
  }

 private:
  TextServicesEngine* engine_;
  ULONG refs_ = 1;
};

class TextServicesEngine : public RichEditEngine {
 public:
  explicit TextServicesEngine(Delegate* delegate) : delegate_(delegate) {}

  ~TextServicesEngine() override {
    timers_.clear();
    if (services_) {
      services_->OnTxInPlaceDeactivate();
      services_->Release();
    }
    if (host_) {
      host_->Detach();
      host_->Release();
    }
    if (dc_) DeleteDC(dc_);
  }

  bool Start() {
    const TextServicesLibrary& library = TextServicesLibrary::Get();
    if (!library.create) return false;
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return false;
    FillCharFormat();
    FillParaFormat();
    host_ = new TextHost(this);
    IUnknown* unknown = nullptr;
    if (FAILED(library.create(nullptr, host_, &unknown)) || !unknown) return false;
    void* services = nullptr;
    const HRESULT got = unknown->QueryInterface(library.iid, &services);
    unknown->Release();
    if (FAILED(got) || !services) return false;
    services_ = static_cast<ITextServices*>(services);
    services_->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
    Send(EM_SETLANGOPTIONS, 0, 0);
    Send(EM_SETEVENTMASK, 0, ENM_CHANGE);
    const RECT client = ToRect(client_);
    active_ = SUCCEEDED(services_->OnTxInPlaceActivate(&client));
    return true;
  }

  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (services_) services_->TxSendMessage(message, wparam, lparam, &result);
    return result;
  }

  // RichEditEngine
  void SetFormat(const TextBoxFormat& format) override {
    const TextBoxFormat old = format_;
    format_ = format;
    if (!services_) return;
    DWORD changed = 0;
    if (old.font_id != format.font_id || old.text_color != format.text_color) {
      FillCharFormat();
      changed |= TXTBIT_CHARFORMATCHANGE;
    }
    if (old.align != format.align) {
      FillParaFormat();
      changed |= TXTBIT_PARAFORMATCHANGE;
    }
    if (old.max_length != format.max_length) changed |= TXTBIT_MAXLENGTHCHANGE;
    changed |= TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_READONLY | TXTBIT_USEPASSWORD | TXTBIT_WORDWRAP;
    DWORD bits = 0;
    host_->TxGetPropertyBits(changed, &bits);
    services_->OnTxPropertyBitsChange(changed, bits | (changed & (TXTBIT_CHARFORMATCHANGE |
                                                                  TXTBIT_PARAFORMATCHANGE |
                                                                  TXTBIT_MAXLENGTHCHANGE)));
  }

  void SetText(StringView text) override {
    if (!services_) return;
    const std::wstring copy(text.begin(), text.end());
    setting_text_ = true;
    services_->TxSetText(copy.c_str());
    Send(EM_SETSEL, static_cast<WPARAM>(-1), -1);  // the caret after the text, as on every system
    setting_text_ = false;
    delegate_->OnEngineRepaint();
  }

  String GetText() const override {
    if (!services_) return String();
    auto* self = const_cast<TextServicesEngine*>(this);
    GETTEXTLENGTHEX length_query{GTL_DEFAULT | GTL_NUMCHARS, 1200};
    const LRESULT length = self->Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0);
    if (length <= 0) return String();
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX query{};
    query.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    const LRESULT copied =
        self->Send(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()));
    String text(buffer.begin(), buffer.begin() + std::clamp<LRESULT>(copied, 0, length));
    // Paragraph ends come back as '\r': line breaks are '\n' everywhere.
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    return text;
  }

  void SelectAll() override { Send(EM_SETSEL, 0, -1); }

  void ReplaceSelection(StringView text) override {
    const std::wstring copy(text.begin(), text.end());
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(copy.c_str()));
  }

  void CollapseSelection() override {
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Send(EM_SETSEL, end, end);
  }

  void Place(const UiRect& client) override {
    if (client == client_) return;
    client_ = client;
    if (services_) services_->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TRUE);
  }

  int NaturalHeight(int width) override {
    if (!services_) return 0;
    const int dpi = std::max(1, GetDeviceCaps(dc_, LOGPIXELSX));
    SIZEL extent{MulDiv(width, 2540, dpi), MulDiv(10000, 2540, dpi)};
    LONG w = width, h = 0;
    if (FAILED(services_->TxGetNaturalSize(DVASPECT_CONTENT, dc_, nullptr, nullptr, TXTNS_FITTOCONTENT, &extent,
                                           &w, &h)))
      return 0;
    return static_cast<int>(h);
  }

  void Paint(IRenderContext* context, const UiRect& dirty) override;

  UiRect CaretRect() override {
    if (!focused_ || !caret_shown_) return UiRect();
    UiRect caret(caret_pos_.x, caret_pos_.y, caret_pos_.x + std::max<int>(1, caret_size_.cx),
                 caret_pos_.y + caret_size_.cy);
    return caret.Intersects(client_) ? caret : UiRect();
  }

  void SetFocus(bool focused) override {
    focused_ = focused;
    Send(focused ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
    delegate_->OnEngineRepaint();
  }
  bool KeyDown(uint16_t key, uint32_t) override {
    Send(WM_KEYDOWN, key, 0);
    return true;
  }
  bool Char(char16_t ch) override {
    Send(WM_CHAR, ch, 0);
    return true;
  }
  bool ButtonDown(UiPoint point, uint32_t modifiers) override {
    Send(WM_LBUTTONDOWN, MouseKeys(modifiers) | MK_LBUTTON, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool DoubleClick(UiPoint point) override {
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool MouseMove(UiPoint point) override {
    Send(WM_MOUSEMOVE, (GetKeyState(VK_LBUTTON) < 0) ? MK_LBUTTON : 0, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool ButtonUp(UiPoint point) override {
    Send(WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool RButtonDown(UiPoint point) override {
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool RButtonUp(UiPoint point) override {
    Send(WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    return true;
  }
  bool SetCursor(UiPoint point) override {
    if (!services_) return false;
    const RECT client = ToRect(client_);
    return SUCCEEDED(services_->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, dc_, nullptr, &client,
                                              point.x, point.y));
  }

 private:
  friend class TextHost;

  static WPARAM MouseKeys(uint32_t modifiers) {
    return ((modifiers & kModShift) ? MK_SHIFT : 0) | ((modifiers & kModControl) ? MK_CONTROL : 0);
  }

  void FillCharFormat() {
    const FontRecord& font = ResourceManager::Get().GetFontOrDefault(format_.font_id);
    std::memset(&char_format_, 0, sizeof(char_format_));
    char_format_.cbSize = sizeof(char_format_);
    char_format_.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_OFFSET |
                          CFM_CHARSET;
    int dpi = GetDeviceCaps(dc_, LOGPIXELSY);
    if (dpi == 0) dpi = 96;
    char_format_.yHeight = MulDiv(font.size > 0 ? font.size : 12, 1440, dpi);
    if (font.bold || font.weight >= FW_BOLD) char_format_.dwEffects |= CFE_BOLD;
    if (font.italic) char_format_.dwEffects |= CFE_ITALIC;
    if (font.underline) char_format_.dwEffects |= CFE_UNDERLINE;
    char_format_.bCharSet = DEFAULT_CHARSET;
    char_format_.bPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    char_format_.crTextColor = ToColorRef(format_.text_color);
    const size_t face = std::min<size_t>(font.face.size(), LF_FACESIZE - 1);
    std::memcpy(char_format_.szFaceName, font.face.data(), face * sizeof(wchar_t));
  }

  void FillParaFormat() {
    std::memset(&para_format_, 0, sizeof(para_format_));
    para_format_.cbSize = sizeof(para_format_);
    para_format_.dwMask = PFM_ALL;
    para_format_.wAlignment = (format_.align & kTextCenter)  ? PFA_CENTER
                              : (format_.align & kTextRight) ? PFA_RIGHT
                                                             : PFA_LEFT;
    para_format_.cTabCount = 1;
    para_format_.rgxTabs[0] = 720;
  }

  Delegate* delegate_;
  TextHost* host_ = nullptr;
  ITextServices* services_ = nullptr;
  HDC dc_ = nullptr;
  TextBoxFormat format_;
  CHARFORMAT2W char_format_{};
  PARAFORMAT2 para_format_{};
  UiRect client_;
  bool active_ = false;
  bool focused_ = false;
  bool setting_text_ = false;
  bool caret_shown_ = false;
  POINT caret_pos_{0, 0};
  SIZE caret_size_{1, 0};
  // One weak flag per engine timer: killing the timer revokes it.
  std::map<UINT, std::unique_ptr<nbase::WeakCallbackFlag>> timers_;
};

void TextServicesEngine::Paint(IRenderContext* context, const UiRect& dirty) {
  if (!services_ || !context || !context->Bits()) return;
  const UiPoint origin = context->GetOrigin();
  UiRect area = client_.Intersection(dirty);
  UiRect buffer = area;
  buffer.Offset(origin.x, origin.y);
  buffer = buffer.Intersection(UiRect(0, 0, context->Width(), context->Height()));
  if (buffer.IsEmpty()) return;
  area = buffer;
  area.Offset(-origin.x, -origin.y);

  const int width = buffer.Width();
  const int height = buffer.Height();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) return;
  uint8_t* back = context->Bits();
  const int stride = context->Width() * 4;
  auto* scratch = static_cast<uint8_t*>(bits);
  // The background as it is, marked opaque: pixels GDI writes come out with
  // alpha 0.
  for (int y = 0; y < height; ++y) {
    uint8_t* row = scratch + y * width * 4;
    std::memcpy(row, back + (buffer.top + y) * stride + buffer.left * 4, width * 4);
    for (int x = 0; x < width; ++x) row[x * 4 + 3] = 0xFF;
  }
  HGDIOBJ old_bitmap = SelectObject(dc_, bitmap);
  POINT old_origin;
  SetViewportOrgEx(dc_, -area.left, -area.top, &old_origin);
  RECTL bounds{client_.left, client_.top, client_.right, client_.bottom};
  RECT update = ToRect(area);
  services_->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc_, nullptr, &bounds, nullptr, &update, nullptr, 0,
                    active_ ? TXTVIEW_ACTIVE : TXTVIEW_INACTIVE);
  GdiFlush();
  SetViewportOrgEx(dc_, old_origin.x, old_origin.y, nullptr);
  SelectObject(dc_, old_bitmap);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = scratch + y * width * 4;
    uint8_t* target = back + (buffer.top + y) * stride + buffer.left * 4;
    for (int x = 0; x < width; ++x) {
      if (row[x * 4 + 3] != 0) continue;
      std::memcpy(target + x * 4, row + x * 4, 3);
      target[x * 4 + 3] = 0xFF;
    }
  }
  DeleteObject(bitmap);
  context->MarkDirty();
}

HDC TextHost::TxGetDC() { return engine_ ? engine_->dc_ : nullptr; }

void TextHost::TxInvalidateRect(LPCRECT, WINBOOL) {
  if (engine_) engine_->delegate_->OnEngineRepaint();
}

void TextHost::TxViewChange(WINBOOL) {
  if (engine_) engine_->delegate_->OnEngineRepaint();
}

WINBOOL TextHost::TxCreateCaret(HBITMAP, INT width, INT height) {
  if (!engine_) return FALSE;
  engine_->caret_size_ = SIZE{width, height};
  return TRUE;
}

WINBOOL TextHost::TxShowCaret(WINBOOL show) {
  if (!engine_) return FALSE;
  engine_->caret_shown_ = show != FALSE;
  engine_->delegate_->OnEngineCaretMoved();
  return TRUE;
}

WINBOOL TextHost::TxSetCaretPos(INT x, INT y) {
  if (!engine_) return FALSE;
  engine_->caret_pos_ = POINT{x, y};
  engine_->delegate_->OnEngineCaretMoved();
  return TRUE;
}

WINBOOL TextHost::TxSetTimer(UINT id, UINT timeout) {
  if (!engine_) return FALSE;
  auto& flag = engine_->timers_[id];
  flag = std::make_unique<nbase::WeakCallbackFlag>();
  TextServicesEngine* engine = engine_;
  return nbase::TickScheduler::Instance().Schedule(
      flag->FlagReference(), [engine, id] { engine->Send(WM_TIMER, id, 0); }, timeout, -1);
}

void TextHost::TxKillTimer(UINT id) {
  if (engine_) engine_->timers_.erase(id);
}

HRESULT TextHost::TxGetClientRect(LPRECT rect) {
  *rect = engine_ ? ToRect(engine_->client_) : RECT{0, 0, 0, 0};
  return S_OK;
}

HRESULT TextHost::TxGetCharFormat(const CHARFORMATW** format) {
  if (!engine_) return E_FAIL;
  *format = reinterpret_cast<const CHARFORMATW*>(&engine_->char_format_);
  return S_OK;
}

HRESULT TextHost::TxGetParaFormat(const PARAFORMAT** format) {
  if (!engine_) return E_FAIL;
  *format = reinterpret_cast<const PARAFORMAT*>(&engine_->para_format_);
  return S_OK;
}

HRESULT TextHost::TxGetMaxLength(DWORD* length) {
  *length = engine_ ? static_cast<DWORD>(engine_->format_.max_length) : 0x7FFF;
  return S_OK;
}

HRESULT TextHost::TxGetScrollBars(DWORD* bars) {
  DWORD result = 0;
  if (engine_) {
    if (engine_->format_.multi_line) result |= ES_AUTOVSCROLL;
    if (!engine_->format_.multi_line || !engine_->format_.word_wrap) result |= ES_AUTOHSCROLL;
  }
  *bars = result;
  return S_OK;
}

HRESULT TextHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
  DWORD result = 0;
  if (engine_) {
    const TextBoxFormat& f = engine_->format_;
    if (f.rich) result |= TXTBIT_RICHTEXT;
    if (f.multi_line) result |= TXTBIT_MULTILINE;
    if (f.read_only) result |= TXTBIT_READONLY;
    if (f.password) result |= TXTBIT_USEPASSWORD;
    if (f.multi_line && f.word_wrap) result |= TXTBIT_WORDWRAP;
  }
  *bits = result & mask;
  return S_OK;
}

HRESULT TextHost::TxNotify(DWORD code, void*) {
  // Only editing raises the change event; SetText does not.
  if (code == EN_CHANGE && engine_ && !engine_->setting_text_) engine_->delegate_->OnEngineTextChanged();
  return S_OK;
}

}  // namespace

std::unique_ptr<RichEditEngine> CreateRichEditEngine(RichEditEngine::Delegate* delegate) {
  auto engine = std::make_unique<TextServicesEngine>(delegate);
  if (!engine->Start()) return nullptr;
  return engine;
}

}  // namespace ui
