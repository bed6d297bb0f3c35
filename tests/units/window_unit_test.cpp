// The window unit under Wine: its stored data against the shared schema, its type record, its
// shape regions, icon data and text conversion in this process; then end to end, a compiled
// program whose windows come from forms/window_unit.form, run through the real message loop.
#include "runtime/units/window_unit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "runtime/core/byte_writer.h"
#include "runtime/core/program_image.h"
#include "runtime/image/image_records.h"
#include "runtime/units/stored_schema.h"
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

// The window unit lives in the runtime: a test that links it supplies what a compiled program
// would (an empty image; the start routine never runs here).
extern "C" {
int StartRoutine() { return 0; }
const ImageHeader ProgramImageHeader = {};
uint32_t ProgramStubZero() { return 0; }
void ProgramStubNothing() {}
}

namespace {

using probe_log::Count;
using probe_log::Lines;
using probe_log::MissingInOrder;

std::vector<uint8_t> Saved(WindowData& data) {
    int32_t size = 0;
    HGLOBAL block = SaveStoredData(data, &size);
    std::vector<uint8_t> bytes;
    if (block) {
        const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(block));
        bytes.assign(p, p + size);
        GlobalUnlock(block);
        GlobalFree(block);
    }
    return bytes;
}

// ---- Stored data ------------------------------------------------------------------------------

TEST(WindowData, WritesExactlyTheSchemaBytes) {
    WindowData data;
    data.Reset();
    StoredRecord record(kWindowStoredKind);
    EXPECT_EQ(Saved(data), record.SaveBlock());

    data.caption = "Tavori";
    data.border = 5;
    data.backColour = 0x00336699;
    data.picture = {1, 2, 3};
    data.pictureLayout = 3;
    data.sound = {'M', 'T', 'h', 'd'};
    data.soundPlaying = 2;
    data.controlBox = false;
    data.maxButton = true;
    data.minButton = false;
    data.position = 3;
    data.closeButton = false;
    data.icon = {9, 8};
    data.enterMovesFocus = true;
    data.escCloses = false;
    data.f1Help = true;
    data.helpFile = "help.hlp";
    data.helpTopic = 77;
    data.inTaskbar = false;
    data.dragAnywhere = true;
    data.shape = 29;
    data.alwaysOnTop = true;
    data.titleStaysActive = true;
    data.className = "Mine";
    const struct { const char* field; int32_t number; } numbers[] = {
        {"border", 5}, {"background-colour", 0x00336699}, {"picture-layout", 3}, {"sound-playing", 2},
        {"control-box", 0}, {"maximise-button", 1}, {"minimise-button", 0}, {"position", 3},
        {"close-button", 0}, {"enter-moves-focus", 1}, {"esc-closes", 0}, {"f1-opens-help", 1},
        {"help-topic", 77}, {"shown-in-taskbar", 0}, {"drag-anywhere", 1}, {"shape", 29},
        {"always-on-top", 1}, {"title-stays-active", 1}};
    for (const auto& n : numbers)
        record.SetNumber(static_cast<size_t>(record.FindField(n.field)), n.number);
    const struct { const char* field; const char* bytes; size_t size; } blocks[] = {
        {"caption", "Tavori", 6}, {"background-picture", "\1\2\3", 3}, {"background-sound", "MThd", 4},
        {"icon", "\x09\x08", 2}, {"help-file", "help.hlp", 8}, {"class-name", "Mine", 4}};
    for (const auto& b : blocks)
        record.SetBytes(static_cast<size_t>(record.FindField(b.field)), std::string(b.bytes, b.size));
    EXPECT_EQ(Saved(data), record.SaveBlock());
}

// The head words of a block, as every version stores them.
void HeadWords(ByteWriter& out, uint32_t version) {
    out.u32(version);
    for (int32_t word : {4, 2, 0x112233, 1, 0, 0, 0, 0, 1, 1, 0, 1, 55})
        out.i32(word);  // border .. help topic
}

void Tail(ByteWriter& out) {
    out.u32(0);                    // picture
    out.u32(2); out.u8(7); out.u8(6);  // icon
    out.u32(0);                    // sound
    out.u32(3); out.bytes("cap", 3);
    out.u32(0);                    // help file
}

