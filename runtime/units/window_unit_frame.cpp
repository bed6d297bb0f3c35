// The window unit's frame and surface: the border and title-bar rule, shapes, icons, placement,
// the background and the background sound; see window_unit.h.
#include "runtime/units/window_unit.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/core/byte_reader.h"
#include "runtime/sound/midi_file.h"
#include "runtime/sound/wave_chunks.h"
#include "runtime/sound/wave_player.h"
#include "runtime/units/window_background.h"
#include "runtime/units/window_shapes.h"

namespace {

// One row per border value: whether the frame can be resized, and the extended style added.
struct BorderRow {
    bool resizable;
    DWORD exStyle;
};

const BorderRow kBorderRows[kWindowBorderCount] = {
    {false, 0},                 // 0: no border and no title bar
    {true, 0},                  // 1: resizable
    {false, 0},                 // 2: fixed
    {true, WS_EX_TOOLWINDOW},   // 3: resizable tool window
    {false, WS_EX_TOOLWINDOW},  // 4: fixed tool window
    {true, WS_EX_CLIENTEDGE},   // 5: resizable, sunken client area
    {false, WS_EX_CLIENTEDGE},  // 6: fixed, sunken client area
};

const BorderRow& RowOf(int32_t border) {
    return kBorderRows[std::clamp(border, 0, kWindowBorderCount - 1)];
}

// The runtime's own icon, loaded once from the executable and shared by every window.
void ExecutableIcons(HICON* big, HICON* small) {
    static HICON s_big = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    static HICON s_small = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    *big = s_big;
    *small = s_small;
}

// Background sound data is a WAVE file or else a MIDI file; anything else is ignored.
enum class SoundKind { None, Midi, Wave };

SoundKind SoundKindOf(const std::vector<uint8_t>& sound) {
    if (LooksLikeWave(sound.data(), sound.size()))
        return SoundKind::Wave;
    if (LooksLikeMidi(sound.data(), sound.size()))
        return SoundKind::Midi;
    return SoundKind::None;
}

// Answers whether a player took the data. The MIDI player borrows the bytes: the window stops
// it before its sound data changes or goes.
bool StartSoundPlayer(SoundKind kind, const std::vector<uint8_t>& sound, bool repeat, MidiPlayer& midi) {
    if (kind == SoundKind::Wave)
        return PlayWave(sound.data(), sound.size(), repeat) != 0;
    return midi.Open(sound.data(), sound.size(), nullptr) && midi.Play(repeat);
}

// WAVE sound cannot be told apart by window: every WAVE player of the process stops.
void StopSoundPlayer(SoundKind kind, MidiPlayer& midi) {
    if (kind == SoundKind::Wave)
        StopAllWavePlayers(false);
    else
        midi.StopAndReset();
}

BOOL CALLBACK RepaintIfTransparent(HWND child, LPARAM) {
    if (::IsWindowVisible(child) && (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
        InvalidateRect(child, nullptr, TRUE);
    return TRUE;
}

}  // namespace

// ---- Frame styles ---------------------------------------------------------------------------

bool IsResizableBorder(int32_t border) {
    return RowOf(border).resizable;
}

DWORD WindowFrameExStyle(int32_t border) {
    return RowOf(border).exStyle;
}

DWORD WindowFrameStyle(const WindowData& data) {
    DWORD style = 0;
    if (data.border != 0) {
        style |= WS_DLGFRAME;
        if (!data.caption.empty() || data.controlBox)
            style |= WS_CAPTION;
        if (data.controlBox)
            style |= WS_SYSMENU;
        if (IsResizableBorder(data.border))
            style |= WS_THICKFRAME;
    }
    if (data.maxButton)
        style |= WS_MAXIMIZEBOX;
    if (data.minButton)
        style |= WS_MINIMIZEBOX;
    return style;
}

void CWinFormUnit::ApplyTitleStyle() {
    ModifyStyle(kTitleStyleMask, WindowFrameStyle(*this) & kTitleStyleMask, SWP_FRAMECHANGED);
}

void CWinFormUnit::ApplyBorder() {
    ModifyStyleEx(kFrameExStyleMask, WindowFrameExStyle(border));
    ModifyStyle(kFrameStyleMask, WindowFrameStyle(*this));
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// ---- Shapes ---------------------------------------------------------------------------------

HRGN MakeWindowShapeRegion(int32_t shape, int32_t width, int32_t height) {
    switch (ShapeKindOf(shape)) {
    case WindowShapeKind::Rectangle:
        return nullptr;
    case WindowShapeKind::Ellipse:
        return CreateEllipticRgn(0, 0, width, height);
    case WindowShapeKind::RoundedRectangle: {
        const int corner = std::min(width / 5, height / 5);
        return CreateRoundRectRgn(0, 0, width, height, corner, corner);
    }
    case WindowShapeKind::Ring: {
        HRGN outer = CreateEllipticRgn(0, 0, width, height);
        HRGN inner = CreateEllipticRgn(width / 4, height / 4, width - width / 4, height - height / 4);
        CombineRgn(outer, outer, inner, RGN_DIFF);
        DeleteObject(inner);
        return outer;
    }
    case WindowShapeKind::Polygon:
        break;
    }
    const std::vector<ShapePoint> points = ShapePolygon(shape, width, height);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc || points.empty()) {
        if (dc)
            DeleteDC(dc);
        return nullptr;
    }
    BeginPath(dc);
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(dc, points[i].x, points[i].y);
    CloseFigure(dc);
    EndPath(dc);
    HRGN region = PathToRegion(dc);
    DeleteDC(dc);
    return region;
}

void CWinFormUnit::ApplyShape() {
    const RECT outer = GetWindowRect();
    HRGN region = MakeWindowShapeRegion(shape, outer.right - outer.left, outer.bottom - outer.top);
    // The system owns a region once it is set, and deletes the one it replaces; a region it
    // refused is still ours.
    if (!SetWindowRgn(m_hWnd, region, TRUE) && region) {
        DeleteObject(region);
        region = nullptr;
    }
    m_shapeRegion = region;
}

// ---- Icons ----------------------------------------------------------------------------------

HICON MakeIconFromBytes(const std::vector<uint8_t>& bytes, int width, int height) {
    // An icon file: a directory of images, each with its size, colour depth and place.
    ByteReader in(bytes.data(), bytes.size());
    const uint16_t reserved = in.u16(), type = in.u16(), count = in.u16();
    if (!in.ok() || reserved != 0 || type != 1 || count == 0)
        return nullptr;
    uint32_t bestOffset = 0, bestSize = 0;
    int bestDistance = 0x7FFFFFFF, bestDepth = -1;
    for (uint16_t i = 0; i < count; ++i) {
        int w = in.u8(), h = in.u8();  // 0 stands for 256
        w = w ? w : 256;
        h = h ? h : 256;
        in.skip(4);
        const int depth = in.u16();
        const uint32_t size = in.u32(), offset = in.u32();
        if (!in.ok())
            return nullptr;
        if (offset > bytes.size() || size > bytes.size() - offset || size == 0)
            continue;
        const int distance = std::abs(w - width) + std::abs(h - height);
        if (distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
            bestDistance = distance;
            bestDepth = depth;
            bestOffset = offset;
            bestSize = size;
        }
    }
    if (bestSize == 0)
        return nullptr;
    return CreateIconFromResourceEx(const_cast<uint8_t*>(bytes.data()) + bestOffset, bestSize, TRUE, 0x00030000,
                                    width, height, LR_DEFAULTCOLOR);
}

void CWinFormUnit::ReleaseIcons() {
    if (m_smallIcon && m_smallIcon != m_bigIcon)
        DestroyIcon(m_smallIcon);
    if (m_bigIcon)
        DestroyIcon(m_bigIcon);
    m_bigIcon = m_smallIcon = nullptr;
}

void CWinFormUnit::ApplyIcons() {
    HICON big = nullptr, small = nullptr;
    if (!icon.empty()) {
        big = MakeIconFromBytes(icon, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
        small = MakeIconFromBytes(icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
        if (!big)
            big = small;
        if (!small)
            small = big;
    }
    const bool own = big != nullptr;
    if (!own) {
        HICON shared[2] = {nullptr, nullptr};
        CallRuntime(kRequestDefaultIcons, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(shared)), 0);
        big = shared[0];
        small = shared[1];
        if (!big && !small)
            ExecutableIcons(&big, &small);
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // Only now that the window holds the new icons may the old ones go.
    ReleaseIcons();
    if (own) {
        m_bigIcon = big;
        m_smallIcon = small;
    }
}

// ---- Placement ------------------------------------------------------------------------------

void CWinFormUnit::ApplyTopmost() {
    SetWindowPos(alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CWinFormUnit::ApplyCloseCommand() {
    if (closeButton)
        GetSystemMenu(m_hWnd, TRUE);  // back to the system's own menu
    else if (HMENU menu = GetSystemMenu(m_hWnd, FALSE))
        DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
}

void CWinFormUnit::MoveToScreenCentre() {
    const RECT outer = GetWindowRect();
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (outer.left != x || outer.top != y)
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWinFormUnit::MaximiseToMonitor() {
    if (::IsIconic(m_hWnd) || ::IsZoomed(m_hWnd))
        ShowWindow(SW_RESTORE);
    ShowWindow(SW_MAXIMIZE);
    // Looked up at run time: systems without several monitors lack the two functions.
    using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
    using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
    HMODULE user = GetModuleHandleA("User32.dll");
    auto monitorFromWindow = reinterpret_cast<MonitorFromWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "MonitorFromWindow")));
    auto getMonitorInfo = reinterpret_cast<GetMonitorInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetMonitorInfoA")));
    RECT area{};
    MONITORINFO info{};
    info.cbSize = sizeof info;  // 40 bytes; the 72-byte form adds only the device name
    HMONITOR monitor = monitorFromWindow ? monitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST) : nullptr;
    if (monitor && getMonitorInfo && getMonitorInfo(monitor, &info))
        area = info.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOZORDER);
    ShowWindow(SW_SHOW);
}

void CWinFormUnit::ApplyPosition() {
    switch (position) {
    case kPositionAsStored: ShowWindow(SW_SHOWNORMAL); break;
    case kPositionCentred:
        if (::IsIconic(m_hWnd) || ::IsZoomed(m_hWnd))
            ShowWindow(SW_RESTORE);
        MoveToScreenCentre();
        break;
    case kPositionMinimised: ShowWindow(SW_MINIMIZE); break;
    case kPositionMaximised: MaximiseToMonitor(); break;
    default: break;
    }
}

// ---- Background -----------------------------------------------------------------------------

void CWinFormUnit::PaintBackground(HDC dc, const RECT& area) {
    const COLORREF colour = ResolveColour(backColour);
    HRGN remaining = CreateRectRgnIndirect(&area);
    if (!picture.empty())
        DrawBackgroundPicture(dc, GetClientRect(), picture, pictureLayout, colour, remaining);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRgn(dc, remaining, brush);
    DeleteObject(brush);
    DeleteObject(remaining);
}

void CWinFormUnit::RepaintBackground() {
    Invalidate(TRUE);
    // Transparent units show the window's background through them: they must paint again too.
    EnumChildWindows(m_hWnd, RepaintIfTransparent, 0);
}

// ---- Background sound -----------------------------------------------------------------------

void CWinFormUnit::StartSound() {
    if (DesignMode() || sound.empty() || soundPlaying > 1)
        return;
    const SoundKind kind = SoundKindOf(sound);
    if (kind != SoundKind::None)
        StartSoundPlayer(kind, sound, soundPlaying == 0, m_midiPlayer);
}

void CWinFormUnit::StopSound() {
    const SoundKind kind = SoundKindOf(sound);
    if (kind != SoundKind::None)
        StopSoundPlayer(kind, m_midiPlayer);
}
