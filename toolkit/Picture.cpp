// Pictures: the executable's resources and decoding through the system's OLE
// picture, which reads bitmaps and JPEG alike.
#include "toolkit/Toolkit.h"

#include <olectl.h>

#include <cstring>

#include "support/Errors.h"
#include "support/Win32.h"

namespace {

// An OLE picture owns its bitmap; the control keeps a copy of its own.
HBITMAP CopyPictureBitmap(IPicture& picture) {
  SHORT type = PICTYPE_NONE;
  OLE_HANDLE handle = 0;
  if (FAILED(picture.get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture.get_Handle(&handle))) {
    return nullptr;
  }
  // GDI handles are 32-bit values, sign-extended on 64-bit Windows.
  const auto bitmap = static_cast<HBITMAP>(LongToHandle(static_cast<LONG>(handle)));
  return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The stream owns the memory from the moment it exists.
void OpenMemoryStream(std::string_view bytes, win::TComPtr<IStream>& stream) {
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) throw Exception(u"Out of memory");
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  const HRESULT result =
      CreateStreamOnHGlobal(memory, TRUE, reinterpret_cast<IStream**>(stream.PutVoid()));
  if (FAILED(result)) {
    GlobalFree(memory);
    throw EOleError(u"Cannot open the picture", result);
  }
}

}  // namespace

std::string_view ResourceBytes(const std::u16string& name, const wchar_t* type) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(module, win::Wide(name), type);
  const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw Exception(u"Resource " + name + u" not found");
  return {static_cast<const char*>(bytes), SizeofResource(module, resource)};
}

TImage::TImage(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds, {L"TImage", 0}) {}

void TImage::LoadFromBytes(std::string_view bytes) {
  win::TComPtr<IStream> stream;
  OpenMemoryStream(bytes, stream);
  win::TComPtr<IPicture> picture;
  const HRESULT result = OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE,
                                        IID_IPicture, picture.PutVoid());
  if (FAILED(result)) throw EOleError(u"The picture cannot be read", result);
  const HBITMAP bitmap = CopyPictureBitmap(*picture.Get());
  if (!bitmap) throw Exception(u"The picture is no bitmap");
  fBitmap.Reset(bitmap);
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  fPictureSize = {info.bmWidth, info.bmHeight};
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TImage::LoadFromResource(const std::u16string& name) {
  LoadFromBytes(ResourceBytes(name, RT_RCDATA));
}

void TImage::SetCenter(bool center) {
  fCenter = center;
  InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return PaintClientArea([this](HDC dc, const RECT& area) {
        if (!fBitmap) return;
        const int left = fCenter ? (area.right - fPictureSize.cx) / 2 : 0;
        const int top = fCenter ? (area.bottom - fPictureSize.cy) / 2 : 0;
        const HDC source = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(source, fBitmap.Get());
        BitBlt(dc, left, top, fPictureSize.cx, fPictureSize.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
      });
  }
  return TControl::WndProc(message, wParam, lParam);
}