TEST(WindowData, OlderVersionsKeepTheDefaultsOfLaterFields) {
    ByteWriter v1;
    HeadWords(v1, 1);
    Tail(v1);
    WindowData data;
    ASSERT_TRUE(LoadStoredData(data, v1.data(), static_cast<int32_t>(v1.size())));
    EXPECT_EQ(data.border, 4);
    EXPECT_EQ(data.backColour, 0x112233u);
    EXPECT_TRUE(data.maxButton);
    EXPECT_FALSE(data.controlBox);
    EXPECT_EQ(data.position, 0);
    EXPECT_EQ(data.helpTopic, 55);
    EXPECT_TRUE(data.inTaskbar);  // defaults of versions 2 and up
    EXPECT_EQ(data.shape, 0);
    EXPECT_EQ(data.icon, (std::vector<uint8_t>{7, 6}));
    EXPECT_EQ(data.caption, "cap");

    ByteWriter v5;
    HeadWords(v5, 5);
    for (int32_t word : {0, 1, 12, 1, 1})
        v5.i32(word);  // task bar, drag, shape, topmost, title stays active; no class name
    Tail(v5);
    ASSERT_TRUE(LoadStoredData(data, v5.data(), static_cast<int32_t>(v5.size())));
    EXPECT_FALSE(data.inTaskbar);
    EXPECT_TRUE(data.dragAnywhere);
    EXPECT_EQ(data.shape, 12);
    EXPECT_TRUE(data.alwaysOnTop);
    EXPECT_TRUE(data.titleStaysActive);
    EXPECT_EQ(data.className, "");
    EXPECT_EQ(data.caption, "cap");

    std::vector<uint8_t> v7 = Saved(data);
    v7[0] = 7;
    EXPECT_FALSE(LoadStoredData(data, v7.data(), static_cast<int32_t>(v7.size())));
    EXPECT_TRUE(LoadStoredData(data, nullptr, 0));
    EXPECT_EQ(data.border, 2);
    EXPECT_EQ(data.position, kPositionCentred);
    EXPECT_EQ(data.backColour, kSystemDefaultColour);
}

