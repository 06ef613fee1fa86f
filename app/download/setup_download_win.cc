// The URL moniker download. urlmon and wininet are loaded from the system
// folder at run time so that nothing beside the installer can stand in for
// them.
#include "app/download/setup_download.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr HRESULT kRedirectRefused = static_cast<HRESULT>(0x800C0014);  // INET_E_REDIRECT_FAILED

HMODULE LoadFromSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  path += name;
  return ::LoadLibraryW(path.c_str());
}

template <class Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  HMODULE module = LoadFromSystemFolder(library);  // kept loaded for the process
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                : nullptr;
}

bool IsSecure(const wchar_t* url) { return url && ::_wcsnicmp(url, L"https://", 8) == 0; }

// Whether the response of `binding` arrived over TLS. False when it cannot be
// told.
bool ArrivedOverTls(IBinding* binding) {
  IWinInetInfo* info = nullptr;
  if (!binding || FAILED(binding->QueryInterface(IID_IWinInetInfo, reinterpret_cast<void**>(&info))) || !info)
    return false;
  DWORD flags = 0;
  DWORD size = sizeof(flags);
  const HRESULT queried = info->QueryOption(INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  info->Release();
  return SUCCEEDED(queried) && (flags & SECURITY_FLAG_SECURE) != 0;
}

// The download's status callback. One instance lives on the worker's stack for
// one attempt; reference counting never frees it.
//
// A secure source handed over to a plain address is refused twice: when the
// redirect is announced, and when the response arrives not over TLS. Wine's
// URLDownloadToFileW follows such a redirect without passing
// BINDSTATUS_REDIRECTING on, so only the second check sees it there; it also
// ignores E_ABORT from OnResponse, but stops at the next OnProgress refusal.
class CBSCallbackImpl : public IBindStatusCallback, public IHttpSecurity, public IHttpNegotiate {
 public:
  CBSCallbackImpl(const DownloadProgressCallback* progress, bool secure_source)
      : progressCallback(progress), secureSource(secure_source) {}
  ~CBSCallbackImpl() {
    if (binding) binding->Release();
  }

  // IUnknown (every face).
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
      *object = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
      *object = static_cast<IHttpNegotiate*>(this);
    } else if (IsEqualIID(iid, IID_IHttpSecurity) || IsEqualIID(iid, IID_IWindowForBindingUI)) {
      *object = static_cast<IHttpSecurity*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refCount; }
  STDMETHODIMP_(ULONG) Release() override { return --refCount; }

  // IBindStatusCallback.
  STDMETHODIMP OnStartBinding(DWORD, IBinding* started) override {
    std::lock_guard<std::mutex> hold(lock);
    if (started) started->AddRef();
    if (binding) binding->Release();
    binding = started;
    return S_OK;
  }
  STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
  STDMETHODIMP OnProgress(ULONG progress, ULONG progress_max, ULONG status, LPCWSTR text) override {
    // A secure source must not hand the download over to a plain address.
    if (status == BINDSTATUS_REDIRECTING && secureSource && !IsSecure(text)) redirectRefused = true;
    if (redirectRefused) return E_ABORT;
    // The callback's verdict (a stalled transfer, a shutdown) ends the
    // download: E_ABORT from here makes the moniker give up.
    return Report(progress, progress_max) ? S_OK : E_ABORT;
  }
  STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override {
    std::lock_guard<std::mutex> hold(lock);
    if (binding) binding->Release();
    binding = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) override {
    // Newest version, nothing written to the cache. Certificate and redirect
    // problems are deliberately not ignored.
    *flags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE;
    return S_OK;
  }
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return redirectRefused || stopped ? E_ABORT : S_OK;
  }

  // Hands a byte count to the progress callback (from the moniker's thread or
  // the watchdog, one at a time). False once the transfer is to end.
  bool Report(ULONG progress, ULONG progress_max) {
    std::lock_guard<std::mutex> hold(lock);
    if (stopped) return false;
    lastProgress = progress;
    lastProgressMax = progress_max;
    if (*progressCallback && !(*progressCallback)(progress, progress_max)) stopped = true;
    return !stopped;
  }

  // The watchdog's tick: the callback sees the last byte count again, so the
  // stall rule and the cancel flag are judged even while the moniker reports
  // nothing (Wine's does not while a body trickles in). When the transfer is
  // to end, the binding is aborted from here.
  void Tick() {
    IBinding* running = nullptr;
    {
      std::lock_guard<std::mutex> hold(lock);
      if (aborted) return;
      if (!stopped && *progressCallback && !(*progressCallback)(lastProgress, lastProgressMax)) stopped = true;
      if (!stopped || !binding) return;
      running = binding;
      running->AddRef();
      aborted = true;
    }
    running->Abort();
    running->Release();
  }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // IWindowForBindingUI / IHttpSecurity.
  STDMETHODIMP GetWindow(REFGUID, HWND* window) override {
    *window = ::GetDesktopWindow();
    ++windowRequests;
    return S_OK;
  }
  STDMETHODIMP OnSecurityProblem(DWORD) override {
    // A bad certificate or a downgrade fails this attempt; the next mirror
    // is tried.
    return E_ABORT;
  }

  // IHttpNegotiate.
  STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional_headers) override {
    if (additional_headers) *additional_headers = nullptr;
    return S_OK;
  }
  STDMETHODIMP OnResponse(DWORD, LPCWSTR, LPCWSTR, LPWSTR* additional_headers) override {
    if (additional_headers) *additional_headers = nullptr;
    if (secureSource && !ArrivedOverTls(binding)) redirectRefused = true;
    return redirectRefused ? E_ABORT : S_OK;
  }

  ULONG refCount = 1;
  std::mutex lock;  // guards the binding, the last byte count and the callback
  IBinding* binding = nullptr;
  ULONG lastProgress = 0;
  ULONG lastProgressMax = 0;
  bool aborted = false;  // the watchdog has aborted the binding
  const DownloadProgressCallback* progressCallback;
  int windowRequests = 0;
  bool secureSource;
  bool redirectRefused = false;
  std::atomic<bool> stopped{false};  // the progress callback asked to end the transfer
};

