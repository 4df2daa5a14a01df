// The control window on Windows, made of the system's own controls: trackbars for the sliders
// (each with its label to the left and its value shown), push buttons, and a static credit line.
// The dialog manager gives the keyboard its usual meaning: Tab between controls, arrows move a
// trackbar, Space or Enter press a button, Escape closes the window.
#include "control_window.h"

#include "actions.h"
#include "messages.h"
#include "process_end.h"
#include "system_function.h"
#include "window_layout.h"

#include <windows.h>

#include <atomic>
#include <commctrl.h>

#include <cmath>
#include <iterator>
#include <cstdio>
#include <io.h>

namespace {

constexpr int capture_id = 101;
constexpr int compress_id = 102;
// Where a slider's value is shown, inside the left end of its place, as FLTK's value slider does.
constexpr int value_width = 40;

struct slider {
    const control_place& place;
    const slider_range& range;
    HWND trackbar = nullptr;
    HWND value_text = nullptr;

    int steps() const { return static_cast<int>(std::lround((range.high - range.low) / range.step)); }
    double value() const
    {
        const LRESULT position = SendMessageA(trackbar, TBM_GETPOS, 0, 0);
        return range.low + range.step * static_cast<double>(position);
    }
    void show_value() const
    {
        char text[16];
        std::snprintf(text, sizeof text, range.step < 1 ? "%.2f" : "%.0f", value());
        SetWindowTextA(value_text, text);
    }
};

// A control and its place in the layout, in the pixels of a 96-DPI display.
struct placed_control {
    HWND control;
    RECT place;
};

// Everything the window keeps between messages, in one place: the window, its DPI and the font
// and icons made for it, its controls where the layout puts them, whether they take input, its
// sliders, the hook that renames a message box's button while one comes up, and the console's
// mode to put back.
struct control_window_state {
    HWND window = nullptr;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    HFONT font = nullptr;
    HICON icons[2] = {};
    placed_control controls[16] = {};
    int control_count = 0;
    bool controls_active = true;
    slider sliders[3] = {{size_place, size_range}, {quality_place, quality_range},
                         {zoom_place, zoom_range}};
    HHOOK box_hook = nullptr;
    // The console's mode as the player had it, while a capture has QuickEdit off.
    DWORD console_mode = 0;
    std::atomic<bool> console_mode_changed{false};
};
control_window_state shown;

// The window drawn at the DPI of the monitor it is on: Windows 10 tells each window's DPI and
// each DPI's metrics (looked up at run time); before it, the system's DPI serves every window.
template <typename function>
function user32_function(const char* name)
{
    return system_function<function>("user32.dll", name);
}

UINT system_dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT window_dpi(HWND window)
{
    static const auto dpi_for_window = user32_function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = dpi_for_window ? dpi_for_window(window) : 0;
    return dpi ? dpi : system_dpi();
}

int scaled(int length)
{
    return MulDiv(length, static_cast<int>(shown.dpi), USER_DEFAULT_SCREEN_DPI);
}

// The system's message font (what its own dialogs use) at the window's DPI.
HFONT message_font(UINT dpi)
{
    static const auto metrics_for_dpi =
        user32_function<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>(
            "SystemParametersInfoForDpi");
    if (metrics_for_dpi) {
        NONCLIENTMETRICSW wide{};
        wide.cbSize = sizeof wide;
        if (metrics_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof wide, &wide, 0, dpi))
            return CreateFontIndirectW(&wide.lfMessageFont);
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    const bool got = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTA font = got ? metrics.lfMessageFont : LOGFONTA{};
    if (!got) {
        font.lfHeight = -12;
        lstrcpynA(font.lfFaceName, "MS Shell Dlg 2", LF_FACESIZE);
    }
    // Given at the system's DPI: made the window's.
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi()));
    return CreateFontIndirectA(&font);
}

