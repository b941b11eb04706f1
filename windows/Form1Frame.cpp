#include "Form1Frame.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "platform/WideText.h"
#include "menu/Form1.h"
#include "platform/WindowScale.h"

namespace mirel {
namespace {

// A fixed frame with a caption, a system menu and a minimise box: no
// maximise box, no sizing border.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t kClassName[] = L"Mirel.Form1";

// The window's outer size for a client of side x side at this DPI.
SIZE OuterSize(int side, UINT dpi) {
  RECT rect{0, 0, side, side};
  ::AdjustWindowRectExForDpi(&rect, kStyle, FALSE, 0, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The desktop's scale rounded to a whole number, so each picture pixel is a
// block of equal size, and smaller where that would not fit the monitor.
int ScaleFor(HWND window, UINT dpi) {
  const int desktop = std::max(1, static_cast<int>(std::lround(dpi / double(USER_DEFAULT_SCREEN_DPI))));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return desktop;
  const int side = kClientSize * desktop;
  const SIZE outer = OuterSize(side, dpi);
  const ScreenRoom room{double(desktop), int(monitor.rcWork.right - monitor.rcWork.left),
                        int(monitor.rcWork.bottom - monitor.rcWork.top), int(outer.cx - side),
                        int(outer.cy - side)};
  return SmallerScaleToFit(room, kClientSize).value_or(desktop);
}

BITMAPINFO TopDownRgb32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top, as the bitmap keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

ATOM RegisterFrameClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW kind{};
  kind.cbSize = sizeof kind;
  // Double-clicks come as their own message, so the second press of one is
  // not taken for a press.
  kind.style = CS_DBLCLKS;
  kind.lpfnWndProc = procedure;
  kind.hInstance = instance;
  kind.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  kind.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON),
                                                 ::GetSystemMetrics(SM_CYSMICON), 0));
  kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  kind.lpszClassName = kClassName;
  return ::RegisterClassExW(&kind);
}

}  // namespace

Form1Frame::Form1Frame(Form1& form, HINSTANCE instance)
    : form_(form),
      input_(form, [this](int index, const std::string& caption) { return labels_.Advance(backDc_, index, caption); }) {
  static const ATOM kind = RegisterFrameClass(instance, &Form1Frame::Procedure);
  if (!kind) throw std::runtime_error("the window class cannot be registered");
  ::CreateWindowExW(0, kClassName, Widen(kTitle).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kClientSize,
                    kClientSize, nullptr, nullptr, instance, this);
  if (!window_) throw std::runtime_error("the window cannot be made");
  Rescale(::GetDpiForWindow(window_));
}

Form1Frame::~Form1Frame() {
  if (window_) ::DestroyWindow(window_);
  if (backDc_) {
    ::SelectObject(backDc_, backOld_);
    ::DeleteDC(backDc_);
  }
  if (backBitmap_) ::DeleteObject(backBitmap_);
}

void Form1Frame::Show(int showCommand) {
  // The client area in the middle of the monitor's work area, as on Linux,
  // but never with the frame outside it.
  RECT outer{};
  RECT client{};
  ::GetWindowRect(window_, &outer);
  ::GetClientRect(window_, &client);
  ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& work = monitor.rcWork;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int left = work.left + (work.right - work.left - (client.right - client.left)) / 2 - (client.left - outer.left);
    const int top = work.top + (work.bottom - work.top - (client.bottom - client.top)) / 2 - (client.top - outer.top);
    ::SetWindowPos(window_, nullptr, std::clamp(left, int(work.left), std::max(int(work.left), int(work.right) - width)),
                   std::clamp(top, int(work.top), std::max(int(work.top), int(work.bottom) - height)), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
}

void Form1Frame::RefreshNow() {
  if (!window_) return;
  ::InvalidateRect(window_, nullptr, FALSE);
  ::UpdateWindow(window_);
}

void Form1Frame::SetBusy(bool on) {
  busy_ = on;
  ::SetCursor(::LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

LRESULT CALLBACK Form1Frame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* frame = static_cast<Form1Frame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    frame->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<Form1Frame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!frame) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    frame->window_ = nullptr;
  }
  return frame->Handle(message, wParam, lParam);
}

