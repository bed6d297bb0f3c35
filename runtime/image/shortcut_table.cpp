// The shortcut rows; see shortcut_table.h.
#include "runtime/image/shortcut_table.h"

namespace {

// Virtual-key codes of the keys the rows use; letters are their capitals.
constexpr uint16_t kKeyF1 = 0x70;
constexpr uint16_t kKeyInsert = 0x2D;
constexpr uint16_t kKeyDelete = 0x2E;

const ShortcutRow kShortcutTable[kShortcutCount] = {
    {"Ctrl+A",          'A',         kShortcutCtrl},                  // 1
    {"Ctrl+B",          'B',         kShortcutCtrl},                  // 2
    {"Ctrl+C",          'C',         kShortcutCtrl},                  // 3
    {"Ctrl+D",          'D',         kShortcutCtrl},                  // 4
    {"Ctrl+E",          'E',         kShortcutCtrl},                  // 5
    {"Ctrl+F",          'F',         kShortcutCtrl},                  // 6
    {"Ctrl+G",          'G',         kShortcutCtrl},                  // 7
    {"Ctrl+H",          'H',         kShortcutCtrl},                  // 8
    {"Ctrl+I",          'I',         kShortcutCtrl},                  // 9
    {"Ctrl+J",          'J',         kShortcutCtrl},                  // 10
    {"Ctrl+K",          'K',         kShortcutCtrl},                  // 11
    {"Ctrl+L",          'L',         kShortcutCtrl},                  // 12
    {"Ctrl+M",          'M',         kShortcutCtrl},                  // 13
    {"Ctrl+N",          'N',         kShortcutCtrl},                  // 14
    {"Ctrl+O",          'O',         kShortcutCtrl},                  // 15
    {"Ctrl+P",          'P',         kShortcutCtrl},                  // 16
    {"Ctrl+Q",          'Q',         kShortcutCtrl},                  // 17
    {"Ctrl+R",          'R',         kShortcutCtrl},                  // 18
    {"Ctrl+S",          'S',         kShortcutCtrl},                  // 19
    {"Ctrl+T",          'T',         kShortcutCtrl},                  // 20
    {"Ctrl+U",          'U',         kShortcutCtrl},                  // 21
    {"Ctrl+V",          'V',         kShortcutCtrl},                  // 22
    {"Ctrl+W",          'W',         kShortcutCtrl},                  // 23
    {"Ctrl+X",          'X',         kShortcutCtrl},                  // 24
    {"Ctrl+Y",          'Y',         kShortcutCtrl},                  // 25
    {"Ctrl+Z",          'Z',         kShortcutCtrl},                  // 26
    {"F1",              kKeyF1,      0},                              // 27
    {"F2",              kKeyF1 + 1,  0},                              // 28
    {"F3",              kKeyF1 + 2,  0},                              // 29
    {"F4",              kKeyF1 + 3,  0},                              // 30
    {"F5",              kKeyF1 + 4,  0},                              // 31
    {"F6",              kKeyF1 + 5,  0},                              // 32
    {"F7",              kKeyF1 + 6,  0},                              // 33
    {"F8",              kKeyF1 + 7,  0},                              // 34
    {"F9",              kKeyF1 + 8,  0},                              // 35
    {"F10",             kKeyF1 + 9,  0},                              // 36
    {"F11",             kKeyF1 + 10, 0},                              // 37
    {"F12",             kKeyF1 + 11, 0},                              // 38
    {"Ctrl+F1",         kKeyF1,      kShortcutCtrl},                  // 39
    {"Ctrl+F2",         kKeyF1 + 1,  kShortcutCtrl},                  // 40
    {"Ctrl+F3",         kKeyF1 + 2,  kShortcutCtrl},                  // 41
    {"Ctrl+F4",         kKeyF1 + 3,  kShortcutCtrl},                  // 42
    {"Ctrl+F5",         kKeyF1 + 4,  kShortcutCtrl},                  // 43
    {"Ctrl+F6",         kKeyF1 + 5,  kShortcutCtrl},                  // 44
    {"Ctrl+F7",         kKeyF1 + 6,  kShortcutCtrl},                  // 45
    {"Ctrl+F8",         kKeyF1 + 7,  kShortcutCtrl},                  // 46
    {"Ctrl+F9",         kKeyF1 + 8,  kShortcutCtrl},                  // 47
    {"Ctrl+F10",        kKeyF1 + 9,  kShortcutCtrl},                  // 48
    {"Ctrl+F11",        kKeyF1 + 10, kShortcutCtrl},                  // 49
    {"Ctrl+F12",        kKeyF1 + 11, kShortcutCtrl},                  // 50
    {"Shift+F1",        kKeyF1,      kShortcutShift},                 // 51
    {"Shift+F2",        kKeyF1 + 1,  kShortcutShift},                 // 52
    {"Shift+F3",        kKeyF1 + 2,  kShortcutShift},                 // 53
    {"Shift+F4",        kKeyF1 + 3,  kShortcutShift},                 // 54
    {"Shift+F5",        kKeyF1 + 4,  kShortcutShift},                 // 55
    {"Shift+F6",        kKeyF1 + 5,  kShortcutShift},                 // 56
    {"Shift+F7",        kKeyF1 + 6,  kShortcutShift},                 // 57
    {"Shift+F8",        kKeyF1 + 7,  kShortcutShift},                 // 58
    {"Shift+F9",        kKeyF1 + 8,  kShortcutShift},                 // 59
    {"Shift+F10",       kKeyF1 + 9,  kShortcutShift},                 // 60
    {"Shift+F11",       kKeyF1 + 10, kShortcutShift},                 // 61
    {"Shift+F12",       kKeyF1 + 11, kShortcutShift},                 // 62
    {"Ctrl+Shift+F1",   kKeyF1,      kShortcutCtrl | kShortcutShift}, // 63
    {"Ctrl+Shift+F2",   kKeyF1 + 1,  kShortcutCtrl | kShortcutShift}, // 64
    {"Ctrl+Shift+F3",   kKeyF1 + 2,  kShortcutCtrl | kShortcutShift}, // 65
    {"Ctrl+Shift+F4",   kKeyF1 + 3,  kShortcutCtrl | kShortcutShift}, // 66
    {"Ctrl+Shift+F5",   kKeyF1 + 4,  kShortcutCtrl | kShortcutShift}, // 67
    {"Ctrl+Shift+F6",   kKeyF1 + 5,  kShortcutCtrl | kShortcutShift}, // 68
    {"Ctrl+Shift+F7",   kKeyF1 + 6,  kShortcutCtrl | kShortcutShift}, // 69
    {"Ctrl+Shift+F8",   kKeyF1 + 7,  kShortcutCtrl | kShortcutShift}, // 70
    {"Ctrl+Shift+F9",   kKeyF1 + 8,  kShortcutCtrl | kShortcutShift}, // 71
    {"Ctrl+Shift+F10",  kKeyF1 + 9,  kShortcutCtrl | kShortcutShift}, // 72
    {"Ctrl+Shift+F11",  kKeyF1 + 10, kShortcutCtrl | kShortcutShift}, // 73
    {"Ctrl+Shift+F12",  kKeyF1 + 11, kShortcutCtrl | kShortcutShift}, // 74
    {"Ins",             kKeyInsert,  0},                              // 75
    {"Del",             kKeyDelete,  0},                              // 76
    {"",                0,           0},                              // 77
};

}  // namespace

const ShortcutRow* FindShortcut(uint32_t number)
{
    return number >= 1 && number <= kShortcutCount ? &kShortcutTable[number - 1] : nullptr;
}

uint32_t ShortcutNumberOf(const std::string& name)
{
    if (name.empty())
        return 0;
    for (uint32_t i = 0; i < kShortcutCount; ++i) {
        if (name == kShortcutTable[i].name)
            return i + 1;
    }
    return 0;
}
