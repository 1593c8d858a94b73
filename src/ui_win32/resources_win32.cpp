// The Windows program's fonts and pictures, taken from its own resources.
#include "ui_win32/resources_win32.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Resource type of the bundled font files (see the resource script).
constexpr const wchar_t* kFontResourceType = L"FONTFILE";

struct PictureResource {
  LayoutPicture picture;
  const wchar_t* name;  // at 1x; the finer drawings add _15X and _2X
};
constexpr PictureResource kPictureResources[] = {
    {LayoutPicture::Background, L"BACKGROUND"},
    {LayoutPicture::MessageBackground, L"MESSAGE_BACKGROUND"},
    {LayoutPicture::Logo, L"LOGO"},
    {LayoutPicture::CheckMark, L"CHECK_MARK"},
};

// The drawings of each picture, in DPI (96 is 1x), and the endings of their resource names.
struct PictureVariant {
  UINT dpi;
  const wchar_t* ending;
};
constexpr PictureVariant kPictureVariants[] = {{96, L""}, {144, L"_15X"}, {192, L"_2X"}};

// The coarsest drawing at least as fine as `dpi` (the finest beyond 2x).
const PictureVariant& VariantFor(UINT dpi) {
  for (const PictureVariant& variant : kPictureVariants) {
    if (variant.dpi >= dpi) return variant;
  }
  return kPictureVariants[std::size(kPictureVariants) - 1];
}

struct ResourceBytes {
  const void* data = nullptr;
  DWORD size = 0;
};

ResourceBytes FindBytes(const wchar_t* name, const wchar_t* type) {
  HRSRC found = ::FindResourceW(nullptr, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  if (loaded == nullptr) return {};
  return {::LockResource(loaded), ::SizeofResource(nullptr, found)};
}

template <typename T>
void Release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

bool IsOpaque(const BYTE* pixels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (pixels[i * 4 + 3] != 0xFF) return false;
  }
  return true;
}

// The decoded picture brought to `width` x `height` when it is not that size already.
IWICBitmapSource* ScaledTo(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height) {
  UINT own_width = 0;
  UINT own_height = 0;
  IWICBitmapScaler* scaler = nullptr;
  if (FAILED(source->GetSize(&own_width, &own_height)) || (own_width == width && own_height == height) ||
      FAILED(factory->CreateBitmapScaler(&scaler))) {
    source->AddRef();
    return source;
  }
  if (FAILED(scaler->Initialize(source, width, height, WICBitmapInterpolationModeFant))) {
    Release(scaler);
    source->AddRef();
    return source;
  }
  return scaler;
}

// PNG (or any format WIC knows) to a top-down 32-bit premultiplied DIB section, `scale` times
// the size it was drawn at (1 keeps it).
DecodedPicture Decode(IWICImagingFactory* factory, const ResourceBytes& bytes, double scale) {
  DecodedPicture result;
  IWICStream* stream = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  IWICBitmapSource* converted = nullptr;
  UINT width = 0;
  UINT height = 0;
  if (SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(
          stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes.data)), bytes.size)) &&
      SUCCEEDED(
          factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) &&
      SUCCEEDED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame, &converted)) &&
      SUCCEEDED(converted->GetSize(&width, &height))) {
    width = std::max<UINT>(1, static_cast<UINT>(width * scale + 0.5));
    height = std::max<UINT>(1, static_cast<UINT>(height * scale + 0.5));
    IWICBitmapSource* scaled = ScaledTo(factory, converted, width, height);
    Release(converted);
    converted = scaled;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    const UINT stride = width * 4;
    if (bitmap != nullptr &&
        SUCCEEDED(converted->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels)))) {
      result = {bitmap, static_cast<int>(width), static_cast<int>(height),
                IsOpaque(static_cast<const BYTE*>(pixels), std::size_t{width} * height)};
    } else if (bitmap != nullptr) {
      ::DeleteObject(bitmap);
    }
  }
  Release(converted);
  Release(frame);
  Release(decoder);
  Release(stream);
  return result;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  // Names given in the resource script are strings; a numeric id has no name to keep.
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(names)->emplace_back(name);
  return TRUE;
}

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool SystemHasFace(const wchar_t* face, BYTE script = DEFAULT_CHARSET) {
  LOGFONTW wanted{};
  wanted.lfCharSet = script;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &wanted, NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

// The first proportional face of the system that writes a script; "" when none does.
int CALLBACK NoteProportionalFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD, LPARAM face) {
  // The bit set means a variable pitch; '@' starts the vertical forms of East Asian faces.
  if ((metrics->tmPitchAndFamily & TMPF_FIXED_PITCH) == 0 || font->lfFaceName[0] == L'@') return 1;
  *reinterpret_cast<std::wstring*>(face) = font->lfFaceName;
  return 0;
}

std::wstring AnyFaceWriting(BYTE script) {
  LOGFONTW wanted{};
  wanted.lfCharSet = script;
  std::wstring face;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &wanted, NoteProportionalFace, reinterpret_cast<LPARAM>(&face), 0);
  ::ReleaseDC(nullptr, screen);
  return face;
}

}  // namespace

Win32Resources::Win32Resources() { RegisterBundledFonts(); }

