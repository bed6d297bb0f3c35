// The window unit's stored-data record; see window_data.h.
#include "runtime/units/window_data.h"

#include "runtime/framework/archive.h"

namespace {

// Logical fields are whole words in the stored data.
bool ReadLogical(CArchive& archive) {
    return archive.ReadInt() != 0;
}

void WriteLogical(CArchive& archive, bool value) {
    archive.WriteInt(value ? 1 : 0);
}

}  // namespace

void WindowData::Reset() {
    caption.clear();
    border = 2;
    backColour = kSystemDefaultColour;
    picture.clear();
    pictureLayout = 1;
    sound.clear();
    soundPlaying = 0;
    controlBox = true;
    maxButton = false;
    minButton = true;
    position = kPositionCentred;
    closeButton = true;
    icon.clear();
    enterMovesFocus = false;
    escCloses = true;
    f1Help = false;
    helpFile.clear();
    helpTopic = 0;
    inTaskbar = true;
    dragAnywhere = false;
    shape = 0;
    alwaysOnTop = false;
    titleStaysActive = false;
    className.clear();
}

int WindowData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        Store(archive);
        return archive.IsOk() ? 1 : 0;
    }
    UnitData::Serialize(archive);
    return Load(archive) ? 1 : 0;
}

void WindowData::Store(CArchive& archive) const {
    archive.WriteDWord(kWindowDataVersion);
    archive.WriteInt(border);
    archive.WriteInt(pictureLayout);
    archive.WriteDWord(backColour);
    WriteLogical(archive, maxButton);
    WriteLogical(archive, minButton);
    WriteLogical(archive, controlBox);
    archive.WriteInt(position);
    WriteLogical(archive, closeButton);
    archive.WriteInt(soundPlaying);
    WriteLogical(archive, enterMovesFocus);
    WriteLogical(archive, escCloses);
    WriteLogical(archive, f1Help);
    archive.WriteInt(helpTopic);
    WriteLogical(archive, inTaskbar);
    WriteLogical(archive, dragAnywhere);
    archive.WriteInt(shape);
    WriteLogical(archive, alwaysOnTop);
    WriteLogical(archive, titleStaysActive);
    archive.WriteText(className);
    archive.WriteBlock(picture.data(), picture.size());
    archive.WriteBlock(icon.data(), icon.size());
    archive.WriteBlock(sound.data(), sound.size());
    archive.WriteText(caption);
    archive.WriteText(helpFile);
}

// Each version appended its words after the help topic, ahead of the blocks, so what a block
// holds between the words and the blocks depends on its version.
bool WindowData::Load(CArchive& archive) {
    uint32_t version = 0;
    if (!ReadStoredVersion(archive, kWindowDataVersion, &version))
        return false;
    border = archive.ReadInt();
    pictureLayout = archive.ReadInt();
    backColour = archive.ReadDWord();
    maxButton = ReadLogical(archive);
    minButton = ReadLogical(archive);
    controlBox = ReadLogical(archive);
    position = archive.ReadInt();
    closeButton = ReadLogical(archive);
    soundPlaying = archive.ReadInt();
    enterMovesFocus = ReadLogical(archive);
    escCloses = ReadLogical(archive);
    f1Help = ReadLogical(archive);
    helpTopic = archive.ReadInt();
    if (version > 1)
        inTaskbar = ReadLogical(archive);
    if (version > 2) {
        dragAnywhere = ReadLogical(archive);
        shape = archive.ReadInt();
    }
    if (version > 3)
        alwaysOnTop = ReadLogical(archive);
    if (version > 4)
        titleStaysActive = ReadLogical(archive);
    if (version == 6)
        archive.ReadText(className);
    archive.ReadBlock(picture);
    archive.ReadBlock(icon);
    archive.ReadBlock(sound);
    archive.ReadText(caption);
    archive.ReadText(helpFile);
    return archive.IsOk();
}

void WindowData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitText(className);
    visitor.VisitText(caption);
    visitor.VisitText(helpFile);
}
