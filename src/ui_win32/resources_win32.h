// The Windows program's fonts and pictures, taken from its own resources.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "controller/window_layout.h"

// A picture decoded to 32-bit premultiplied BGRA, ready for AlphaBlend.
struct DecodedPicture {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  bool opaque = false;  // no pixel lets what is behind it show through
};

struct IWICImagingFactory;

class Win32Resources {
 public:
  // Registers the bundled faces for this program alone. Each picture is decoded when it is
  // first drawn: some belong to pages and windows a run may never show.
  Win32Resources();
  ~Win32Resources();
  Win32Resources(const Win32Resources&) = delete;
  Win32Resources& operator=(const Win32Resources&) = delete;

  // The picture for a window at `dpi`: drawn for that scale (at 1x, 1.5x or 2x), or the next
  // finer drawing brought down to it. nullptr for LayoutPicture::None and for a picture that
  // could not be decoded.
  const DecodedPicture* Picture(LayoutPicture picture, UINT dpi = 96) const;
  // The font of a resolved layout font (never Inherited) at `dpi`; one object per face, size,
  // weight, DPI and script. A script other than DEFAULT_CHARSET (ARABIC_CHARSET) takes a face
  // of the system that has its letters where the layout's face has none.
  HFONT Font(const LayoutFont& font, UINT dpi = 96, BYTE script = DEFAULT_CHARSET);
  HICON Icon(int size) const;

 private:
  void RegisterBundledFonts();
  const wchar_t* FaceFor(FontFace face) const;
  const wchar_t* FaceWriting(FontFace face, BYTE script) const;

  // Filled as pictures are first asked for; a picture that cannot be decoded is kept as none.
  mutable std::map<std::pair<LayoutPicture, UINT>, DecodedPicture> pictures_;
  mutable IWICImagingFactory* picture_decoder_ = nullptr;
  mutable bool picture_decoder_failed_ = false;
  std::map<std::tuple<FontFace, int, bool, UINT, BYTE>, HFONT> fonts_;
  std::vector<HANDLE> font_handles_;
  bool open_sans_bundled_ = false;
  bool liberation_bundled_ = false;
  // Asked of the system once: each question enumerates its fonts.
  mutable std::map<FontFace, bool> system_has_face_;
  mutable std::map<std::pair<FontFace, BYTE>, std::wstring> script_faces_;
};
