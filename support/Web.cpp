// Fetching a URL through WinInet, as bytes and as text, and the thread that
// fetches one in the background.
#include "support/Web.h"

#include <windows.h>

#include <wininet.h>

#include "support/Errors.h"
#include "support/Synchronize.h"
#include "support/WebText.h"
#include "support/Win32.h"

namespace {

// WinInet is no KnownDLL: it is loaded at run time from the system directory.
struct TWinInet {
  decltype(InternetOpenW)* open = nullptr;
  decltype(InternetOpenUrlW)* openUrl = nullptr;
  decltype(InternetReadFile)* read = nullptr;
  decltype(InternetCloseHandle)* close = nullptr;
};

const TWinInet& WinInet() {
  static const TWinInet api = [] {
    const HMODULE module = win::LoadSystemLibrary(L"wininet.dll");
    TWinInet loaded{win::ProcAddress<decltype(InternetOpenW)>(module, "InternetOpenW"),
                    win::ProcAddress<decltype(InternetOpenUrlW)>(module, "InternetOpenUrlW"),
                    win::ProcAddress<decltype(InternetReadFile)>(module, "InternetReadFile"),
                    win::ProcAddress<decltype(InternetCloseHandle)>(module, "InternetCloseHandle")};
    return loaded.open && loaded.openUrl && loaded.read && loaded.close ? loaded : TWinInet{};
  }();
  return api;
}

BOOL CloseInternetHandle(HINTERNET handle) { return WinInet().close(handle); }

using TInternetHandle = win::TOwned<HINTERNET, &CloseInternetHandle>;

// Reload from the server, reuse a connection, keep the reply out of the cache,
// no cookies.
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
static_assert(kOpenUrlFlags == 0xA4080000);

constexpr DWORD kChunkSize = 4096;

}  // namespace

bool GetUrlStream(const std::u16string& url, TByteStream& stream,
                  const TUrlProgressEvent& onProgress) {
  const TWinInet& api = WinInet();
  if (!api.open) return false;
  const TInternetHandle internet(
      api.open(L"Internet Explorer", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return false;
  // Declared after the internet handle, so closed before it.
  const TInternetHandle request(
      api.openUrl(internet.Get(), win::Wide(url), nullptr, 0, kOpenUrlFlags, 0));
  if (!request) return false;
  bool cancel = false;
  char buffer[kChunkSize];
  DWORD read = 0;
  // A read that fails ends the body like its end does.
  while (api.read(request.Get(), buffer, kChunkSize, &read) && read > 0) {
    stream.Write(buffer, read);
    if (onProgress) {
      onProgress(cancel, stream.Size());
      if (cancel) break;
    }
  }
  return !cancel;
}

std::u16string GetUrlStr(const std::u16string& url) {
  TMemoryByteStream body;
  if (!GetUrlStream(url, body, nullptr)) return {};
  return DecodeUrlBody(body.Bytes());
}

TGetUrlStrThread::TGetUrlStrThread()
    : fHandle(CreateThread(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, nullptr)) {
  if (fHandle == nullptr) {
    throw Exception(u"Thread creation error: " + win::SysErrorMessage(GetLastError()));
  }
  SetThreadPriority(fHandle, THREAD_PRIORITY_BELOW_NORMAL);
}

TGetUrlStrThread::~TGetUrlStrThread() { CloseHandle(fHandle); }

void TGetUrlStrThread::Start() { ResumeThread(fHandle); }

void TGetUrlStrThread::Execute() {
  try {
    FReturnStr = GetUrlStr(FUrl + FParam);
  } catch (...) {
    FReturnStr.clear();
  }
}

unsigned long __stdcall TGetUrlStrThread::ThreadProc(void* self) {
  auto* thread = static_cast<TGetUrlStrThread*>(self);
  // Nothing may leave the thread: an escaping error would end the process.
  try {
    thread->Execute();
  } catch (...) {
  }
  try {
    if (thread->OnTerminate) Synchronize([thread] { thread->OnTerminate(thread); });
  } catch (...) {
  }
  delete thread;
  return 0;
}
