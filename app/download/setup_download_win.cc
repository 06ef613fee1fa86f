// The URL moniker download, pulled into our own file so that a cut download
// can be continued. urlmon and wininet are loaded from the system folder at
// run time so that nothing beside the installer can stand in for them.
#include "app/download/setup_download.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <vector>

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

// The setup file through our own handle.
class HandleFileOut : public SetupFileOut {
 public:
  explicit HandleFileOut(HANDLE file) : file_(file) {}
  bool Truncate() override {
    LARGE_INTEGER start = {};
    return ::SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) && ::SetEndOfFile(file_);
  }
  bool Append(const void* data, size_t size) override {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
      DWORD written = 0;
      if (!::WriteFile(file_, next, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
      next += written;
      size -= written;
    }
    return true;
  }

 private:
  HANDLE file_;
};

// Opens the setup file an earlier attempt of ours wrote, to continue it: the
// same file (volume and index), one link, no reparse point, still `kept`
// bytes long. Nobody else may open it while we write.
HANDLE OpenKeptSetupFile(const std::wstring& path, const PartialDownload& partial) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER end = {};
  const bool same =
      ::GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
      info.nNumberOfLinks == 1 && info.dwVolumeSerialNumber == partial.file_id[0] &&
      ((static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) == partial.file_id[1] &&
      ((static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow) == partial.kept &&
      ::SetFilePointerEx(file, end, nullptr, FILE_END);
  if (!same) {
    ::CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// The handle this attempt writes through: the kept file when `partial` can
// be continued, else a new file made afresh (whatever was at the path goes
// first, and nothing already there is written through).
HANDLE OpenAttemptFile(const std::wstring& path, PartialDownload* partial) {
  if (partial && partial->Resumable()) {
    HANDLE kept = OpenKeptSetupFile(path, *partial);
    if (kept != INVALID_HANDLE_VALUE) return kept;
  }
  if (partial) partial->Clear();
  ::DeleteFileW(path.c_str());
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (file != INVALID_HANDLE_VALUE && partial && ::GetFileInformationByHandle(file, &info)) {
    partial->file_id[0] = info.dwVolumeSerialNumber;
    partial->file_id[1] = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  }
  return file;
}

// The head assumed for a body that came without one.
ResponseHead WholeFileHead() {
  ResponseHead head;
  head.status = 200;
  return head;
}

std::string Narrow(const wchar_t* text) {
  std::string narrow;
  for (; text && *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
  return narrow;
}

// The response head of `binding` as WinINet holds it; a plain 200 when it
// cannot be had.
ResponseHead HeadOfBinding(IBinding* binding) {
  ResponseHead head = WholeFileHead();
  IWinInetHttpInfo* info = nullptr;
  if (!binding || FAILED(binding->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) || !info)
    return head;
  wchar_t text[8192] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  if (SUCCEEDED(info->QueryInfo(HTTP_QUERY_RAW_HEADERS_CRLF, text, &size, nullptr, nullptr))) {
    // Some monikers answer in UTF-16 ("H\0T\0..."), others in narrow text.
    const char* narrow = reinterpret_cast<const char*>(text);
    ResponseHead read;
    read.AddLines(narrow[0] != '\0' && narrow[1] == '\0' ? Narrow(text) : std::string(narrow, strnlen(narrow, size)));
    if (read.status != 0) head = read;
  }
  info->Release();
  return head;
}

// The download's status callback: one binding of the URL moniker, pulled on
// the attempt's own thread. The request asks for the rest of a kept file
// (IHttpNegotiate::BeginningTransaction), the response head decides what its
// body does (OnResponse), and the body is read from the moniker's stream
// into our own file (OnDataAvailable). Nothing goes to the Internet cache.
//
// A secure source handed over to a plain address is refused twice: when the
// redirect is announced, and when the response arrives not over TLS. Wine's
// urlmon follows such a redirect without passing BINDSTATUS_REDIRECTING on,
// so only the second check sees it there; it also ignores E_ABORT from
// OnResponse, so the body is refused at OnDataAvailable and the binding
// aborted.
//
// Allocated per attempt and freed by its last Release: the moniker may hold
// it a little longer than the attempt. `Detach` cuts it off from the
// attempt's objects first.
class CBSCallbackImpl final : public IBindStatusCallback, public IHttpSecurity, public IHttpNegotiate {
 public:
  CBSCallbackImpl(AttemptSink* sink, bool secure_source, std::wstring request_headers)
      : sink_(sink), secureSource(secure_source), requestHeaders_(std::move(request_headers)) {}

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
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refCount;
    if (left == 0) delete this;
    return left;
  }

  // IBindStatusCallback.
  STDMETHODIMP OnStartBinding(DWORD, IBinding* started) override {
    if (started) started->AddRef();
    if (binding) binding->Release();
    binding = started;
    return S_OK;
  }
  STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
  STDMETHODIMP OnProgress(ULONG, ULONG, ULONG status, LPCWSTR text) override {
    // A secure source must not hand the download over to a plain address.
    if (status == BINDSTATUS_REDIRECTING && text) {
      redirects.emplace_back(text);
      if (secureSource && !IsSecure(text)) redirectRefused = true;
    }
    if (redirectRefused) return E_ABORT;
    // The byte counts come from the body we write, not from the moniker.
    return Tick() ? S_OK : E_ABORT;
  }
  STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR) override {
    stopResult = result;
    done = true;
    if (binding) binding->Release();
    binding = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override {
    // Pulled by us, newest version, nothing written to the cache. Certificate
    // and redirect problems are deliberately not ignored.
    *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
             BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
    if (info && info->cbSize >= sizeof(BINDINFO)) {
      const ULONG size = info->cbSize;
      ::ZeroMemory(info, size);
      info->cbSize = size;
      info->dwBindVerb = BINDVERB_GET;
    }
    return S_OK;
  }
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override {
    // A refused body is never written, even when the moniker goes on.
    if (redirectRefused || refused || !sink_) return E_ABORT;
    // No head was offered through OnResponse: ask the binding for it, else
    // (not HTTP) the body is the whole file.
    if (!sink_->begun() && !sink_->Begin(HeadOfBinding(binding))) return Refuse();
    if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm) return S_OK;
    char buffer[64 * 1024];
    for (;;) {
      ULONG read = 0;
      const HRESULT got = medium->pstm->Read(buffer, sizeof(buffer), &read);
      if (read > 0 && !sink_->Write(buffer, read)) return Refuse();
      if (got != S_OK || read == 0) break;  // S_FALSE: the end; E_PENDING: more later
    }
    return S_OK;
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
    if (!additional_headers) return S_OK;
    *additional_headers = nullptr;
    if (requestHeaders_.empty()) return S_OK;
    // The moniker frees the text with CoTaskMemFree.
    const size_t bytes = (requestHeaders_.size() + 1) * sizeof(wchar_t);
    auto* text = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (!text) return E_OUTOFMEMORY;
    ::CopyMemory(text, requestHeaders_.c_str(), bytes);
    *additional_headers = text;
    return S_OK;
  }
  STDMETHODIMP OnResponse(DWORD status, LPCWSTR response_headers, LPCWSTR, LPWSTR* additional_headers) override {
    if (additional_headers) *additional_headers = nullptr;
    if (secureSource && !ArrivedOverTls(binding)) redirectRefused = true;
    if (redirectRefused || !sink_) return E_ABORT;
    // A redirect the moniker follows itself is not the answer yet.
    if (status >= 300 && status < 400) return S_OK;
    ResponseHead head;
    head.AddLines(Narrow(response_headers));
    head.status = static_cast<int>(status);
    return sink_->begun() || sink_->Begin(head) ? S_OK : Refuse();
  }

  // The pump's once-a-second check: the stall rule and the cancel flag are
  // judged even while the moniker reports nothing (Wine's does not while a
  // body trickles in).
  bool Tick() { return sink_ && sink_->Tick(); }
  // Ends the binding from the attempt's own thread.
  void Abort() {
    if (aborted || !binding) return;
    aborted = true;
    binding->Abort();
  }
  void Detach() { sink_ = nullptr; }

  ULONG refCount = 1;
  IBinding* binding = nullptr;
  bool done = false;
  bool aborted = false;
  bool refused = false;  // the body was refused or could not be written
  HRESULT stopResult = S_OK;
  int windowRequests = 0;
  bool redirectRefused = false;
  std::vector<std::wstring> redirects;  // addresses the download was sent on to

 private:
  HRESULT Refuse() {
    refused = true;
    return E_ABORT;
  }
  ~CBSCallbackImpl() {
    if (binding) binding->Release();
  }

  AttemptSink* sink_;
  bool secureSource;
  std::wstring requestHeaders_;
};

using CreateMonikerFunction = HRESULT(WINAPI*)(IMoniker*, LPCWSTR, IMoniker**, DWORD);
using CreateBindContextFunction = HRESULT(WINAPI*)(DWORD, IBindStatusCallback*, IEnumFORMATETC*, IBindCtx**);
using DeleteCacheFunction = BOOL(WINAPI*)(LPCWSTR);

// How long an aborted binding may take to say it has stopped.
constexpr DWORD kStopGraceMs = 5000;

// Runs the moniker's messages on this thread until the binding stops,
// ticking `callback` once a second; aborts the binding once the tick or a
// refused body says so.
void PumpUntilStopped(CBSCallbackImpl* callback) {
  DWORD last_tick = ::GetTickCount();
  DWORD aborted_at = 0;
  while (!callback->done) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 200, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (!callback->done && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    const DWORD now = ::GetTickCount();
    if (now - last_tick >= 1000) {
      last_tick = now;
      if (!callback->Tick()) callback->refused = true;
    }
    if ((callback->refused || callback->redirectRefused) && !callback->aborted) {
      callback->Abort();
      aborted_at = now;
    }
    if (callback->aborted && now - aborted_at > kStopGraceMs) break;
  }
}

}  // namespace

int32_t FetchUrlToFile(const std::wstring& url, const std::wstring& path,
                       const TransferProgressCallback& progress, int* window_requests,
                       PartialDownload* partial) {
  static const CreateMonikerFunction create_moniker =
      SystemFunction<CreateMonikerFunction>(L"urlmon.dll", "CreateURLMonikerEx");
  static const CreateBindContextFunction create_bind_context =
      SystemFunction<CreateBindContextFunction>(L"urlmon.dll", "CreateAsyncBindCtx");
  if (!create_moniker || !create_bind_context) return E_NOTIMPL;
  HANDLE handle = OpenAttemptFile(path, partial);
  if (handle == INVALID_HANDLE_VALUE) return E_ACCESSDENIED;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HandleFileOut file(handle);
  AttemptSink sink(partial, &file, &progress);
  const std::string resume = partial ? ResumeRequestHeaders(*partial) : std::string();
  auto* callback = new CBSCallbackImpl(&sink, IsSecure(url.c_str()), std::wstring(resume.begin(), resume.end()));

  HRESULT result = E_FAIL;
  IMoniker* moniker = nullptr;
  IBindCtx* context = nullptr;
  if (SUCCEEDED(create_moniker(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM)) &&
      SUCCEEDED(create_bind_context(0, callback, nullptr, &context))) {
    IStream* stream = nullptr;
    result = moniker->BindToStorage(context, nullptr, IID_IStream, reinterpret_cast<void**>(&stream));
    if (SUCCEEDED(result)) {
      PumpUntilStopped(callback);
      result = callback->done ? callback->stopResult : E_ABORT;
    }
    if (stream) stream->Release();
  }
  if (context) context->Release();
  if (moniker) moniker->Release();

  if (callback->redirectRefused) {
    // Whatever arrived from the plain address is not kept.
    result = kRedirectRefused;
    if (partial) partial->Clear();
  } else if (sink.failure() != 0) {
    result = sink.failure();
  } else if (sink.stopped()) {
    result = E_ABORT;  // the progress verdict: a stall or a shutdown
  } else if (SUCCEEDED(result) && !sink.begun() && !sink.Begin(WholeFileHead())) {
    result = sink.failure();
  } else if (SUCCEEDED(result)) {
    // Wine's moniker takes a cut connection for the end of the body.
    result = sink.ShortBodyFailure();
  }
  *window_requests += callback->windowRequests;
  // Whatever a redirect target left in the cache goes too (the caller
  // forgets the source itself).
  for (const std::wstring& target : callback->redirects) ForgetCachedCopy(target);
  callback->Detach();
  callback->Release();
  ::CloseHandle(handle);
  if (result == kRedirectRefused) ::DeleteFileW(path.c_str());
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
