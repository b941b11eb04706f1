#pragma once
// The decoders' own scaling while they decode (JPEG by 1/2, 1/4 and 1/8), as
// Windows declares it in wincodec.h; mingw-w64's copy of that header leaves it
// out, so it is declared here, exactly as the system has it.

#include <wincodec.h>

#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
#define __IWICBitmapSourceTransform_INTERFACE_DEFINED__

// COM objects are released, never deleted through the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
MIDL_INTERFACE("3B16811B-6A43-4ec9-B713-3D5A0C13B940")
IWICBitmapSourceTransform : public IUnknown {
 public:
  // prc: the part to copy, in the scaled picture's pixels; null for all of it.
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT uiWidth, UINT uiHeight,
                                               WICPixelFormatGUID* pguidDstFormat,
                                               WICBitmapTransformOptions dstTransform, UINT nStride,
                                               UINT cbBufferSize, BYTE* pbBuffer) = 0;
  // In: the size wanted; out: the closest the decoder gives natively.
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* puiWidth, UINT* puiHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* pguidDstFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions dstTransform,
                                                         BOOL* pfIsSupported) = 0;
};
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3B16811B, 0x6A43, 0x4ec9, 0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13,
                0xB9, 0x40)
#pragma GCC diagnostic pop

#endif