LRESULT Form1Frame::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every pixel comes from the kept image
    case WM_LBUTTONDOWN:
      MouseDown(1, wParam, lParam);
      return 0;
    case WM_RBUTTONDOWN:
      MouseDown(2, wParam, lParam);
      return 0;
    case WM_MBUTTONDOWN:
      MouseDown(4, wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      return 0;  // a double-click's second press is no press
    case WM_LBUTTONUP:
      ButtonUp(1, lParam);
      return 0;
    case WM_RBUTTONUP:
      ButtonUp(2, lParam);
      return 0;
    case WM_MBUTTONUP:
      ButtonUp(4, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      input_.LetGo();
      return 0;
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window, nullptr, suggested.left, suggested.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Rescale(HIWORD(wParam));
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(exitCode_);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void Form1Frame::Paint() {
  PAINTSTRUCT paint;
  HDC screen = ::BeginPaint(window_, &paint);
  const Bitmap& image = form_.Controls().Window.Image();
  const BITMAPINFO info = TopDownRgb32(image.Width(), image.Height());
  if (scale_ == 1) {
    ::SetDIBitsToDevice(backDc_, 0, 0, DWORD(image.Width()), DWORD(image.Height()), 0, 0, 0, UINT(image.Height()),
                        image.Data(), &info, DIB_RGB_COLORS);
  } else {
    // Each picture pixel becomes a scale x scale block, never a blend.
    ::SetStretchBltMode(backDc_, COLORONCOLOR);
    ::StretchDIBits(backDc_, 0, 0, image.Width() * scale_, image.Height() * scale_, 0, 0, image.Width(),
                    image.Height(), image.Data(), &info, DIB_RGB_COLORS, SRCCOPY);
  }
  labels_.Draw(backDc_, form_.Menu(), input_);
  const RECT& area = paint.rcPaint;
  ::BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, backDc_, area.left, area.top,
           SRCCOPY);
  ::EndPaint(window_, &paint);
}

void Form1Frame::MouseDown(std::int16_t button, WPARAM keys, LPARAM at) {
  std::int16_t shift = 0;
  if (keys & MK_SHIFT) shift |= 1;
  if (keys & MK_CONTROL) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  const Route route = input_.Press(button, shift, GET_X_LPARAM(at), GET_Y_LPARAM(at));
  // A held label gets its release even when the mouse leaves the window.
  if (input_.HoldsLabel()) ::SetCapture(window_);
  Dispatch(route);
}

void Form1Frame::ButtonUp(std::int16_t button, LPARAM at) {
  const bool held = input_.HoldsLabel();
  const Route route = input_.Release(button, GET_X_LPARAM(at), GET_Y_LPARAM(at));
  // Letting go of the capture sends WM_CAPTURECHANGED, which the release has made harmless.
  if (held && !input_.HoldsLabel()) ::ReleaseCapture();
  Dispatch(route);
}

void Form1Frame::Rescale(UINT dpi) {
  const int scale = ScaleFor(window_, dpi);
  if (scale == scale_) return;
  scale_ = scale;
  labels_.SetScale(scale);
  input_.SetScale(scale);
  MakeBackBuffer();
  const SIZE outer = OuterSize(kClientSize * scale, dpi);
  ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Frame::MakeBackBuffer() {
  if (!backDc_) {
    backDc_ = ::CreateCompatibleDC(nullptr);
    if (!backDc_) throw std::runtime_error("no memory for the window's picture");
  }
  const int side = kClientSize * scale_;
  const BITMAPINFO info = TopDownRgb32(side, side);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(backDc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) throw std::runtime_error("no memory for the window's picture");
  const HGDIOBJ previous = ::SelectObject(backDc_, bitmap);
  if (backBitmap_) {
    ::DeleteObject(backBitmap_);
  } else {
    backOld_ = previous;
  }
  backBitmap_ = bitmap;
}

void Form1Frame::Dispatch(const Route& route) {
  const Handled handled = input_.Run(route);
  if (handled.then == Handled::Then::Repaint) RefreshNow();
  if (handled.then != Handled::Then::End) return;
  ::MessageBoxW(window_, Widen(handled.error).c_str(), Widen(kTitle).c_str(), MB_OK | MB_ICONERROR);
  exitCode_ = 1;
  if (window_) ::DestroyWindow(window_);
}

}  // namespace mirel