// Ticks `callback` once a second on its own thread for as long as it lives.
class Watchdog {
 public:
  explicit Watchdog(CBSCallbackImpl* callback)
      : thread_([this, callback] {
          std::unique_lock<std::mutex> hold(lock_);
          while (!done_) {
            if (wake_.wait_for(hold, std::chrono::seconds(1), [this] { return done_; })) break;
            hold.unlock();
            callback->Tick();
            hold.lock();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      done_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};

using DownloadFunction = HRESULT(WINAPI*)(IUnknown*, LPCWSTR, LPCWSTR, DWORD, IBindStatusCallback*);
using DeleteCacheFunction = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

int32_t FetchUrlToFile(const std::wstring& url, const std::wstring& path,
                       const DownloadProgressCallback& progress, int* window_requests) {
  static const DownloadFunction download = SystemFunction<DownloadFunction>(L"urlmon.dll", "URLDownloadToFileW");
  if (!download) return E_NOTIMPL;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CBSCallbackImpl callback(&progress, IsSecure(url.c_str()));
  HRESULT result;
  {
    Watchdog watchdog(&callback);
    result = download(nullptr, url.c_str(), path.c_str(), 0, &callback);
  }
  if (callback.stopped) {
    // Ended by the callback's verdict: whatever part arrived is not kept.
    if (SUCCEEDED(result)) result = E_ABORT;
    ::DeleteFileW(path.c_str());
  }
  if (callback.redirectRefused) {
    // Whatever arrived from the plain address is not kept.
    result = kRedirectRefused;
    ::DeleteFileW(path.c_str());
  }
  *window_requests += callback.windowRequests;
  if (SUCCEEDED(com)) ::CoUninitialize();
  return result;
}

void ForgetCachedCopy(const std::wstring& url) {
  static const DeleteCacheFunction forget =
      SystemFunction<DeleteCacheFunction>(L"wininet.dll", "DeleteUrlCacheEntryW");
  if (forget) forget(url.c_str());
}

void TrustCertificatesForTesting(const std::wstring& pem_file) {
  (void)pem_file;  // the moniker trusts what the system trusts
}