void Upper(char* text, int32_t, uint32_t) {
    for (; *text; ++text)
        *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

TEST(WindowUnitType, RecordOperationsIconDataAndTextConversion) {
    EXPECT_EQ(kWindowUnitType.state, 0x800000D0u);
    ASSERT_EQ(kWindowUnitType.propertyCount, 32);
    const uint16_t own[24] = {1005, 1006, 1017, 1009, 1006, 1012, 1006, 1003, 1003, 1003, 1006, 1003,
                              1010, 1003, 1003, 1003, 1016, 1001, 1003, 1003, 1006, 1003, 1003, 1005};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(kWindowUnitType.properties[i].flags, 0xE000) << i;
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(kWindowUnitType.properties[8 + i].typeCode, own[i]) << i;
    for (int32_t op : {1, 4, 5, 6, 7, 9})
        EXPECT_NE(kWindowUnitType.entry(op), nullptr) << op;
    for (int32_t op : {0, 2, 3, 8, 10, 11})
        EXPECT_EQ(kWindowUnitType.entry(op), nullptr) << op;

    WindowData data;
    data.Reset();
    data.icon = {0, 0, 1, 0, 5};
    data.caption = "main";
    data.className = "cls";
    std::vector<uint8_t> block = Saved(data);
    auto iconData = reinterpret_cast<GetIconDataFn>(kWindowUnitType.entry(kOpGetIconData));
    int32_t iconSize = 0;
    HGLOBAL icon = iconData(block.data(), static_cast<int32_t>(block.size()), &iconSize);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(iconSize, 5);
    EXPECT_EQ(static_cast<const uint8_t*>(GlobalLock(icon))[4], 5);
    GlobalUnlock(icon);
    GlobalFree(icon);
    data.icon.clear();
    std::vector<uint8_t> plain = Saved(data);
    EXPECT_EQ(iconData(plain.data(), static_cast<int32_t>(plain.size()), &iconSize), nullptr);
    EXPECT_EQ(iconSize, 0);

    auto convert = reinterpret_cast<ConvertTextsFn>(kWindowUnitType.entry(kOpConvertTexts));
    int32_t size = static_cast<int32_t>(block.size());
    HGLOBAL converted = convert(block.data(), &size, Upper, 0);
    ASSERT_NE(converted, nullptr);
    WindowData back;
    ASSERT_TRUE(LoadStoredData(back, static_cast<const uint8_t*>(GlobalLock(converted)), size));
    GlobalUnlock(converted);
    GlobalFree(converted);
    EXPECT_EQ(back.caption, "MAIN");
    EXPECT_EQ(back.className, "CLS");
}

// ---- Shapes ---------------------------------------------------------------------------------

struct RegionCheck {
    RECT box;
    std::vector<bool> inside;
};

RegionCheck Check(int shape, int w, int h, std::initializer_list<POINT> points) {
    RegionCheck c{};
    HRGN region = MakeWindowShapeRegion(shape, w, h);
    if (!region)
        return c;
    GetRgnBox(region, &c.box);
    for (POINT p : points)
        c.inside.push_back(PtInRegion(region, p.x, p.y) != FALSE);
    DeleteObject(region);
    return c;
}

void ExpectBox(const RECT& box, int left, int top, int right, int bottom, int slack) {
    EXPECT_NEAR(box.left, left, slack);
    EXPECT_NEAR(box.top, top, slack);
    EXPECT_NEAR(box.right, right, slack);
    EXPECT_NEAR(box.bottom, bottom, slack);
}

TEST(WindowShapes, RegionsFollowTheGeometry) {
    EXPECT_EQ(MakeWindowShapeRegion(0, 200, 100), nullptr);
    EXPECT_EQ(MakeWindowShapeRegion(30, 200, 100), nullptr);

    RegionCheck ellipse = Check(1, 200, 100, {{100, 50}, {3, 3}, {196, 96}, {2, 50}});
    ExpectBox(ellipse.box, 0, 0, 200, 100, 1);
    EXPECT_EQ(ellipse.inside, (std::vector<bool>{true, false, false, true}));

    // Corner ellipse min(200/5, 100/5) = 20: the very corner is cut, 10 pixels in is not.
    RegionCheck rounded = Check(2, 200, 100, {{1, 1}, {10, 50}, {198, 98}, {100, 1}});
    ExpectBox(rounded.box, 0, 0, 200, 100, 1);
    EXPECT_EQ(rounded.inside, (std::vector<bool>{false, true, false, true}));

    // Ring: the hole spans 50..150 x 25..75.
    RegionCheck ring = Check(3, 200, 100, {{100, 50}, {30, 50}, {100, 10}, {3, 3}});
    ExpectBox(ring.box, 0, 0, 200, 100, 1);
    EXPECT_EQ(ring.inside, (std::vector<bool>{false, true, true, false}));

    // Shape 5, the triangle (0,0) (W,0) (W/2,H): wide at the top, a point at the bottom.
    RegionCheck down = Check(5, 200, 100, {{100, 10}, {10, 90}, {190, 90}, {100, 90}});
    ExpectBox(down.box, 0, 0, 200, 100, 1);
    EXPECT_EQ(down.inside, (std::vector<bool>{true, false, false, true}));

    // Shape 12, the diamond through the middles of the sides.
    RegionCheck diamond = Check(12, 200, 100, {{100, 50}, {5, 5}, {195, 95}, {20, 50}});
    ExpectBox(diamond.box, 0, 0, 200, 100, 1);
    EXPECT_EQ(diamond.inside, (std::vector<bool>{true, false, false, true}));
}

// ---- End to end ---------------------------------------------------------------------------------

std::string LogPath() { return e2e::OwnFolder() + "window_unit_probe.log"; }

std::string ReadLog() { return probe_log::Read(LogPath()); }

// The words after `prefix` on the first line that starts with it.
std::vector<std::string> Fields(const std::string& log, const std::string& prefix) {
    for (const std::string& line : Lines(log)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            std::stringstream s(line.substr(prefix.size()));
            std::vector<std::string> words;
            for (std::string w; s >> w;)
                words.push_back(w);
            return words;
        }
    }
    return {};
}

uint32_t HexField(const std::vector<std::string>& words, const std::string& key) {
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == key)
            return static_cast<uint32_t>(std::stoul(words[i + 1], nullptr, 16));
    ADD_FAILURE() << "no " << key;
    return 0;
}