Win32Resources::~Win32Resources() {
  for (auto& [key, font] : fonts_) ::DeleteObject(font);
  for (auto& [key, picture] : pictures_) {
    if (picture.bitmap != nullptr) ::DeleteObject(picture.bitmap);
  }
  Release(picture_decoder_);
  for (HANDLE handle : font_handles_) ::RemoveFontMemResourceEx(handle);
}

void Win32Resources::RegisterBundledFonts() {
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(nullptr, kFontResourceType, CollectName, reinterpret_cast<LONG_PTR>(&names));
  for (const std::wstring& name : names) {
    const ResourceBytes bytes = FindBytes(name.c_str(), kFontResourceType);
    DWORD faces = 0;
    HANDLE handle = bytes.data == nullptr
                        ? nullptr
                        : ::AddFontMemResourceEx(const_cast<void*>(bytes.data), bytes.size, nullptr, &faces);
    if (handle == nullptr) continue;
    font_handles_.push_back(handle);
    // Fonts registered for the process alone cannot be enumerated, so their presence is noted here.
    if (name.find(L"OPENSANS") != std::wstring::npos) open_sans_bundled_ = true;
    if (name.find(L"LIBERATION") != std::wstring::npos) liberation_bundled_ = true;
  }
}

const DecodedPicture* Win32Resources::Picture(LayoutPicture picture, UINT dpi) const {
  const auto key = std::make_pair(picture, dpi);
  if (const auto found = pictures_.find(key); found != pictures_.end()) {
    return found->second.bitmap == nullptr ? nullptr : &found->second;
  }
  const auto resource = std::find_if(std::begin(kPictureResources), std::end(kPictureResources),
                                     [&](const PictureResource& known) { return known.picture == picture; });
  if (resource == std::end(kPictureResources)) return nullptr;
  if (picture_decoder_ == nullptr && !picture_decoder_failed_) {
    picture_decoder_failed_ =
        FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&picture_decoder_)));
  }
  // Without a decoder the window still opens, without its pictures.
  DecodedPicture& decoded = pictures_[key];
  const PictureVariant& variant = VariantFor(dpi);
  const std::wstring name = std::wstring(resource->name) + variant.ending;
  const ResourceBytes bytes = FindBytes(name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (picture_decoder_ != nullptr && bytes.data != nullptr) {
    decoded = Decode(picture_decoder_, bytes, static_cast<double>(dpi) / variant.dpi);
  }
  return decoded.bitmap == nullptr ? nullptr : &decoded;
}

// The first face of each list that is present wins, as in the Qt window: the system's own
// Arial or Tahoma before the metric-compatible bundled stand-in.
const wchar_t* Win32Resources::FaceFor(FontFace face) const {
  const wchar_t* stand_in = liberation_bundled_ ? L"Liberation Sans" : L"MS Shell Dlg 2";
  const auto system_face = [&](const wchar_t* name) {
    const auto known = system_has_face_.find(face);
    const bool present = known != system_has_face_.end() ? known->second : SystemHasFace(name);
    system_has_face_[face] = present;
    return present ? name : stand_in;
  };
  switch (face) {
    case FontFace::OpenSans:
      return open_sans_bundled_ ? L"Open Sans" : stand_in;
    case FontFace::Arial:
      return system_face(L"Arial");
    case FontFace::Tahoma:
      return system_face(L"Tahoma");
    case FontFace::Inherited:
      break;
  }
  return stand_in;
}

// The bundled faces write no script but the Latin, Greek and Cyrillic ones; Windows' Tahoma and
// Arial write Arabic and Hebrew too, Wine's Tahoma does not. The system would draw boxes rather
// than fall back to another face (Wine does not), so the face is chosen here.
const wchar_t* Win32Resources::FaceWriting(FontFace face, BYTE script) const {
  const auto key = std::make_pair(face, script);
  if (const auto known = script_faces_.find(key); known != script_faces_.end()) return known->second.c_str();
  std::wstring chosen = FaceFor(face);
  const bool bundled = chosen == L"Open Sans" || chosen == L"Liberation Sans";
  if (bundled || !SystemHasFace(chosen.c_str(), script)) {
    chosen.clear();
    for (const wchar_t* usual : {L"Tahoma", L"Arial", L"Segoe UI"}) {
      if (SystemHasFace(usual, script)) {
        chosen = usual;
        break;
      }
    }
    if (chosen.empty()) chosen = AnyFaceWriting(script);
    if (chosen.empty()) chosen = FaceFor(face);
  }
  return script_faces_.emplace(key, chosen).first->second.c_str();
}

HFONT Win32Resources::Font(const LayoutFont& font, UINT dpi, BYTE script) {
  const auto key = std::make_tuple(font.face, font.points, font.bold, dpi, script);
  if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second;
  // The character height for the window's DPI, rounded as at 96 DPI.
  const int pixels = ::MulDiv(font.points, static_cast<int>(dpi), 72);
  HFONT created = ::CreateFontW(-pixels, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                FALSE, script, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                DEFAULT_PITCH | FF_SWISS,
                                script == DEFAULT_CHARSET ? FaceFor(font.face) : FaceWriting(font.face, script));
  fonts_[key] = created;
  return created;
}

HICON Win32Resources::Icon(int size) const {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR | LR_SHARED));
}
