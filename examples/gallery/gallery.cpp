// The gallery's handlers: every one names its event in the label at the bottom of the window
// before it does anything else, so that what ran last can always be seen. The two sounds are embedded in the program by the
// build (sounds.cpp) and become the window's background sound when chosen from the menu.
#include <tavori/program.h>

#include <cstdint>
#include <string>

extern "C" const uint8_t GalleryWave[];
extern "C" const uint32_t GalleryWaveSize;
extern "C" const uint8_t GalleryMidi[];
extern "C" const uint32_t GalleryMidiSize;

namespace {

constexpr uint32_t kMainWindow = 0x52010001;
constexpr uint32_t kSecondWindow = 0x52010040;
constexpr tavori::Unit kMain{kMainWindow};
constexpr tavori::Unit kSecond{kSecondWindow};
constexpr tavori::Unit kEventLabel{kMainWindow, 0x16010020};
constexpr tavori::Unit kCheckedItem{kMainWindow, 0x26010036};

// The window's sound playing modes.
constexpr int32_t kRepeat = 0;
constexpr int32_t kSilent = 2;
constexpr uint32_t kInformationIcon = 0x40;

void Event(const char* what) { tavori::SetText(kEventLabel, tavori::kLabelCaption, std::string("最近的事件：") + what); }

// A new sound replaces the old one, which stops first.
void Play(const uint8_t* sound, uint32_t size)
{
    tavori::SetBytes(kMain, tavori::kWindowSound, sound, size);
    tavori::SetInteger(kMain, tavori::kWindowSoundPlaying, kRepeat);
}

}  // namespace

extern "C" {

void Started() { Event("窗口已创建"); }

void ShowMessage()
{
    Event("消息框");
    tavori::MessageBox("这是画廊的消息框。", kInformationIcon, "画廊");
}

// A window hidden by its own button is shown again; a closed one is loaded anew.
void OpenSecond()
{
    tavori::OpenWindow(kSecondWindow);
    tavori::SetLogical(kSecond, tavori::kVisible, true);
    Event("打开第二个窗口");
}

void CloseSecond()
{
    tavori::SetLogical(kSecond, tavori::kVisible, false);
    Event("关闭第二个窗口");
}

void Quit() { tavori::EndProgram(0); }

void ToggleChecked()
{
    const bool checked = !tavori::GetLogical(kCheckedItem, tavori::kMenuChecked);
    tavori::SetLogical(kCheckedItem, tavori::kMenuChecked, checked);
    Event(checked ? "选中" : "未选中");
}

// Never runs while its item is greyed; the box would say so if it did.
void Greyed() { tavori::MessageBox("灰色的菜单项不应被选中。"); }
void Deepest() { Event("最深"); }

void PlayWave()
{
    Event("WAVE");
    Play(GalleryWave, GalleryWaveSize);
}

void PlayMidi()
{
    Event("MIDI");
    Play(GalleryMidi, GalleryMidiSize);
}

void Silence()
{
    Event("静音");
    tavori::SetInteger(kMain, tavori::kWindowSoundPlaying, kSilent);
}

void BmpPressed() { Event("BMP 按钮"); }
void GifPressed() { Event("GIF 按钮"); }
void IcoPressed() { Event("ICO 按钮"); }
void PngPressed() { Event("PNG 按钮"); }

}  // extern "C"