// The program's icon at the sizes the title bar (small) and Alt+Tab (large) take at `dpi`.
void set_icons(UINT dpi)
{
    static const auto metric_for_dpi =
        user32_function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    const int sides[2] = {
        metric_for_dpi ? metric_for_dpi(SM_CXSMICON, dpi) : MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI),
        metric_for_dpi ? metric_for_dpi(SM_CXICON, dpi) : MulDiv(32, dpi, USER_DEFAULT_SCREEN_DPI)};
    for (int kind = 0; kind < 2; ++kind) {
        HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1),
                                                   IMAGE_ICON, sides[kind], sides[kind], 0));
        if (!icon)
            continue;
        SendMessageA(shown.window, WM_SETICON, kind ? ICON_BIG : ICON_SMALL,
                     reinterpret_cast<LPARAM>(icon));
        if (shown.icons[kind])
            DestroyIcon(shown.icons[kind]);
        shown.icons[kind] = icon;
    }
}

// Sizes the window and puts every control in its place for the window's DPI, with its font.
// `suggested`: where Windows proposes the window go after its DPI changed.
void lay_out(UINT dpi, const RECT* suggested)
{
    shown.dpi = dpi;
    HFONT font = message_font(dpi);
    for (int i = 0; i < shown.control_count; ++i) {
        const placed_control& c = shown.controls[i];
        MoveWindow(c.control, scaled(c.place.left), scaled(c.place.top),
                   scaled(c.place.right - c.place.left), scaled(c.place.bottom - c.place.top), TRUE);
        SendMessageA(c.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (shown.font)
        DeleteObject(shown.font);
    shown.font = font;
    set_icons(dpi);
    if (suggested) {
        SetWindowPos(shown.window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    static const auto frame_for_dpi =
        user32_function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, scaled(window_width), scaled(window_height)};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(shown.window, GWL_STYLE));
    const DWORD extended = static_cast<DWORD>(GetWindowLongPtrA(shown.window, GWL_EXSTYLE));
    if (!frame_for_dpi || !frame_for_dpi(&frame, style, FALSE, extended, dpi))
        AdjustWindowRectEx(&frame, style, FALSE, extended);
    SetWindowPos(shown.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A control of the layout, placed by `lay_out`.
HWND make_control(const char* type, const char* text, DWORD style, int x, int y, int w, int h,
                  int id = 0)
{
    HWND control = CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, shown.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (shown.control_count < static_cast<int>(std::size(shown.controls)))
        shown.controls[shown.control_count++] = {control, {x, y, x + w, y + h}};
    return control;
}

// In the order of the layout, which is also the order Tab takes.
void make_controls()
{
    const auto make_slider = [](slider& s) {
        const control_place& p = s.place;
        make_control(WC_STATICA, p.label, SS_RIGHT | SS_CENTERIMAGE, 0, p.y, p.x - 4, p.h);
        s.value_text = make_control(WC_STATICA, "", SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN, p.x,
                                    p.y, value_width, p.h);
        s.trackbar = make_control(TRACKBAR_CLASSA, "", WS_TABSTOP | TBS_HORZ | TBS_NOTICKS,
                                  p.x + value_width, p.y, p.w - value_width, p.h);
        SendMessageA(s.trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, s.steps()));
        SendMessageA(s.trackbar, TBM_SETPAGESIZE, 0, 1);
        SendMessageA(s.trackbar, TBM_SETPOS, TRUE,
                     std::lround((s.range.initial - s.range.low) / s.range.step));
        s.show_value();
    };
    const auto make_button = [](const control_place& p, int id) {
        make_control(WC_BUTTONA, p.label, WS_TABSTOP | BS_PUSHBUTTON, p.x, p.y, p.w, p.h, id);
    };
    make_slider(shown.sliders[0]);
    make_button(capture_place, capture_id);
    make_slider(shown.sliders[1]);
    make_slider(shown.sliders[2]);
    make_button(compress_place, compress_id);
    make_control(WC_STATICA, credit_place.label, SS_LEFT | SS_CENTERIMAGE, credit_place.x,
                 credit_place.y, credit_place.w, credit_place.h);
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_HSCROLL:
        for (const slider& s : shown.sliders)
            if (reinterpret_cast<HWND>(l) == s.trackbar)
                s.show_value();
        return 0;
    case WM_COMMAND:
        if (LOWORD(w) == capture_id)
            capture_action();
        else if (LOWORD(w) == compress_id)
            compress_action();
        else if (LOWORD(w) == IDCANCEL && shown.controls_active)  // Escape, through the dialog manager
            DestroyWindow(hwnd);
        return 0;
    case WM_CLOSE:
        if (shown.controls_active)
            DestroyWindow(hwnd);
        return 0;
    case WM_DPICHANGED:
        lay_out(HIWORD(w), reinterpret_cast<const RECT*>(l));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, w, l);
    }
}

// The message box's one button reads "Abort": renamed as the box comes up.

LRESULT CALLBACK rename_box_button(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_ACTIVATE) {
        SetDlgItemTextA(reinterpret_cast<HWND>(w), IDOK, "Abort");
        UnhookWindowsHookEx(shown.box_hook);
        shown.box_hook = nullptr;
        return 0;
    }
    return CallNextHookEx(shown.box_hook, code, w, l);
}

