// A frame whose decoder scales natively, as Windows' JPEG decoder does, is
// decoded at its reduced size: a picture too large to hold whole still loads.
// Wine's decoders offer no reduced scale, so the frame here is a stand-in.

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>

#include "picture/PictureLimits.h"
#include "picture/WicFrame.h"
#include "picture/WicSourceTransform.h"

namespace mirel {
namespace {

constexpr std::uint32_t kLeft = 0x3C78C8, kRight = 0xC82828;

// COM objects are released, never deleted through an interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// 12000 x 9000, left half kLeft and right half kRight, 24-bit BGR; scaled by
// 1/2, 1/4 or 1/8 when `scales`.
class ScalingFrame final : public IWICBitmapFrameDecode, public IWICBitmapSourceTransform {
 public:
  static constexpr UINT kWidth = 12000, kHeight = 9000;
  explicit ScalingFrame(bool scales) : scales_(scales) {}
  int wholeCopies = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    *out = nullptr;
    if (id == __uuidof(IUnknown) || id == __uuidof(IWICBitmapSource) || id == __uuidof(IWICBitmapFrameDecode))
      *out = static_cast<IWICBitmapFrameDecode*>(this);
    else if (id == __uuidof(IWICBitmapSourceTransform) && scales_)
      *out = static_cast<IWICBitmapSourceTransform*>(this);
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE GetSize(UINT* w, UINT* h) override {
    *w = kWidth, *h = kHeight;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
    *format = GUID_WICPixelFormat24bppBGR;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override {
    *x = *y = 96;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette*) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT size, BYTE* out) override {
    ++wholeCopies;
    const WICRect all = {0, 0, INT(kWidth), INT(kHeight)};
    return Paint(rect ? *rect : all, kWidth, stride, size, out);
  }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader**) override {
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT, IWICColorContext**, UINT*) override {
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource**) override { return WINCODEC_ERR_CODECNOTHUMBNAIL; }

  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT w, UINT h, WICPixelFormatGUID* format,
                                       WICBitmapTransformOptions turn, UINT stride, UINT size,
                                       BYTE* out) override {
    UINT cw = w, ch = h;
    GetClosestSize(&cw, &ch);
    if (cw != w || ch != h || *format != GUID_WICPixelFormat24bppBGR || turn != WICBitmapTransformRotate0)
      return E_INVALIDARG;
    const WICRect all = {0, 0, INT(w), INT(h)};
    return Paint(rect ? *rect : all, w, stride, size, out);
  }
  // The smallest of the scales with neither side below the size asked for.
  HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* w, UINT* h) override {
    for (int shift = 3; shift >= 0; --shift) {
      const UINT sw = ((kWidth - 1) >> shift) + 1, sh = ((kHeight - 1) >> shift) + 1;
      if (sw >= *w && sh >= *h) {
        *w = sw, *h = sh;
        return S_OK;
      }
    }
    *w = kWidth, *h = kHeight;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) override {
    *format = GUID_WICPixelFormat24bppBGR;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions turn, BOOL* supported) override {
    *supported = turn == WICBitmapTransformRotate0;
    return S_OK;
  }

 private:
  // The part `rect` of the picture at `width` pixels across.
  static HRESULT Paint(const WICRect& rect, UINT width, UINT stride, UINT size, BYTE* out) {
    if (UINT64(stride) * UINT(rect.Height) > size) return E_INVALIDARG;
    for (INT y = 0; y < rect.Height; ++y)
      for (INT x = 0; x < rect.Width; ++x) {
        const std::uint32_t rgb = UINT(rect.X + x) < width / 2 ? kLeft : kRight;
        BYTE* p = out + std::size_t(y) * stride + std::size_t(x) * 3;
        p[0] = BYTE(rgb), p[1] = BYTE(rgb >> 8), p[2] = BYTE(rgb >> 16);
      }
    return S_OK;
  }

  bool scales_;
};
#pragma GCC diagnostic pop

TEST(WicReduced, APictureTooLargeWholeLoadsAtTheDecodersReducedScale) {
  ASSERT_GT(4LL * ScalingFrame::kWidth * ScalingFrame::kHeight, kPictureMemoryBudget);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))));

    ScalingFrame scaling(true);
    Bitmap loaded;
    ASSERT_EQ(picture::DecodeFrame(*factory.Get(), scaling, 300, 300, {}, loaded), picture::Outcome::Ok);
    EXPECT_EQ(loaded.Width(), 300);
    EXPECT_EQ(loaded.Height(), 300);
    // 1500 x 1125 squeezed by exactly 5 across: the halves meet between columns 149 and 150.
    EXPECT_EQ(loaded.Pixel(149, 150), 0xFF000000u | kLeft);
    EXPECT_EQ(loaded.Pixel(150, 150), 0xFF000000u | kRight);
    EXPECT_EQ(scaling.wholeCopies, 0);

    // The same limits where the decoder cannot scale.
    ScalingFrame whole(false);
    EXPECT_EQ(picture::DecodeFrame(*factory.Get(), whole, 300, 300, {}, loaded), picture::Outcome::TooLarge);
  }
  CoUninitialize();
}

}  // namespace
}  // namespace mirel
