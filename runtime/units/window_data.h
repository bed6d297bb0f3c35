// WindowData: the stored-data record of the window unit. Version 6 is written, always with every
// field; older blocks lack the words their versions had not yet appended (see Serialize).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/units/unit_data.h"

constexpr uint32_t kWindowDataVersion = 6;

// Own property numbers of the window unit (the runtime's numbers are these plus 8).
enum WindowProperty : int32_t {
    kWindowCaption = 0,
    kWindowBorder = 1,
    kWindowBackColour = 2,
    kWindowPicture = 3,
    kWindowPictureLayout = 4,
    kWindowSound = 5,
    kWindowSoundPlaying = 6,
    kWindowControlBox = 7,
    kWindowMaxButton = 8,
    kWindowMinButton = 9,
    kWindowPosition = 10,
    kWindowCloseButton = 11,
    kWindowIcon = 12,
    kWindowEnterMovesFocus = 13,
    kWindowEscCloses = 14,
    kWindowF1Help = 15,
    kWindowHelpFile = 16,
    kWindowHelpTopic = 17,
    kWindowInTaskbar = 18,
    kWindowDragAnywhere = 19,
    kWindowShape = 20,
    kWindowAlwaysOnTop = 21,
    kWindowTitleStaysActive = 22,
    kWindowClassName = 23,
};
constexpr int32_t kWindowOwnPropertyCount = 24;

// Choice ranges; a written value outside them is brought to the nearest end.
constexpr int32_t kWindowBorderCount = 7;       // 0 none .. 6 fixed with a sunken client edge
constexpr int32_t kWindowLayoutCount = 4;       // top-left, tiled, centred, stretched
constexpr int32_t kWindowPlayingCount = 3;      // repeat, once, not played
constexpr int32_t kWindowPositionCount = 4;     // as stored, centred, minimised, maximised
constexpr int32_t kWindowShapeCount = 30;

enum WindowPosition : int32_t {
    kPositionAsStored = 0,
    kPositionCentred = 1,
    kPositionMinimised = 2,
    kPositionMaximised = 3,
};

class WindowData : public UnitData {
public:
    std::string caption;
    int32_t border = 0;
    uint32_t backColour = 0;
    std::vector<uint8_t> picture;
    int32_t pictureLayout = 0;
    std::vector<uint8_t> sound;
    int32_t soundPlaying = 0;
    bool controlBox = false;
    bool maxButton = false;
    bool minButton = false;
    int32_t position = 0;
    bool closeButton = false;
    std::vector<uint8_t> icon;
    bool enterMovesFocus = false;
    bool escCloses = false;
    bool f1Help = false;
    std::string helpFile;
    int32_t helpTopic = 0;
    bool inTaskbar = false;
    bool dragAnywhere = false;
    int32_t shape = 0;
    bool alwaysOnTop = false;
    bool titleStaysActive = false;
    std::string className;

    void Reset() override;
    int Serialize(CArchive& archive) override;
    void ForEachText(UnitTextVisitor& visitor) override;

private:
    void Store(CArchive& archive) const;
    bool Load(CArchive& archive);
};