bool WaitForLine(const std::string& line, int count = 1) {
    return e2e::WaitUntil([&] { return Count(ReadLog(), line) >= count; }, 20000);
}

// Everything posted to the main window before has been handled: after a round trip (the probe
// finished what it was doing, and posted what it would post), a press posted to the window
// comes back in the log.
bool Handled(HWND main, int y) {
    if (!e2e::RoundTrip(main))
        return false;
    e2e::ClickAt(main, 100, y);
    const std::string line = "left button down from 6010000 at 100 " + std::to_string(y) + " ";
    return e2e::WaitUntil([&] { return ReadLog().find(line) != std::string::npos; });
}

// The loop goes on: after two round trips a quit message posted before would have ended it
// (the loop takes the quit message as soon as no other message is waiting).
bool LoopGoesOn(HWND window) {
    return e2e::RoundTrip(window) && e2e::RoundTrip(window) && Count(ReadLog(), "loop returned") == 0;
}

void ExpectFrame(const std::vector<std::string>& words, int border, bool caption, bool box, const std::string& what) {
    SCOPED_TRACE(what);
    const DWORD style = HexField(words, "style"), ex = HexField(words, "ex");
    const bool framed = border != 0;
    EXPECT_EQ((style & WS_CAPTION) == WS_CAPTION, framed && (caption || box));
    EXPECT_EQ((style & WS_DLGFRAME) != 0, framed);
    EXPECT_EQ((style & WS_SYSMENU) != 0, framed && box);
    EXPECT_EQ((style & WS_THICKFRAME) != 0, border == 1 || border == 3 || border == 5);
    EXPECT_EQ((ex & WS_EX_TOOLWINDOW) != 0, border == 3 || border == 4);
    EXPECT_EQ((ex & WS_EX_CLIENTEDGE) != 0, border == 5 || border == 6);
}