// One message of the window's queue, through the dialog manager as the event loop takes it.
void dispatch(MSG& message)
{
    if (!IsDialogMessageA(shown.window, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

BOOL CALLBACK enable_control(HWND control, LPARAM enable)
{
    EnableWindow(control, static_cast<BOOL>(enable));
    return TRUE;
}

}  // namespace

int run_control_window()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA type{};
    type.lpfnWndProc = window_procedure;
    type.hInstance = GetModuleHandleA(nullptr);
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.hIcon = LoadIconA(type.hInstance, MAKEINTRESOURCEA(1));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = "TilequiltWindow";
    RegisterClassA(&type);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, window_width, window_height};
    AdjustWindowRect(&frame, style, FALSE);
    shown.window = CreateWindowExA(WS_EX_CONTROLPARENT, type.lpszClassName, window_title, style,
                             CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, type.hInstance, nullptr);
    if (!shown.window)
        return 1;
    make_controls();
    lay_out(window_dpi(shown.window), nullptr);
    ShowWindow(shown.window, SW_SHOWNORMAL);
    UpdateWindow(shown.window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        dispatch(message);
    return 0;
}

slider_settings current_sliders()
{
    return {shown.sliders[0].value(), shown.sliders[1].value(), shown.sliders[2].value()};
}

void show_message(const char* text)
{
    MessageBoxA(shown.window, text, window_title, MB_OK | MB_ICONINFORMATION);
}

bool ask_question(const char* text)
{
    return MessageBoxA(shown.window, text, window_title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void show_error(const char* title, const char* text)
{
    shown.box_hook = SetWindowsHookExA(WH_CBT, rename_box_button, nullptr, GetCurrentThreadId());
    MessageBoxA(shown.window, text, title, MB_OK | MB_ICONERROR);
}

void show_window_title(const char* title)
{
    SetWindowTextA(shown.window, title);
}

// A click into the console selects text (QuickEdit) and blocks the next write to it until the
// selection ends: while a capture runs, which writes its progress there, QuickEdit is off. The
// player's mode is put back when the capture ends, and when the tool is ended meanwhile (Ctrl+C,
// the console closed).
namespace {

void restore_console_mode()
{
    if (shown.console_mode_changed.exchange(false))
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), shown.console_mode);
}

}  // namespace

void keep_console_running(bool capturing)
{
    const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
    DWORD& mode = shown.console_mode;
    if (capturing && GetConsoleMode(console, &mode) && (mode & ENABLE_QUICK_EDIT_MODE) &&
        SetConsoleMode(console, (mode & ~ENABLE_QUICK_EDIT_MODE) | ENABLE_EXTENDED_FLAGS)) {
        shown.console_mode_changed = true;
        undo_at_process_end(restore_console_mode);
    }
    if (!capturing) {
        restore_console_mode();
        undo_at_process_end(nullptr);
    }
}

void set_controls_active(bool active)
{
    shown.controls_active = active;
    EnumChildWindows(shown.window, enable_control, active);
}

void answer_desktop()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

bool output_is_terminal()
{
    return _isatty(_fileno(stdout)) != 0;
}
