// The yardstick for the program under Wine: the least a Win32 window of 400 x
// 400 client pixels with one Japanese text costs to reach the screen. A left
// press inverts the client area through the same path the program takes to
// answer one (invalidate, then paint at once), so presses are timed alike.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t kText[] = L"ミレル";
HFONT font = nullptr;
bool inverted = false;

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window, &paint);
  ::SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ old = ::SelectObject(dc, font);
  ::TextOutW(dc, 104, 8, kText, static_cast<int>(sizeof kText / sizeof kText[0]) - 1);
  ::SelectObject(dc, old);
  if (inverted) {
    RECT client;
    ::GetClientRect(window, &client);
    ::InvertRect(dc, &client);
  }
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_LBUTTONDOWN:
      inverted = !inverted;
      ::InvalidateRect(window, nullptr, TRUE);
      ::UpdateWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  WNDCLASSW kind{};
  kind.lpfnWndProc = Procedure;
  kind.hInstance = instance;
  kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  kind.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  kind.lpszClassName = L"Minimal";
  if (!::RegisterClassW(&kind)) return 1;
  // A face-less Japanese request: the system's own Japanese font.
  font = ::CreateFontW(-48, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
  RECT outer{0, 0, 400, 400};
  ::AdjustWindowRect(&outer, kStyle, FALSE);
  HWND window = ::CreateWindowW(L"Minimal", L"minimal", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                                nullptr);
  if (!window) return 1;
  ::ShowWindow(window, showCommand);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::DeleteObject(font);
  return 0;
}