TEST(WindowUnitEndToEnd, ScriptedWindowNavigationEventsAndClosing) {
    DeleteFileA(LogPath().c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "window_unit_probe.exe", "script"));
    ASSERT_TRUE(WaitForLine("script done")) << ReadLog();
    const std::string log = ReadLog();

    // The tool's size, centred on the primary screen, outer size exact; read from outside too.
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const int left = (cx - 216) / 2, top = (cy - 250) / 2;
    const std::vector<std::string> created = Fields(log, "created class ZkWindow rect ");
    ASSERT_GE(created.size(), 4u) << log;
    EXPECT_EQ(created[0] + " " + created[1] + " " + created[2] + " " + created[3],
              std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(left + 216) + " " +
                  std::to_string(top + 250));
    ExpectFrame(created, 2, true, true, "the main window");
    HWND main = probe.WaitWindow("ZkWindow");
    ASSERT_NE(main, nullptr);
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.left, left);
    EXPECT_EQ(outer.top, top);
    EXPECT_EQ(outer.right - outer.left, 216);
    EXPECT_EQ(outer.bottom - outer.top, 250);

    // Frames as created and as the properties change them.
    ExpectFrame(Fields(log, "frame 52010020 "), 0, true, true, "border 0 with a caption");
    ExpectFrame(Fields(log, "frame 52010021 "), 3, false, false, "border 3, no caption, no control box");
    const std::vector<std::string> third = Fields(log, "frame 52010022 ");
    ExpectFrame(third, 5, true, true, "border 5");
    EXPECT_NE(HexField(third, "style") & WS_MAXIMIZEBOX, 0u);
    EXPECT_EQ(HexField(third, "style") & WS_MINIMIZEBOX, 0u);
    for (int border = 0; border <= 6; ++border)
        for (int caption = 0; caption <= 1; ++caption)
            for (int box = 0; box <= 1; ++box) {
                const std::string key = "sweep " + std::to_string(border) + " " + std::to_string(caption) + " " +
                                        std::to_string(box) + " ";
                ExpectFrame(Fields(log, key), border, caption != 0, box != 0, key);
            }

    EXPECT_EQ(MissingInOrder(log, {
        "icons shared yes, owner no",
        "second class WuSecond rect 20 20 220 170",
        "border 9 reads 6",
        "refused region made, deleted 1",
        "background answer 20141111 inside 336699 outside 0",
        "system colour drawn yes",
        // Tab in tab order (equal numbers in table order), disabled, hidden and label skipped.
        "focus &1", "focus &2", "focus &Check", "focus W", "focus &Go",
        // Shift+Tab back.
        "focus W", "focus &Check",
        // Enter on the focused default button, then on another unit: the first default button.
        "event 0 from 16010003", "event 0 from 16010003",
        "after Esc in a unit that wants it: open",
        "enter moves: focus &1",
        "event 0 from 16010006", "right: focus &2 checks 01",
        "event 0 from 16010005", "up: focus &1 checks 10",
        // Alt mnemonics: the button's event, the check toggled, the label to the unit after it.
        "event 0 from 16010003", "event 0 from 1601000A", "mnemonics: focus &1 check 1",
        // Common events with x, y and KeyState; false discards the click.
        "left button down from 16010002 at 7 9 keys 1 answer 1", "P got the click",
        "left button down from 16010002 at 8 10 keys 1 answer 0",
        "char input a", "P got char b", "char input z",
        "key down 35 keys 1",
        "left button down from 6010000 at 200 5 keys 0 answer 1",
        "colour from the child yes", "P notified 1234", "tray 2", "tray 3",
        "answer to 0x8389 without a rectangle 20141111",
        "script done"}), "") << log;
    EXPECT_EQ(Count(log, "P got the click"), 1) << log;
    EXPECT_EQ(Count(log, "P got char z"), 0) << log;
    EXPECT_EQ(Count(log, "event 8"), 1) << log;
    EXPECT_EQ(Count(log, "event 12"), 0) << log;

    // Position 3 fills the work area; position 1 restores and centres.
    const std::vector<std::string> maximised = Fields(log, "maximised reads ");
    ASSERT_EQ(maximised.size(), 11u) << log;  // 3 rect l t r b work l t r b
    EXPECT_EQ(maximised[0], "3");
    EXPECT_EQ(std::vector<std::string>(maximised.begin() + 2, maximised.begin() + 6),
              std::vector<std::string>(maximised.begin() + 7, maximised.end()));
    EXPECT_EQ(Fields(log, "centred reads "),
              (std::vector<std::string>{"0", "rect", created[0], created[1], created[2], created[3]}));

    // Esc: the handler of event 12 refuses the first time; event 1 is not raised then.
    e2e::PostKey(main, VK_ESCAPE);
    ASSERT_TRUE(WaitForLine("event 12"));
    ASSERT_TRUE(Handled(main, 200)) << ReadLog();
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(Count(ReadLog(), "event 1"), 0);
    e2e::PostKey(main, VK_ESCAPE);
    ASSERT_TRUE(WaitForLine("event 2 from 6010000", 2));  // the first was the second window's, before the loop
    EXPECT_EQ(MissingInOrder(ReadLog(), {"event 12", "event 12", "event 1", "event 2 from 6010000"}), "");
    // The second window keeps the program alive.
    HWND second = probe.WaitWindow("WuSecond");
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(LoopGoesOn(second)) << ReadLog();
    EXPECT_TRUE(probe.Running());
    PostMessageA(second, WM_CLOSE, 0, 0);
    int exitCode = 12345;
    ASSERT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(MissingInOrder(ReadLog(), {"event 2 from 6010000", "loop returned"}), "");
}

TEST(WindowUnitEndToEnd, WindowsClosedBeforeTheLoopDoNotEndTheProgram) {
    DeleteFileA(LogPath().c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "window_unit_probe.exe", "early"));
    // Hiding a shown window takes Wine a while: wait for the start routine to reach the loop.
    ASSERT_TRUE(WaitForLine("both closed before the loop")) << ReadLog();
    HWND second = probe.WaitWindow("WuSecond");
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(LoopGoesOn(second)) << ReadLog();
    EXPECT_TRUE(probe.Running());
    const std::string early = "event 8\nevent 2 from 6010000\nevent 2 from 6010000\nboth closed before the loop\n";
    EXPECT_EQ(ReadLog(), early);
    PostMessageA(second, WM_CLOSE, 0, 0);
    int exitCode = 12345;
    ASSERT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadLog(), early + "event 2 from 6010000\nloop returned\n");
}

}  // namespace
